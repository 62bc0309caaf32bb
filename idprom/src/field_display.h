// How a field's current bytes are shown: the part of a row's line between
// the walk's prefix and suffix.
#pragma once

#include "boardprom.h"

#include <cstdint>
#include <cstdio>

namespace boardprom
{

inline constexpr const char *kRangeWarning = "[WARNING: Value not in range (0x%x, 0x%x)!]";

// Prints the value of a field row (types 0 to 14) and the suffix to `out`.
void sprom_show_field(const sprom_field_def *row, const uint8_t *image, int endian,
                      const char *suffix, std::FILE *out);

// False when a bounded numeric row (types 3, 4, 6 to 9) holds a value
// outside its range, the case in which the display warns; true otherwise.
bool sprom_field_in_range(const sprom_field_def *row, const uint8_t *image, int endian);

} // namespace boardprom
