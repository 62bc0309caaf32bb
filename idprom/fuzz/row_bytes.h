// Bytes of the image a layout row reads or writes, written out here
// rather than taken from the library, so that the fuzz targets check the
// library against their own reading of the row types; 0 for block headers
// and rows outside any field.
#pragma once

#include "boardprom.h"

#include <cstdint>

inline uint32_t fuzz_row_bytes(const sprom_field_def &row)
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
    default:
        return 0;
    }
}
