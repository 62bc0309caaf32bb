// Which descriptor layout an object uses. The compiler writes its version
// into the descriptor as four characters, most significant first: the GCC 4
// series as major digit, minor tens, minor units and phase ("402*"), later
// compilers as 'A' + major / 10, major % 10, minor and phase (GCC 12.2 is
// "B22*").
#pragma once

#include <cstdint>

#include "covdump.h"

namespace covdump
{

enum class Layout {
    gcc4,
    gcc12,
    unsupported,
};

constexpr Layout layout_of_version(std::uint32_t version)
{
    const std::uint32_t first = version >> 24;
    const std::uint32_t second = (version >> 16) & 0xFFU;
    if (first == '4') {
        return Layout::gcc4;
    }
    if (first == 'B' && second == '2') {
        return Layout::gcc12;
    }
    return Layout::unsupported;
}

static_assert(layout_of_version(0x3430322A) == Layout::gcc4);        // "402*"
static_assert(layout_of_version(0x4232322A) == Layout::gcc12);       // "B22*"
static_assert(layout_of_version(0x4233312A) == Layout::unsupported); // "B31*"

// A registered GCC 4 descriptor reads version 0, a registered GCC 12
// descriptor keeps its version; anything else found in the registry is read
// in the GCC 4 layout, as the registry always did.
inline bool is_gcc12(const gcov_object_desc &obj)
{
    return layout_of_version(obj.version) == Layout::gcc12;
}

inline const gcov12_object_desc &as_gcc12(const gcov_object_desc &obj)
{
    return *reinterpret_cast<const gcov12_object_desc *>(&obj);
}

// The data file name lies elsewhere in each layout (on 32-bit targets).
inline const char *filename_of(const gcov_object_desc &obj)
{
    return is_gcc12(obj) ? as_gcc12(obj).filename : obj.filename;
}

} // namespace covdump
