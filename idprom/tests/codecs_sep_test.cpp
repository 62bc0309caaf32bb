// Separated-decimal codecs: dotted decimal with the component-width table,
// four dash-joined bytes, byte pairs; digit, component and pair limits.
#include "boardprom.h"
#include "codecs.h"

#include "ops_console.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace
{

using boardprom::parse_dash_dec;
using boardprom::parse_dot_dec;
using boardprom::parse_hypen_dec;
using boardprom_test::Console;

constexpr int32_t kInitialWidths[16] = {2, 0, 2, 0, 2, 0, 2, 0, 2, 0, 2, 0, 2, 0, 2, 0};

int dot(const std::string &line, std::array<uint16_t, 17> &cells, int endian = 0,
        const int32_t *widths = kInitialWidths)
{
    return parse_dot_dec(line.c_str(), static_cast<int>(line.size()), endian, widths, cells.data());
}

TEST(DotDec, ComponentsFillCellsHighByteFirst)
{
    std::array<uint16_t, 17> cells{};
    EXPECT_EQ(dot("1.3.6.1", cells), 8);
    const std::array<uint16_t, 8> expected = {0, 1, 0, 3, 0, 6, 0, 1};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(cells[k], expected[k]) << k;
}

TEST(DotDec, LittleEndianSwapsEachComponentsBytes)
{
    std::array<uint16_t, 17> cells{};
    EXPECT_EQ(dot("258.1", cells, 1), 8);
    EXPECT_EQ(cells[0], 0x02);
    EXPECT_EQ(cells[1], 0x01);
    EXPECT_EQ(cells[2], 0x01);
    EXPECT_EQ(cells[3], 0x00);
}

TEST(DotDec, UnacceptableLines)
{
    std::array<uint16_t, 17> cells{};
    EXPECT_EQ(dot("1.2.3.4.5.6.7.8.9", cells), -1); // nine components
    EXPECT_EQ(dot("70000", cells), -1);
    EXPECT_EQ(dot("1,2", cells), -1);
    EXPECT_EQ(dot(std::string(65, '1'), cells), -1); // 65 digits
    EXPECT_EQ(cells[16], 0);
}

TEST(DotDec, BoundaryLinesAreAccepted)
{
    std::array<uint16_t, 17> cells{};
    EXPECT_EQ(dot("1.2.3.4.5.6.7.65535", cells), 8);
    EXPECT_EQ(cells[14], 0xFF);
    EXPECT_EQ(cells[15], 0xFF);
    EXPECT_EQ(dot(std::string(63, '0') + "9", cells), 8); // 64 digits
    EXPECT_EQ(cells[1], 9);
    EXPECT_EQ(dot("1 2. 3", cells), 8); // blanks do not end a component
    EXPECT_EQ(cells[1], 12);
    EXPECT_EQ(cells[3], 3);
}

TEST(DotDec, RewrittenWidthsNeverReachBeyondTheField)
{
    // One-byte components, and a two-byte one that would start at byte 15.
    int32_t widths[16];
    for (int32_t &w : widths)
        w = 1;
    widths[15] = 2;
    std::array<uint16_t, 17> cells{};
    cells[16] = 0xBEEF;
    std::string fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen += std::to_string(i) + ".";
    EXPECT_EQ(dot(fifteen + "300", cells, 0, widths), -1);
    EXPECT_EQ(cells[16], 0xBEEF);
    widths[15] = 1;
    EXPECT_EQ(dot(fifteen + "255", cells, 0, widths), 8);
    EXPECT_EQ(cells[15], 255);
    EXPECT_EQ(dot(fifteen + "1.2", cells, 0, widths), -1); // seventeenth byte
    EXPECT_EQ(cells[16], 0xBEEF);
    widths[3] = 7; // no such width
    EXPECT_EQ(dot("1.2.3.4", cells, 0, widths), -1);
}

TEST(DotDec, ZeroWidthKeepsDigitsForTheNextComponent)
{
    int32_t widths[16] = {0, 1};
    std::array<uint16_t, 17> cells{};
    EXPECT_EQ(dot("1.2", cells, 0, widths), 8);
    EXPECT_EQ(cells[0], 0); // "12" never reaches a width
}

TEST(DotDec, ReadsItsLineFromStandardInput)
{
    std::array<uint16_t, 16> cells{};
    Console console("0.5\n\n");
    EXPECT_EQ(sprom_get_dot_dec(0, cells.data()), 8);
    EXPECT_EQ(cells[3], 5);
    EXPECT_EQ(sprom_get_dot_dec(0, cells.data()), 0);
    EXPECT_EQ(sprom_get_dot_dec(0, cells.data()), -1);
}

struct DashCase {
    const char *line;
    int result;
    std::array<uint8_t, 4> bytes;
};

class DashLine : public testing::TestWithParam<DashCase>
{
};

TEST_P(DashLine, ExactlyFourByteComponents)
{
    const DashCase &c = GetParam();
    std::array<uint8_t, 5> out{};
    out.fill(0xEE);
    const int n = static_cast<int>(std::strlen(c.line));
    EXPECT_EQ(parse_dash_dec(c.line, n, out.data()), c.result);
    for (int j = 0; c.result > 0 && j < 4; ++j)
        EXPECT_EQ(out[j], c.bytes[j]) << j;
    EXPECT_EQ(out[4], 0xEE);
}

INSTANTIATE_TEST_SUITE_P(Codecs, DashLine,
                         testing::Values(DashCase{"10-20-30-40", 11, {10, 20, 30, 40}},
                                         DashCase{"1--2-3", 6, {1, 0, 2, 3}},
                                         DashCase{"1-2-3", -1, {}}, DashCase{"1-2-3-256", -1, {}},
                                         DashCase{"1-2-3-4-", -1, {}},
                                         DashCase{"1-2-3-4-5", -1, {}},
                                         DashCase{"1-2-3-4 ", 8, {1, 2, 3, 4}},
                                         DashCase{"1.2.3.4", -1, {}}));

TEST(DashDec, ResultIsTheLineLength)
{
    std::array<uint8_t, 4> out{};
    Console console("255-0-1-2\n");
    EXPECT_EQ(sprom_get_dash_dec(out.data()), 9);
    EXPECT_EQ(out[0], 255);
}

int pairs_of(const std::string &line, std::array<uint16_t, 9> &pairs)
{
    return parse_hypen_dec(line.c_str(), static_cast<int>(line.size()), pairs.data());
}

TEST(HypenDec, PairsAreHighDashLow)
{
    std::array<uint16_t, 9> pairs{};
    pairs.fill(0xAAAA);
    EXPECT_EQ(pairs_of("1-2;3-4", pairs), 7);
    EXPECT_EQ(pairs[0], 0x0102);
    EXPECT_EQ(pairs[1], 0x0304);
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(pairs[i], 0) << i;
    EXPECT_EQ(pairs[8], 0xAAAA);
    EXPECT_EQ(pairs_of("7-", pairs), 2);
    EXPECT_EQ(pairs[0], 0x0700);
}

TEST(HypenDec, UnacceptableLines)
{
    std::array<uint16_t, 9> pairs{};
    EXPECT_EQ(pairs_of("5", pairs), -1);
    EXPECT_EQ(pairs_of("1-2-3", pairs), -1);
    EXPECT_EQ(pairs_of("256-1", pairs), -1);
    EXPECT_EQ(pairs_of("1-256", pairs), -1);
    EXPECT_EQ(pairs_of("1-2;x", pairs), -1);
}

TEST(HypenDec, EightPairsFitNineDoNot)
{
    std::string eight;
    for (int i = 0; i < 8; ++i)
        eight += (i ? ";" : "") + std::to_string(i) + "-" + std::to_string(i + 1);
    std::array<uint16_t, 9> pairs{};
    pairs[8] = 0xBEEF;
    EXPECT_EQ(pairs_of(eight, pairs), static_cast<int>(eight.size()));
    EXPECT_EQ(pairs[7], 0x0708);
    EXPECT_EQ(pairs_of(eight + ";8-9", pairs), -1);
    EXPECT_EQ(pairs_of(eight + ";8-", pairs), -1);
    EXPECT_EQ(pairs[8], 0xBEEF);
}

// Components of 2^32 and more are over every limit: none may wrap round to
// a small value that passes.
TEST(SeparatedDecimals, ComponentsOf2To32AndMoreAreOverLimit)
{
    std::array<uint16_t, 17> cells{};
    EXPECT_EQ(dot("4294967297.4294967298", cells), -1);
    EXPECT_EQ(dot("4294967296", cells), -1);
    EXPECT_EQ(dot("1.4294967299", cells), -1);
    std::array<uint8_t, 5> out{};
    const auto dash = [&out](const std::string &line) {
        return parse_dash_dec(line.c_str(), static_cast<int>(line.size()), out.data());
    };
    EXPECT_EQ(dash("4294967297-2-3-4"), -1);
    EXPECT_EQ(dash("1-2-3-4294967296"), -1);
    std::array<uint16_t, 9> pairs{};
    EXPECT_EQ(pairs_of("4294967297-2", pairs), -1);
    EXPECT_EQ(pairs_of("1-4294967298", pairs), -1);
    EXPECT_EQ(pairs_of("1-2;4294967296-0", pairs), -1);
}

TEST(HypenDec, EmptyLineLeavesThePairsAlone)
{
    std::array<uint16_t, 8> pairs{};
    pairs.fill(0x1111);
    Console console("\n");
    EXPECT_EQ(sprom_get_hypen_dec(pairs.data()), 0);
    EXPECT_EQ(pairs[0], 0x1111);
    EXPECT_EQ(sprom_get_hypen_dec(pairs.data()), -1);
    EXPECT_EQ(pairs[0], 0x1111);
}

} // namespace
