// Format lookup: the layout and byte order of a format key, the key of a
// PROM kind, and the image size a layout gives.
#include "export.h"
#include "layouts.h"

#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kNoFormat = "Could not find the proper sprom type!";

// Widths the size rule gives its rows.
inline constexpr uint32_t kWidthComponents = 32; // dotted decimal, byte pairs
inline constexpr uint32_t kWidthHex8 = 8;
inline constexpr uint32_t kWidthOther = 4;
inline constexpr int kSizeTail = 4;

// First format-table row of this key before the end row, or null.
const sprom_format_entry *find_entry(int key)
{
    for (const sprom_format_entry &e : sprom_formats) {
        if (e.key == SPROM_KEY_END)
            return nullptr;
        if (e.key == key)
            return &e;
    }
    return nullptr;
}

} // namespace

uint32_t sprom_size_width(uint32_t type, int32_t length_or_min)
{
    switch (type) {
    case SPROM_TYPE_TEXT:
    case SPROM_TYPE_HEX:
        return static_cast<uint32_t>(length_or_min);
    case SPROM_TYPE_DOT_DEC:
    case SPROM_TYPE_HYPEN_DEC:
        return kWidthComponents;
    case SPROM_TYPE_HEX8:
        return kWidthHex8;
    default:
        return kWidthOther;
    }
}

// Bytes a row occupies in the image, as the walk reads or writes them.
uint64_t sprom_row_bytes(const sprom_field_def &row)
{
    switch (row.type) {
    case SPROM_TYPE_TEXT:
    case SPROM_TYPE_HEX:
    case SPROM_TYPE_PADDING:
        return static_cast<uint32_t>(row.length_or_min);
    case SPROM_TYPE_SIGNED_DEC8:
    case SPROM_TYPE_HEX1:
    case SPROM_TYPE_DEC_U8:
        return 1;
    case SPROM_TYPE_SIGNED_DEC16:
    case SPROM_TYPE_HEX2:
    case SPROM_TYPE_DEC_U16:
    case SPROM_TYPE_TEMP_RANGE:
    case SPROM_TYPE_CHECKSUM:
        return 2;
    case SPROM_TYPE_HEX4:
    case SPROM_TYPE_DEC_U32:
    case SPROM_TYPE_DASH_DEC:
        return 4;
    case SPROM_TYPE_HEX8:
        return 8;
    case SPROM_TYPE_DOT_DEC:
    case SPROM_TYPE_HYPEN_DEC:
        return 16;
    case SPROM_TYPE_BLOCK:
        return static_cast<uint32_t>(row.length_or_min);
    default:
        return 0;
    }
}

int sprom_image_size(const sprom_field_def *layout)
{
    uint32_t largest = 0;
    uint32_t width = 0;
    for (const sprom_field_def *row = layout; row->type != SPROM_TYPE_END; ++row) {
        if (row->offset > largest) {
            largest = row->offset;
            width = sprom_size_width(row->type, row->length_or_min);
        }
    }
    return static_cast<int>(largest + width + kSizeTail);
}

int sprom_key_for_kind(int kind)
{
    switch (kind) {
    case IDPROM_KIND_FAN_TRAY:
        return SPROM_KEY_FAN_TRAY;
    case IDPROM_KIND_POWER_MODULE:
        return SPROM_KEY_POWER_MODULE;
    default:
        return SPROM_KEY_BOARD;
    }
}

} // namespace boardprom

extern "C" {

BOARDPROM_EXPORT sprom_field_def *idprom_find_sprom_format(int key)
{
    const sprom_format_entry *e = boardprom::find_entry(key);
    return e == nullptr ? nullptr : e->layout;
}

BOARDPROM_EXPORT int idprom_find_sprom_endian(int key)
{
    const sprom_format_entry *e = boardprom::find_entry(key);
    return e == nullptr ? SPROM_ENDIAN_NONE : e->endian;
}

BOARDPROM_EXPORT int idprom_get_sprom_format(int kind, sprom_field_def **layout, int *endian,
                                             int *size, int /*reserved*/)
{
    *layout = nullptr;
    const int key = boardprom::sprom_key_for_kind(kind);
    *layout = idprom_find_sprom_format(key);
    *endian = idprom_find_sprom_endian(key);
    if (*layout == nullptr) {
        std::puts(boardprom::kNoFormat);
        return SPROM_RC_NO_FORMAT;
    }
    *size = 0;
    *size = boardprom::sprom_image_size(*layout);
    return 0;
}

} // extern "C"
