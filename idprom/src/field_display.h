// How a field's current bytes are shown: the part of a row's line between
// the walk's prefix and suffix.
#pragma once

#include "boardprom.h"

#include <cstdint>

namespace boardprom
{

inline constexpr const char *kRangeWarning = "[WARNING: Value not in range (0x%x, 0x%x)!]";

// Prints the value of a field row (types 0 to 14) and the suffix.
void sprom_show_field(const sprom_field_def *row, const uint8_t *image, int endian,
                      const char *suffix);

} // namespace boardprom
