// Hexadecimal codecs: digit pairing, right alignment of odd digit counts,
// separators, the 0x prefix, the longest line, and the fixed widths.
#include "boardprom.h"
#include "codecs.h"

#include "ops_console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using boardprom_test::Console;

struct HexCase {
    const char *line;
    int result;
    std::vector<uint8_t> bytes;
    bool complains;
};

class HexLine : public testing::TestWithParam<HexCase>
{
};

TEST_P(HexLine, DecodesAsDocumented)
{
    const HexCase &c = GetParam();
    std::vector<uint8_t> out(1024, 0xEE);
    Console console(std::string(c.line) + "\n");
    EXPECT_EQ(sprom_get_hex(out.data()), c.result);
    EXPECT_EQ(console.output(), c.complains ? "Invalid character!!!\n" : "");
    for (size_t i = 0; i < c.bytes.size(); ++i)
        EXPECT_EQ(out[i], c.bytes[i]) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, HexLine,
    testing::Values(HexCase{"0xABcd", 2, {0xAB, 0xCD}, false},
                    HexCase{" 1:23", 2, {0x01, 0x23}, false},
                    HexCase{"abc", 2, {0x0A, 0xBC}, false}, HexCase{"1 23", 2, {0x01, 0x23}, false},
                    HexCase{"12345", 3, {0x01, 0x23, 0x45}, false},
                    HexCase{"12 3 ", 2, {0x01, 0x23}, false}, HexCase{"0X7", 1, {0x07}, false},
                    HexCase{"00:11:22:aa:bb:cc", 6, {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC}, false},
                    HexCase{"0x", -1, {}, true}, HexCase{"g1", -1, {}, true},
                    HexCase{"12zz", -1, {0x12}, true}, HexCase{"", 0, {}, false}));

TEST(HexCodec, EndOfInputIsUnacceptable)
{
    uint8_t out[1024];
    Console console("");
    EXPECT_EQ(sprom_get_hex(out), -1);
}

TEST(HexCodec, LongestLineFillsExactly1024Bytes)
{
    // 2047 digits: 1023 pairs and a half byte, shifted right as one number.
    std::string line(2047, 'f');
    line[0] = '1';
    std::vector<uint8_t> out(1025, 0xEE);
    Console console(line + "\n");
    EXPECT_EQ(sprom_get_hex(out.data()), 1024);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(out[1023], 0xFF);
    EXPECT_EQ(out[1024], 0xEE);
}

TEST(HexCodec, LongerLineIsCutAtTheBufferAndTheRestReadNext)
{
    std::string line(2047, '0');
    line += "ab\n";
    std::vector<uint8_t> out(1024);
    Console console(line);
    EXPECT_EQ(sprom_get_hex(out.data()), 1024);
    EXPECT_EQ(sprom_get_hex(out.data()), 1);
    EXPECT_EQ(out[0], 0xAB);
}

TEST(HexCodec, DigitValues)
{
    EXPECT_EQ(atoh('0'), 0);
    EXPECT_EQ(atoh('9'), 9);
    EXPECT_EQ(atoh('a'), 10);
    EXPECT_EQ(atoh('F'), 15);
    EXPECT_EQ(atoh('g'), 0);
    EXPECT_EQ(atoh(0x100 + 'b'), 11); // only the low 8 bits count
}

TEST(FixedHex, OneByte)
{
    uint8_t v = 0x55;
    {
        Console console("123\n");
        EXPECT_EQ(sprom_get_hex1(&v), -1);
        EXPECT_EQ(console.output(),
                  "The input should be less than two digit hexadecimal (one byte).\n");
    }
    EXPECT_EQ(v, 0x55);
    Console console("\n7f\n");
    EXPECT_EQ(sprom_get_hex1(&v), 0);
    EXPECT_EQ(v, 0x55);
    EXPECT_EQ(sprom_get_hex1(&v), 1);
    EXPECT_EQ(v, 0x7F);
}

TEST(FixedHex, TwoFourAndEightBytes)
{
    uint16_t v2 = 0xFFFF;
    uint32_t v4 = 0;
    uint64_t v8 = 0;
    Console console("7\n1234\n12345\n0x0102030405060708\n\n");
    EXPECT_EQ(sprom_get_hex2(&v2), 1);
    EXPECT_EQ(v2, 7);
    EXPECT_EQ(sprom_get_hex2(&v2), 2);
    EXPECT_EQ(v2, 0x1234);
    EXPECT_EQ(sprom_get_hex4(&v4), 3);
    EXPECT_EQ(v4, 0x012345u);
    EXPECT_EQ(sprom_get_hex8(&v8), 8);
    EXPECT_EQ(v8, 0x0102030405060708ull);
    v2 = 9;
    EXPECT_EQ(sprom_get_hex2(&v2), 0);
    EXPECT_EQ(v2, 0); // cleared before decoding
}

TEST(FixedHex, TooWideLinesSayHowWide)
{
    uint16_t v2 = 0;
    uint32_t v4 = 0;
    uint64_t v8 = 0;
    Console console("12345\n123456789\n12345678901234567\n");
    EXPECT_EQ(sprom_get_hex2(&v2), -1);
    EXPECT_EQ(sprom_get_hex4(&v4), -1);
    EXPECT_EQ(sprom_get_hex8(&v8), -1);
    EXPECT_EQ(console.output(),
              "The input should be less than four digit hexadecimal (two byte).\n"
              "The input should be less than eight digit hexadecimal (two byte).\n"
              "The input should be less than 16 digit hexadecimal (eight byte).\n");
}

} // namespace
