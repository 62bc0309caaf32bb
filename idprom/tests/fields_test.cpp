// Field handlers: the display of every row type in both byte orders, the
// range warning, and the store/keep/invalid/too-long outcomes.
#include "fields.h"
#include "layouts.h"

#include "ops_console.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace
{

using boardprom::FieldOutcome;
using boardprom::sprom_visit_field;
using boardprom_test::Console;

struct Field {
    sprom_field_def row;
    std::array<uint8_t, 64> image{};
    std::array<uint8_t, boardprom::kRowBufferSize> rowbuf{};

    Field(uint32_t type, int32_t len_or_min, int32_t max) : row{"F", type, 8, len_or_min, max} {}

    uint8_t *at()
    {
        return image.data() + row.offset;
    }
    std::string show(int endian)
    {
        Console console;
        EXPECT_EQ(sprom_visit_field(&row, image.data(), endian, false, " : ", "\n", rowbuf.data()),
                  FieldOutcome::Shown);
        return console.output();
    }
    FieldOutcome program(const std::string &input, int endian = 0, std::string *out = nullptr)
    {
        Console console(input);
        FieldOutcome o =
            sprom_visit_field(&row, image.data(), endian, true, " [", "] : ", rowbuf.data());
        if (out != nullptr)
            *out = console.output();
        return o;
    }
};

struct ShowCase {
    const char *label;
    uint32_t type;
    int32_t min;
    int32_t max;
    std::array<uint8_t, 16> bytes;
    const char *big;    // shown with byte order 0
    const char *little; // shown with byte order 1
};

class FieldShow : public testing::TestWithParam<ShowCase>
{
};

TEST_P(FieldShow, ValueInBothByteOrders)
{
    const ShowCase &c = GetParam();
    Field f(c.type, c.min, c.max);
    std::memcpy(f.at(), c.bytes.data(), c.bytes.size());
    EXPECT_EQ(f.show(0), std::string("F : ") + c.big + "\n");
    EXPECT_EQ(f.show(1), std::string("F : ") + c.little + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, FieldShow,
    testing::Values(
        ShowCase{"Hex", SPROM_TYPE_HEX, 3, 0, {0x00, 0xAB, 0x0C}, "00 ab 0c", "00 ab 0c"},
        ShowCase{"SignedDec8", SPROM_TYPE_SIGNED_DEC8, -128, 127, {0xFB}, "-5", "-5"},
        ShowCase{"Hex1", SPROM_TYPE_HEX1, 0, 255, {0x0A}, "0x0a", "0x0a"},
        ShowCase{"DecU8", SPROM_TYPE_DEC_U8, 0, 255, {200}, "200", "200"},
        ShowCase{"SignedDec16", SPROM_TYPE_SIGNED_DEC16, 0, 0, {0xFF, 0xFE}, "-2", "-257"},
        ShowCase{"Hex2", SPROM_TYPE_HEX2, 0, 65535, {0x12, 0x34}, "0x1234", "0x3412"},
        ShowCase{"DecU16", SPROM_TYPE_DEC_U16, 0, 65535, {0x01, 0x02}, "258", "513"},
        ShowCase{"Hex4", SPROM_TYPE_HEX4, 0, -1, {1, 2, 3, 4}, "0x01020304", "0x04030201"},
        ShowCase{"DecU32", SPROM_TYPE_DEC_U32, 0, -1, {0, 1, 0, 0}, "65536", "256"},
        ShowCase{"DecU32HighBit", SPROM_TYPE_DEC_U32, 0, -1, {0x80, 0, 0, 0}, "-2147483648", "128"},
        ShowCase{"DotDec",
                 SPROM_TYPE_DOT_DEC,
                 16,
                 0,
                 {0, 1, 0, 3, 0, 6, 0, 1},
                 "1.3.6.1",
                 "256.768.1536.256"},
        ShowCase{"DotDecLeadingZero", SPROM_TYPE_DOT_DEC, 16, 0, {0, 0, 0, 5}, "0.5", "0.1280"},
        ShowCase{
            "DotDecAllZero", SPROM_TYPE_DOT_DEC, 16, 0, {}, "0.0.0.0.0.0.0.0", "0.0.0.0.0.0.0.0"},
        ShowCase{"DashDec",
                 SPROM_TYPE_DASH_DEC,
                 4,
                 0,
                 {10, 20, 30, 255},
                 "10-20-30-255",
                 "10-20-30-255"},
        ShowCase{"HypenDec", SPROM_TYPE_HYPEN_DEC, 16, 0, {1, 2, 0, 0, 3, 4}, "1-2", "2-1"},
        ShowCase{
            "HypenDecTwoPairs", SPROM_TYPE_HYPEN_DEC, 16, 0, {1, 2, 3, 4}, "1-2;3-4", "2-1;4-3"},
        ShowCase{"HypenDecAllZero", SPROM_TYPE_HYPEN_DEC, 16, 0, {}, "0-0", "0-0"},
        ShowCase{"Hex8",
                 SPROM_TYPE_HEX8,
                 0,
                 0,
                 {1, 2, 3, 4, 5, 6, 7, 8},
                 "0x0102030405060708",
                 "0x0807060504030201"},
        ShowCase{"TempRange", SPROM_TYPE_TEMP_RANGE, 2, 0, {0xFB, 0x28}, "-5/40", "-5/40"}),
    [](const testing::TestParamInfo<ShowCase> &info) { return info.param.label; });

TEST(FieldShow, TextIsWrittenRawWithItsNulBytes)
{
    Field f(SPROM_TYPE_TEXT, 4, 0);
    std::memcpy(f.at(), "AB\0C", 4);
    EXPECT_EQ(f.show(0), std::string("F : AB\0C\n", 9));
}

TEST(FieldShow, NameIsBoundedByItsColumn)
{
    Field f(SPROM_TYPE_DEC_U8, 0, 255);
    std::memset(f.row.name, 'N', sizeof f.row.name); // no terminator
    EXPECT_EQ(f.show(0), std::string(64, 'N') + " : 0\n");
}

TEST(FieldShow, RangeWarningStandsBeforeTheValue)
{
    Field f(SPROM_TYPE_DEC_U8, 0, 5);
    f.at()[0] = 9;
    EXPECT_EQ(f.show(0), "F : [WARNING: Value not in range (0x0, 0x5)!]9\n");
    Field g(SPROM_TYPE_HEX2, 0x10, 0x20);
    EXPECT_EQ(g.show(0), "F : [WARNING: Value not in range (0x10, 0x20)!]0x0000\n");
    Field s(SPROM_TYPE_SIGNED_DEC16, 0, 5); // signed rows never warn
    s.at()[1] = 9;
    EXPECT_EQ(s.show(0), "F : 9\n");
}

TEST(FieldProgram, ShowsTheCurrentValueInBrackets)
{
    Field f(SPROM_TYPE_DEC_U16, 0, 65535);
    f.at()[1] = 7;
    std::string out;
    EXPECT_EQ(f.program("300\n", 0, &out), FieldOutcome::Store);
    EXPECT_EQ(out, "F [7] : ");
    EXPECT_EQ(f.at()[0], 0x01);
    EXPECT_EQ(f.at()[1], 0x2C);
    EXPECT_EQ(f.program("300\n", 1), FieldOutcome::Store);
    EXPECT_EQ(f.at()[0], 0x2C);
    EXPECT_EQ(f.at()[1], 0x01);
}

TEST(FieldProgram, TextIsPaddedWithNulAndRefusedWhenTooLong)
{
    Field f(SPROM_TYPE_TEXT, 4, 0);
    std::memcpy(f.at(), "WXYZ", 4);
    EXPECT_EQ(f.program("\n"), FieldOutcome::Keep);
    EXPECT_EQ(0, std::memcmp(f.at(), "WXYZ", 4));
    EXPECT_EQ(f.program("abcde\n"), FieldOutcome::TooLong);
    EXPECT_EQ(f.program("ab\n"), FieldOutcome::Store);
    EXPECT_EQ(0, std::memcmp(f.at(), "ab\0\0", 4));
    f.at()[4] = 0x55;
    EXPECT_EQ(f.program("abcd\n"), FieldOutcome::Store);
    EXPECT_EQ(0, std::memcmp(f.at(), "abcd", 4));
    EXPECT_EQ(f.at()[4], 0x55); // no terminator past the width
    EXPECT_EQ(f.program(""), FieldOutcome::Invalid);
}

TEST(FieldProgram, HexStoresTheWidthAndClearsTheRest)
{
    Field f(SPROM_TYPE_HEX, 4, 0);
    f.at()[4] = 0x55;
    EXPECT_EQ(f.program("aabbccddeeff\n"), FieldOutcome::Store);
    EXPECT_EQ(f.at()[3], 0xDD);
    EXPECT_EQ(f.at()[4], 0x55);
    EXPECT_EQ(f.program("1\n"), FieldOutcome::Store);
    EXPECT_EQ(f.at()[0], 0x01);
    EXPECT_EQ(f.at()[1], 0x00);
    EXPECT_EQ(f.program("zz\n"), FieldOutcome::Invalid);
    EXPECT_EQ(f.program("\n"), FieldOutcome::Keep);
}

TEST(FieldProgram, SignedEightBitRange)
{
    Field f(SPROM_TYPE_SIGNED_DEC8, -128, 127);
    EXPECT_EQ(f.program("128\n"), FieldOutcome::Invalid);
    EXPECT_EQ(f.program("-128\n"), FieldOutcome::Store);
    EXPECT_EQ(f.at()[0], 0x80);
    EXPECT_EQ(f.program("\n"), FieldOutcome::Keep);
    Field g(SPROM_TYPE_SIGNED_DEC16, 0, 0);
    EXPECT_EQ(g.program("-2\n", 1), FieldOutcome::Store);
    EXPECT_EQ(g.at()[0], 0xFE);
    EXPECT_EQ(g.at()[1], 0xFF);
}

TEST(FieldProgram, NumbersOutsideTheRowRangeAreStoredAnyway)
{
    Field f(SPROM_TYPE_DEC_U8, 0, 5);
    EXPECT_EQ(f.program("9\n"), FieldOutcome::Store);
    EXPECT_EQ(f.at()[0], 9);
    Field h(SPROM_TYPE_HEX4, 0, 0);
    EXPECT_EQ(h.program("deadbeef\n", 1), FieldOutcome::Store);
    EXPECT_EQ(h.at()[0], 0xEF);
    Field d(SPROM_TYPE_DEC_U32, 0, 0);
    EXPECT_EQ(d.program("70000\n"), FieldOutcome::Store);
    EXPECT_EQ(d.at()[1], 0x01);
    Field x(SPROM_TYPE_HEX8, 0, 0);
    EXPECT_EQ(x.program("1\n", 0), FieldOutcome::Store);
    EXPECT_EQ(x.at()[7], 1);
    Field b(SPROM_TYPE_HEX1, 0, 255);
    EXPECT_EQ(b.program("0x1ff\n"), FieldOutcome::Invalid);
}

TEST(FieldProgram, ComponentTypesStoreEveryByte)
{
    Field d(SPROM_TYPE_DOT_DEC, 16, 0);
    d.image.fill(0x77);
    EXPECT_EQ(d.program("1.3\n"), FieldOutcome::Store);
    const uint8_t dot[16] = {0, 1, 0, 3};
    EXPECT_EQ(0, std::memcmp(d.at(), dot, 16));
    Field p(SPROM_TYPE_HYPEN_DEC, 16, 0);
    p.image.fill(0x77);
    EXPECT_EQ(p.program("1-2;3-4\n", 1), FieldOutcome::Store);
    const uint8_t pairs[16] = {2, 1, 4, 3};
    EXPECT_EQ(0, std::memcmp(p.at(), pairs, 16));
    Field a(SPROM_TYPE_DASH_DEC, 4, 0);
    EXPECT_EQ(a.program("1-2-3-4\n"), FieldOutcome::Store);
    EXPECT_EQ(a.at()[3], 4);
    EXPECT_EQ(a.program("1-2-3\n"), FieldOutcome::Invalid);
    Field t(SPROM_TYPE_TEMP_RANGE, 2, 0);
    EXPECT_EQ(t.program("-5/40\n"), FieldOutcome::Store);
    EXPECT_EQ(t.at()[0], 0xFB);
    EXPECT_EQ(t.program("40\n"), FieldOutcome::Invalid);
}

TEST(FieldProgram, OnlyTheFieldTypesHaveHandlers)
{
    for (uint32_t t = 0; t <= 14; ++t)
        EXPECT_TRUE(boardprom::sprom_is_field_type(t)) << t;
    for (uint32_t t : {15u, 16u, 17u, 18u, 19u, 20u})
        EXPECT_FALSE(boardprom::sprom_is_field_type(t)) << t;
}

} // namespace
