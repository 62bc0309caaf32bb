// The block checksum's excluded bytes and multi-byte values in both byte
// orders.
#include "layouts.h"

#include <gtest/gtest.h>

#include <array>

namespace
{

using namespace boardprom;

TEST(Checksum, LeavesOutExactlyTheTwoChecksumBytes)
{
    std::array<uint8_t, 270> image{};
    image.fill(1);
    // Common Block: bytes 0-3 and 6-159 (158 bytes of 1).
    EXPECT_EQ(sprom_block_checksum(image.data(), 0, 160, 4), 158);
    // LC Block: bytes 160-163 and 166-262.
    EXPECT_EQ(sprom_block_checksum(image.data(), 160, 103, 164), 101);
    image[4] = 0xFF;
    image[5] = 0xFF;
    image[3] = 3;
    image[6] = 5;
    EXPECT_EQ(sprom_block_checksum(image.data(), 0, 160, 4), 158 + 2 + 4);
}

TEST(Checksum, SumWrapsModulo65536)
{
    std::array<uint8_t, 600> image{};
    image.fill(0xFF);
    EXPECT_EQ(sprom_block_checksum(image.data(), 0, 600, 0), (598u * 255u) & 0xFFFFu);
}

TEST(ByteOrder, LoadsAndStoresInTheLayoutsOrder)
{
    uint8_t b[8] = {};
    sprom_store16(b, 0x1234, 0);
    EXPECT_EQ(b[0], 0x12);
    EXPECT_EQ(b[1], 0x34);
    EXPECT_EQ(sprom_load16(b, 0), 0x1234);
    EXPECT_EQ(sprom_load16(b, 1), 0x3412);
    sprom_store32(b, 0x11223344, 1);
    EXPECT_EQ(b[0], 0x44);
    EXPECT_EQ(b[3], 0x11);
    EXPECT_EQ(sprom_load32(b, 1), 0x11223344u);
    sprom_store64(b, 0x0102030405060708ull, 0);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[7], 8);
    EXPECT_EQ(sprom_load64(b, 1), 0x0807060504030201ull);
}

} // namespace
