// Marks the library's exported functions and data (all else is hidden).
#pragma once

#define BOARDPROM_EXPORT __attribute__((visibility("default")))
