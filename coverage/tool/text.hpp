// Small formatting helpers shared by the commands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace covtool
{

inline std::string hex32(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", v);
    return text;
}

} // namespace covtool
