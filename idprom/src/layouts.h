// SPROM layouts: the format table, the image-size rule, the block checksum
// and byte-order helpers.  Pure functions over tables and buffers.
#pragma once

#include "boardprom.h"

#include <cstddef>
#include <cstdint>

extern "C" {
// A row of the format table: a key, the byte order of its images and its
// layout.  The table ends with the row of key SPROM_KEY_END.
struct sprom_format_entry {
    int32_t key;
    int32_t endian;
    sprom_field_def *layout;
};
extern sprom_format_entry sprom_formats[4];
}

namespace boardprom
{

// Number of bytes read from and written to a PROM of this layout: the
// largest row offset plus the width of that row plus 4.
int sprom_image_size(const sprom_field_def *layout);

// Bytes a row occupies in the image, as the walk reads or writes them (a
// block header: the block's length; the end, skip and unknown rows: 0).
uint64_t sprom_row_bytes(const sprom_field_def &row);

// Width the size rule gives a row of this type and length.
uint32_t sprom_size_width(uint32_t type, int32_t length_or_min);

// Format key of a PROM kind: 6 fan tray, 8 power module, 40 otherwise.
int sprom_key_for_kind(int kind);

// 16-bit additive checksum of image[start .. start+length-1], leaving out
// the two bytes at checksum_offset.
uint16_t sprom_block_checksum(const uint8_t *image, uint32_t start, uint32_t length,
                              uint32_t checksum_offset);

// Multi-byte values in the layout's byte order (0 = most significant first).
uint16_t sprom_load16(const uint8_t *p, int endian);
uint32_t sprom_load32(const uint8_t *p, int endian);
uint64_t sprom_load64(const uint8_t *p, int endian);
void sprom_store16(uint8_t *p, uint16_t v, int endian);
void sprom_store32(uint8_t *p, uint32_t v, int endian);
void sprom_store64(uint8_t *p, uint64_t v, int endian);

} // namespace boardprom
