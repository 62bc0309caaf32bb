// PROM images with known field values for the show and program tests, and
// an independent block checksum to judge the library's.
#pragma once

#include "boardprom.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace boardprom_test
{

inline constexpr size_t kBoardImageSize = 270;
inline constexpr size_t kFanImageSize = 226;
inline constexpr size_t kPsuImageSize = 202;

using Image = std::array<uint8_t, 8192>;

// A number of `width` bytes in the given byte order (0 big-endian).
inline void put(Image &img, size_t offset, unsigned width, uint64_t value, int endian = 0)
{
    for (unsigned i = 0; i < width; ++i) {
        const auto byte = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
        img[offset + (endian == 1 ? width - 1 - i : i)] = byte;
    }
}

inline uint64_t get(const Image &img, size_t offset, unsigned width, int endian = 0)
{
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value = (value << 8) | img[offset + (endian == 1 ? width - 1 - i : i)];
    return value;
}

inline void put_text(Image &img, size_t offset, size_t width, std::string_view text)
{
    for (size_t i = 0; i < width; ++i)
        img[offset + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
}

// Text as a text row shows it: every byte of the field, NULs included.
inline std::string padded(std::string_view text, size_t width)
{
    std::string s(text);
    s.resize(width, '\0');
    return s;
}

// Sum of the block's bytes except the two at `at`, modulo 65536.
inline uint16_t block_sum(const Image &img, size_t start, size_t length, size_t at)
{
    uint32_t sum = 0;
    for (size_t i = start; i < start + length; ++i) {
        if (i != at && i != at + 1)
            sum += img[i];
    }
    return static_cast<uint16_t>(sum);
}

// Writes the right checksum into every checksummed block of `layout`.
inline void fix_checksums(Image &img, const sprom_field_def *layout, int endian = 0)
{
    size_t start = 0, length = 0;
    for (size_t i = 0; layout[i].type != SPROM_TYPE_END; ++i) {
        if (layout[i].type == SPROM_TYPE_BLOCK) {
            start = layout[i].offset;
            length = static_cast<uint32_t>(layout[i].length_or_min);
        } else if (layout[i].type == SPROM_TYPE_CHECKSUM) {
            put(img, layout[i].offset, 2, 0, endian);
            put(img, layout[i].offset, 2, block_sum(img, start, length, layout[i].offset), endian);
        }
    }
}

// The Common Block shared by all three layouts.
inline void fill_common(Image &img, std::string_view product, uint16_t size, uint16_t blocks)
{
    put(img, 0, 2, 0xABCD);
    put(img, 2, 1, 1);
    put(img, 3, 1, 160);
    put(img, 6, 2, size);
    put(img, 8, 2, blocks);
    put(img, 10, 2, 0x00F2);
    put(img, 12, 2, 0x0007);
    put_text(img, 14, 20, "EXAMPLE CORP");
    put_text(img, 34, 20, product);
    put_text(img, 54, 20, "SN0001");
    put_text(img, 74, 16, "73-0001-01");
    put_text(img, 90, 4, "A0");
    put(img, 114, 2, 1);
    put(img, 116, 2, 2);
    put(img, 118, 2, 0x0010);
    put(img, 120, 2, 0x0020);
    const uint16_t oid[] = {1, 3, 6, 1};
    for (size_t i = 0; i < 4; ++i)
        put(img, 122 + 2 * i, 2, oid[i]);
    put(img, 138, 2, static_cast<uint16_t>(-5));
    const uint8_t rma[] = {1, 2, 3, 4};
    for (size_t i = 0; i < 4; ++i)
        img[140 + i] = rma[i];
    put_text(img, 144, 12, "CLEI0001");
    put_text(img, 156, 4, "V01");
}

inline Image fan_tray_image()
{
    Image img{};
    fill_common(img, "FAN-TRAY-2", kFanImageSize, 3);
    put(img, 160, 2, 0x4654);
    put(img, 162, 1, 1);
    put(img, 163, 1, 32);
    put(img, 166, 8, 0x11);
    put(img, 174, 8, 0x22);
    put(img, 182, 2, 7);
    put(img, 184, 2, 300);
    put(img, 186, 1, 40);
    put(img, 187, 1, 0xFF);
    put(img, 188, 2, static_cast<uint16_t>(-12));
    put(img, 190, 2, 500);
    put(img, 192, 2, 0x534E);
    put(img, 194, 1, 1);
    put(img, 195, 1, 28);
    put_text(img, 198, 20, "FT-SERIAL-9");
    fix_checksums(img, sprom_info_Miravel16);
    return img;
}

inline Image power_module_image()
{
    Image img{};
    fill_common(img, "PSU-3KW", kPsuImageSize, 2);
    put(img, 160, 2, 0x5053);
    put(img, 162, 1, 2);
    put(img, 163, 1, 36);
    put(img, 166, 8, 0x33);
    const uint16_t rest[] = {
        110, 220, 9, 1, static_cast<uint16_t>(-2), 3, static_cast<uint16_t>(-4), 10, 20, 30, 40};
    for (size_t i = 0; i < 11; ++i)
        put(img, 174 + 2 * i, 2, rest[i]);
    fix_checksums(img, sprom_info_Ostrand);
    return img;
}

inline Image board_image()
{
    Image img{};
    fill_common(img, "LC-48X", kBoardImageSize, 2);
    put(img, 160, 2, 0x4C43);
    put(img, 162, 1, 1);
    put(img, 163, 1, 103);
    put(img, 166, 8, 0x44);
    put(img, 174, 8, 0x55);
    put(img, 182, 2, 27065);
    const uint8_t mac[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    for (size_t i = 0; i < 6; ++i)
        img[184 + i] = mac[i];
    put(img, 190, 2, 64);
    put(img, 192, 1, 0x0F);
    put(img, 193, 1, 3);
    put(img, 224, 2, 0x0102);
    put(img, 226, 2, 0x0304);
    put(img, 240, 2, 512);
    for (size_t i = 0; i < 8; ++i) {
        img[242 + 2 * i] = 0xFB;
        img[243 + 2 * i] = 0x28;
    }
    put(img, 258, 2, 150);
    put(img, 260, 2, 20);
    put(img, 262, 1, 35);
    fix_checksums(img, sprom_info_cpu_Calderi);
    return img;
}

} // namespace boardprom_test
