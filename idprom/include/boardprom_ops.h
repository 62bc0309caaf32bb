/* Show and program operations, fan-tray and power-module PROMs. */
#ifndef BOARDPROM_OPS_H
#define BOARDPROM_OPS_H
#endif
