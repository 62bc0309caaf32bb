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

/* ---- Field-level access and progress (since LIBBOARDPROM_1.1) -------------------
 * For programs that edit an image without the operator walk: set one field
 * from the text an operator would type at its prompt, render one field as
 * the show walk prints it, check and store block checksums, and follow the
 * progress of the byte-by-byte page transfers.  `image_size` is the number
 * of bytes the caller's image holds: a row that lies beyond it is refused.
 * Nothing here prints or reads standard input. */
#define SPROM_RC_NOT_A_FIELD 0x110    /* the row holds no value of that kind */
#define SPROM_RC_VALUE_INVALID 0x111  /* the row's codec does not accept the text */
#define SPROM_RC_VALUE_TOO_LONG 0x112 /* the text does not fit the field or the codec's line */
#define SPROM_RC_VALUE_EMPTY 0x113    /* the text would leave the field as it is */
#define SPROM_RC_VALUE_RANGE 0x114    /* the value lies outside the row's range */
#define SPROM_RC_OUT_OF_IMAGE 0x115   /* the row lies beyond the caller's image */

/* Bytes the row occupies in an image: fields, checksums and padding rows;
   0 for block headers, skip, end and unknown rows. */
int sprom_field_size(const sprom_field_def *row);

/* Sets the field of `row` (types 0 to 14) from `text`, one line as the
   operator would type it at the program prompt, without its newline, read
   by the row's own codec.  Stricter than the prompt: an empty text, bytes
   beyond a byte-string field's width, a temperature outside -128 to 127, a
   value outside the row's range and characters past the codec's line are
   refused instead of kept, dropped, truncated, stored or left for the next
   field.  0 when stored; otherwise one of the codes above (or
   IDPROM_RC_INVALID for a null pointer) and the image is unchanged. */
int sprom_field_from_text(const sprom_field_def *row, unsigned char *image, int image_size,
                          int endian, const char *text);

/* Writes the value of `row` as the show walk prints it between the name's
   " : " and the newline (range warning included; a checksum row as
   0x%04x; text rows with all their bytes, NUL padding too) into out, at most
   out_size - 1 bytes and a NUL.  Returns the full length of the value, which
   may exceed out_size as with snprintf, or -1 for a row show does not print
   as a value (block header, padding, skip, end) or that lies beyond the
   image. */
int sprom_field_to_text(const sprom_field_def *row, const unsigned char *image, int image_size,
                        int endian, char *out, int out_size);

/* The stored and the computed checksum of the block whose
   SPROM_TYPE_CHECKSUM row is layout[row] (the block of the nearest header
   before it).  0; SPROM_RC_NOT_A_FIELD when that row is no checksum row in a
   block; SPROM_RC_OUT_OF_IMAGE. */
int sprom_block_checksum_of(const sprom_field_def *layout, int row, const unsigned char *image,
                            int image_size, int endian, uint16_t *stored, uint16_t *computed);

/* Stores every block's checksum, as a program-mode walk does, and changes
   nothing else (padding rows keep their bytes).  0, SPROM_RC_BAD_DEFINITION
   or SPROM_RC_OUT_OF_IMAGE. */
int sprom_update_checksums(const sprom_field_def *layout, unsigned char *image, int image_size,
                           int endian);

/* Progress of the page routines (idprom_read_page, idprom_write_page,
   idprom_read_ft_psu_page, idprom_write_ft_psu_page): once set, the hook is
   called after every byte with the bytes moved so far and the page's count.
   A null fn removes it.  The hook must not call the library. */
typedef void (*idprom_progress_fn)(void *context, int done, int total);
void idprom_set_progress(idprom_progress_fn fn, void *context);

#ifdef __cplusplus
}
#endif

/* Show and program operations, fan-tray and power-module PROMs. */
#include "boardprom_ops.h"

#endif /* BOARDPROM_H */
