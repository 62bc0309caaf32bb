// A layout with a row of every type, and an image for it in either byte
// order, shared by the show and program walk tests.
#pragma once

#include "ops_images.h"

namespace boardprom_test
{

inline sprom_field_def all_types_layout[] = {
    {"Block # 1 - All", SPROM_TYPE_BLOCK, 0, 72, 0},
    {"TXT", SPROM_TYPE_TEXT, 0, 4, 0},
    {"HX", SPROM_TYPE_HEX, 4, 3, 0},
    {"S8", SPROM_TYPE_SIGNED_DEC8, 7, -128, 127},
    {"H1", SPROM_TYPE_HEX1, 8, 0, 255},
    {"U8", SPROM_TYPE_DEC_U8, 9, 0, 5},
    {"S16", SPROM_TYPE_SIGNED_DEC16, 10, -32768, 32767},
    {"H2", SPROM_TYPE_HEX2, 12, 0, 65535},
    {"U16", SPROM_TYPE_DEC_U16, 14, 0, 65535},
    {"H4", SPROM_TYPE_HEX4, 16, 0, -1},
    {"U32", SPROM_TYPE_DEC_U32, 20, 0, -1},
    {"CKS", SPROM_TYPE_CHECKSUM, 24, 2, 0},
    {"DOT", SPROM_TYPE_DOT_DEC, 26, 16, 0},
    {"DASH", SPROM_TYPE_DASH_DEC, 42, 4, 0},
    {"HYP", SPROM_TYPE_HYPEN_DEC, 46, 16, 0},
    {"H8", SPROM_TYPE_HEX8, 62, 0, 0},
    {"TR", SPROM_TYPE_TEMP_RANGE, 70, 2, 0},
    {"SKIPPED", SPROM_TYPE_SKIP, 0, 0, 0},
    {"Block # 2 - Pad", SPROM_TYPE_BLOCK, 72, 8, 0},
    {"CK2", SPROM_TYPE_CHECKSUM, 72, 2, 0},
    {"S8B", SPROM_TYPE_SIGNED_DEC8, 74, -128, 127},
    {"PAD", SPROM_TYPE_PADDING, 75, 5, 0},
    {"", SPROM_TYPE_END, 0, 0, 0},
};

// Field prompts of one program-mode walk over all_types_layout.
inline constexpr size_t kAllTypesPrompts = 16;

inline Image all_types_image(int endian)
{
    Image img{};
    put_text(img, 0, 4, "AB");
    img[4] = 0x01;
    img[5] = 0xAB;
    img[6] = 0xFF;
    img[7] = 0xFE;
    img[8] = 0x0F;
    img[9] = 9;
    put(img, 10, 2, static_cast<uint16_t>(-5), endian);
    put(img, 12, 2, 0x1234, endian);
    put(img, 14, 2, 258, endian);
    put(img, 16, 4, 0xDEADBEEF, endian);
    put(img, 20, 4, 70000, endian);
    const uint16_t oid[] = {1, 3, 6, 1};
    for (size_t i = 0; i < 4; ++i)
        put(img, 26 + 2 * i, 2, oid[i], endian);
    const uint8_t dash[] = {10, 20, 30, 40};
    for (size_t i = 0; i < 4; ++i)
        img[42 + i] = dash[i];
    put(img, 46, 2, 0x0102, endian);
    put(img, 50, 2, 0x0304, endian);
    put(img, 62, 8, 0x0102030405060708ULL, endian);
    img[70] = 0xFB;
    img[71] = 0x28;
    img[74] = 7;
    for (size_t i = 75; i < 80; ++i)
        img[i] = 0xEE;
    fix_checksums(img, all_types_layout, endian);
    return img;
}

} // namespace boardprom_test
