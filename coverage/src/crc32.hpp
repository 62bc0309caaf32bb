// CRC-32 over the data-file names of the registered objects: polynomial
// 0x04C11DB7, most significant bit first, not reflected, no final inversion,
// continued from the caller's running value.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "settings.hpp"

namespace covdump
{

namespace detail
{
constexpr std::array<std::uint32_t, 256> make_crc_table()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        std::uint32_t crc = b << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000U) != 0 ? (crc << 1) ^ settings::kCrcPolynomial : crc << 1;
        }
        table[b] = crc;
    }
    return table;
}
inline constexpr auto kCrcTable = make_crc_table();
} // namespace detail

// Continues `crc` over `bytes`.
constexpr std::uint32_t crc32_continue(std::uint32_t crc, std::string_view bytes)
{
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        crc = (crc << 8) ^ detail::kCrcTable[((crc >> 24) ^ b) & 0xFFU];
    }
    return crc;
}

} // namespace covdump
