// The chassis type from the platform's chassis-type file, and the power-
// module numbering it implies.  Pure functions over a stream and numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace boardprom
{

enum class ChassisRead { Ok, NotOpened, NotParsed, NotChassis };

// Reads "word 0xNUMBER" from `file` (null when it could not be opened); the
// word must contain "chassis".
ChassisRead read_chassis_type(std::FILE *file, uint32_t *type);

// Module number k as the chassis type renumbers it.
int renumber_power_module(uint32_t chassis_type, int k);

// Slot of a renumbered module: 0 and 1 swap, 2 and 3, ...
inline constexpr unsigned power_module_slot(unsigned k)
{
    return k ^ 1u;
}

} // namespace boardprom
