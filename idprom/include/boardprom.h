/*
 * libboardprom: identification PROMs (SPROMs) of the card, its fan trays
 * and its power modules.
 *
 * Transports: the board ID-PROM on I2C bus 1 (SMBus), plain I2C transfers
 * on any /dev/i2c-N, and the I2C/PMBus controllers of the card's I/O FPGA.
 * Layouts: typed fixed-position fields grouped in checksummed blocks.
 * Codecs: one operator line on standard input turned into field bytes.
 *
 * Every routine reports through an int: 0 is success.  The tables and flags
 * below are writable data that programs may change directly.
 */
#ifndef BOARDPROM_H
#define BOARDPROM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Return codes of the transports ------------------------------------ */
#define IDPROM_RC_OPEN_FAILED 1         /* device open or address bind failed */
#define IDPROM_RC_TRANSFER_FAILED 0x105 /* retries spent, or controller time-out */
#define IDPROM_RC_NACK 0x2005           /* FPGA controller: no acknowledge */
#define IDPROM_RC_INVALID 22            /* bad argument, plain-transfer failure (EINVAL) */

/* ---- The board ID-PROM: 256 bytes behind each of 0x50 to 0x57 on bus 1 ----- */
#define IDPROM_EEPROM_SIZE 2048 /* offsets 0 to 2047; ranges past it are refused */

/* ---- PROM kinds ---------------------------------------------------------- */
#define IDPROM_KIND_FAN_TRAY 3
#define IDPROM_KIND_POWER_MODULE 4
/* any other kind: the card's own ID-PROM */

/* ---- Layout rows ----------------------------------------------------------- */
#define SPROM_TYPE_TEXT 0
#define SPROM_TYPE_HEX 1
#define SPROM_TYPE_SIGNED_DEC8 2
#define SPROM_TYPE_HEX1 3
#define SPROM_TYPE_DEC_U8 4
#define SPROM_TYPE_SIGNED_DEC16 5
#define SPROM_TYPE_HEX2 6
#define SPROM_TYPE_DEC_U16 7
#define SPROM_TYPE_HEX4 8
#define SPROM_TYPE_DEC_U32 9
#define SPROM_TYPE_DOT_DEC 10
#define SPROM_TYPE_DASH_DEC 11
#define SPROM_TYPE_HYPEN_DEC 12
#define SPROM_TYPE_HEX8 13
#define SPROM_TYPE_TEMP_RANGE 14
#define SPROM_TYPE_SKIP 15
#define SPROM_TYPE_BLOCK 16
#define SPROM_TYPE_PADDING 17
#define SPROM_TYPE_CHECKSUM 18
#define SPROM_TYPE_END 19

#define SPROM_NAME_SIZE 64

/* One row of a layout: a block header or one field of the image. */
typedef struct sprom_field_def {
    char name[SPROM_NAME_SIZE]; /* title, NUL-terminated and NUL-padded */
    uint32_t type;              /* SPROM_TYPE_* */
    uint32_t offset;            /* byte offset in the image */
    int32_t length_or_min;      /* width, or lower bound of numeric rows */
    int32_t max;                /* upper bound of numeric rows, else 0 */
} sprom_field_def;

/* ---- Format table keys and results ---------------------------------------- */
#define SPROM_KEY_FAN_TRAY 6
#define SPROM_KEY_POWER_MODULE 8
#define SPROM_KEY_BOARD 40
#define SPROM_KEY_END 42
#define SPROM_ENDIAN_NONE 2 /* endian of a key the format table lacks */

#define SPROM_RC_NO_FORMAT 0x102

/* ---- Codec sentinels of sprom_get_signed_dec ------------------------------ */
#define SPROM_DEC_INVALID (-100000)
#define SPROM_DEC_EMPTY (-100001)

/* ---- Exported tables and flags --------------------------------------------- */
#define SPROM_BOARD_ROWS 51
#define SPROM_FAN_TRAY_ROWS 45
#define SPROM_POWER_MODULE_ROWS 42
#define SPROM_DOT_DEC_BYTES 16

extern sprom_field_def sprom_info_cpu_Calderi[SPROM_BOARD_ROWS];
extern sprom_field_def sprom_info_Miravel16[SPROM_FAN_TRAY_ROWS];
extern sprom_field_def sprom_info_Ostrand[SPROM_POWER_MODULE_ROWS];
extern int32_t dot_dec_bytes[SPROM_DOT_DEC_BYTES];
extern int32_t enable_le_to_be_auto_fix;

/* ---- Transports ---------------------------------------------------------------- */
int idprom_read_eeprom(unsigned char *buf, unsigned int count, unsigned int offset);
int idprom_write_eeprom(const unsigned char *data, unsigned int count, unsigned int offset);
int idprom_read_page(int kind, unsigned char *buf, int count, int reserved);
int idprom_write_page(int kind, const unsigned char *data, int count, int reserved);
int x86_cpu_i2c_rd(int bus, int addr, int size, int command, char *out);
int x86_cpu_i2c_wr(int bus, int addr, int size, int command, char value);
int arm_cpu_i2c_port_wr(int bus, int reg, int addr, const unsigned char *data, int len,
                        char *errbuf, int errbuf_size);
int arm_cpu_i2c_port_rd(int bus, int reg, int addr, int out[3], int len, char *errbuf,
                        int errbuf_size);

/* ---- Layouts and format lookup -------------------------------------------------- */
sprom_field_def *idprom_find_sprom_format(int key);
int idprom_find_sprom_endian(int key);
int idprom_get_sprom_format(int kind, sprom_field_def **layout, int *endian, int *size,
                            int reserved);

/* ---- Codecs: one line of standard input each --------------------------------------- */
int atoh(int c);
int sprom_get_text(char *buf, int size);
int sprom_get_hex(unsigned char *out); /* out holds up to 1024 bytes */
int sprom_get_hex1(unsigned char *out);
int sprom_get_hex2(uint16_t *out);
int sprom_get_hex4(uint32_t *out);
int sprom_get_hex8(uint64_t *out);
int sprom_get_dec_u8(unsigned char *out);
int sprom_get_dec_u16(uint16_t *out);
int sprom_get_dec_u32(uint32_t *out);
int sprom_get_signed_dec(void);
int sprom_get_dash_dec(unsigned char *out);
int sprom_get_dot_dec(int endian, uint16_t *cells);
int sprom_get_hypen_dec(uint16_t *pairs);
int sprom_get_temp_range(unsigned char *first, unsigned char *second);

#ifdef __cplusplus
}
#endif

/* Show and program operations, fan-tray and power-module PROMs. */
#include "boardprom_ops.h"

#endif /* BOARDPROM_H */
