/*
 * Show and program operations, fan-tray and power-module PROMs.
 *
 * The show and program walk prints a layout over an image and, in program
 * mode, reads one operator answer per field from standard input, rewrites
 * the block checksums and asks for confirmation.  The utilities put the walk
 * together with the transports.  Fan trays and power modules are reached
 * through the bus controllers of the card's I/O FPGA.
 *
 * Included at the end of boardprom.h, which programs include; included on
 * its own it brings boardprom.h in first.
 */
#ifndef BOARDPROM_OPS_H
#define BOARDPROM_OPS_H

#include "boardprom.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Return codes of the show and program operations -------------------- */
#define SPROM_RC_BAD_DEFINITION 0x100 /* a layout row has a type above 19 */
#define SPROM_RC_CANCELLED 0x103      /* the operator declined to program */

/* ---- Flags shared with the calling program ------------------------------- */
extern int global_idprom_checksum_err; /* 1 once a shown block's checksum differed */
extern int sprom_read_back_verify;     /* 1: the answer 'Z' is accepted */
extern int force_verify_skip;          /* 1 right after the answer 'Z' */

/* ---- Show, program and dump ----------------------------------------------- */
/* program: 0 shows the image, 1 edits it in place and asks for confirmation. */
int sprom_show_program(sprom_field_def *layout, unsigned char *image, int endian, int program);
int idprom_util_show(int kind, int reserved, int channel, unsigned char *buf, int length);
/* mode 0 starts from the PROM's contents, 1 from an image of zeros. */
int idprom_util_program(int kind, int reserved, int mode, int channel);
int idprom_util_bin_dump_sprom(int kind, unsigned char *buf, int *size);

/* ---- Fan-tray and power-module PROMs through the I/O FPGA ---------------- */
int idprom_read_ft_psu_page(int kind, unsigned char *buf, int count, int channel);
int idprom_write_ft_psu_page(int kind, const unsigned char *data, int count, int channel);

/* ---- Presence checks: 1 present, 0 absent with the reason in msg -------- */
int idprom_check_fan_presence(int ft, char *msg, int msg_size);
/* On success *pm is replaced by the power module's slot number. */
int idprom_check_psu_presence(int *pm, char *msg, int msg_size);

#ifdef __cplusplus
}
#endif

#endif /* BOARDPROM_OPS_H */
