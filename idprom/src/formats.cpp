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
