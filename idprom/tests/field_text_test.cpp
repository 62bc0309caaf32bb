// Field-level access: a field set from its text through the codec the
// prompt uses (checked against the prompt itself), the refusals that make
// it stricter than the prompt, and a field rendered exactly as the show walk
// prints it (checked against the walk's own lines).
#include "boardprom.h"

#include "ops_console.h"
#include "ops_images.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <ostream>
#include <string>

using namespace boardprom_test;

namespace
{

inline constexpr int kImageSize = 64;
inline constexpr uint32_t kAt = 8;

struct TextCase {
    const char *label;
    uint32_t type;
    int32_t min;
    int32_t max;
    const char *text;
};

void PrintTo(const TextCase &c, std::ostream *os)
{
    *os << c.label;
}

sprom_field_def row_of(const TextCase &c)
{
    return sprom_field_def{"F", c.type, kAt, c.min, c.max};
}

// The image as the program prompt leaves it after the operator's line.
Image via_prompt(const sprom_field_def &row, const Image &before, int endian, const char *text)
{
    Image img = before;
    // Every row's prompt, then the answer 'n': only the image matters here.
    const sprom_field_def layout[] = {row, {"", SPROM_TYPE_END, 0, 0, 0}};
    Console console(std::string(text) + "\nn");
    EXPECT_EQ(sprom_show_program(const_cast<sprom_field_def *>(layout), img.data(), endian, 1),
              SPROM_RC_CANCELLED);
    return img;
}

class FieldFromText : public testing::TestWithParam<TextCase>
{
};

TEST_P(FieldFromText, StoresWhatTheProgramPromptStoresInBothByteOrders)
{
    const TextCase &c = GetParam();
    const sprom_field_def row = row_of(c);
    for (int endian : {0, 1}) {
        Image img{};
        img.fill(0xA5);
        const Image expected = via_prompt(row, img, endian, c.text);
        ASSERT_NE(expected, img) << "the prompt kept the field";
        EXPECT_EQ(sprom_field_from_text(&row, img.data(), kImageSize, endian, c.text), 0);
        EXPECT_EQ(img, expected) << "endian " << endian;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFieldType, FieldFromText,
    testing::Values(TextCase{"Text", SPROM_TYPE_TEXT, 20, 0, "SN0002"},
                    TextCase{"TextFull", SPROM_TYPE_TEXT, 4, 0, "V02A"},
                    TextCase{"Hex", SPROM_TYPE_HEX, 6, 0, "00:1b:21:0a"},
                    TextCase{"SignedDec8", SPROM_TYPE_SIGNED_DEC8, -128, 127, "-7"},
                    TextCase{"Hex1", SPROM_TYPE_HEX1, 0, 255, "3c"},
                    TextCase{"DecU8", SPROM_TYPE_DEC_U8, 0, 255, "200"},
                    TextCase{"SignedDec16", SPROM_TYPE_SIGNED_DEC16, -32768, 32767, "-300"},
                    TextCase{"Hex2", SPROM_TYPE_HEX2, 0, 65535, "0xbeef"},
                    TextCase{"DecU16", SPROM_TYPE_DEC_U16, 0, 65535, "65535"},
                    TextCase{"Hex4", SPROM_TYPE_HEX4, 0, -1, "1234abcd"},
                    TextCase{"DecU32", SPROM_TYPE_DEC_U32, 0, -1, "70000"},
                    TextCase{"DotDec", SPROM_TYPE_DOT_DEC, 16, 0, "1.3.6.1.4"},
                    TextCase{"DashDec", SPROM_TYPE_DASH_DEC, 4, 0, "10-20-30-40"},
                    TextCase{"HypenDec", SPROM_TYPE_HYPEN_DEC, 16, 0, "1-2;3-4"},
                    TextCase{"Hex8", SPROM_TYPE_HEX8, 0, 0, "0102030405060708"},
                    TextCase{"TempRange", SPROM_TYPE_TEMP_RANGE, 2, 0, "-5/40"}),
    [](const testing::TestParamInfo<TextCase> &info) { return info.param.label; });

struct RefusalCase {
    const char *label;
    uint32_t type;
    int32_t min;
    int32_t max;
    std::string text;
    int code;
};

void PrintTo(const RefusalCase &c, std::ostream *os)
{
    *os << c.label;
}

class FieldRefusal : public testing::TestWithParam<RefusalCase>
{
};

// A refused text leaves the image as it was, prints nothing (the codecs'
// own complaints included) and reads nothing from standard input.
TEST_P(FieldRefusal, LeavesImageOutputAndInputAlone)
{
    const RefusalCase &c = GetParam();
    const sprom_field_def row{"F", c.type, kAt, c.min, c.max};
    Image img{};
    img.fill(0x5A);
    const Image before = img;
    Console console("operator line\n");
    EXPECT_EQ(sprom_field_from_text(&row, img.data(), kImageSize, 0, c.text.c_str()), c.code);
    EXPECT_EQ(img, before);
    EXPECT_EQ(console.output(), "");
    EXPECT_EQ(Console::unread(), "operator line\n");
}

INSTANTIATE_TEST_SUITE_P(
    StricterThanThePrompt, FieldRefusal,
    testing::Values(
        RefusalCase{"TextTooLong", SPROM_TYPE_TEXT, 4, 0, "V0123", SPROM_RC_VALUE_TOO_LONG},
        RefusalCase{"EmptyText", SPROM_TYPE_TEXT, 4, 0, "", SPROM_RC_VALUE_EMPTY},
        RefusalCase{"BlankDecimal", SPROM_TYPE_DEC_U8, 0, 255, " \t", SPROM_RC_VALUE_EMPTY},
        RefusalCase{"ByteOverflow", SPROM_TYPE_DEC_U8, 0, 255, "256", SPROM_RC_VALUE_INVALID},
        // The prompt prints "The input should be less than two digit ...".
        RefusalCase{"Hex1TooWide", SPROM_TYPE_HEX1, 0, 255, "123", SPROM_RC_VALUE_INVALID},
        RefusalCase{"HexBadDigit", SPROM_TYPE_HEX, 6, 0, "0g", SPROM_RC_VALUE_INVALID},
        // The prompt drops the seventh byte silently.
        RefusalCase{"HexPastWidth", SPROM_TYPE_HEX, 6, 0, "01020304050607",
                    SPROM_RC_VALUE_TOO_LONG},
        // The prompt stores 200 as 0xC8, which reads back as -56.
        RefusalCase{"TemperatureTruncated", SPROM_TYPE_TEMP_RANGE, 2, 0, "200/1",
                    SPROM_RC_VALUE_INVALID},
        // 31 characters fill the decimal codecs' line; the prompt would take
        // the rest as the next field's answer.
        RefusalCase{"PastTheCodecsLine", SPROM_TYPE_DEC_U16, 0, 65535, std::string(31, '0') + "7",
                    SPROM_RC_VALUE_TOO_LONG},
        RefusalCase{"OutOfRowRange", SPROM_TYPE_DEC_U8, 0, 5, "9", SPROM_RC_VALUE_RANGE},
        RefusalCase{"TwoLines", SPROM_TYPE_TEXT, 20, 0, "A\nB", SPROM_RC_VALUE_INVALID},
        RefusalCase{"Checksum", SPROM_TYPE_CHECKSUM, 2, 0, "1", SPROM_RC_NOT_A_FIELD},
        RefusalCase{"Padding", SPROM_TYPE_PADDING, 2, 0, "1", SPROM_RC_NOT_A_FIELD},
        RefusalCase{"PastTheImage", SPROM_TYPE_TEXT, kImageSize, 0, "X", SPROM_RC_OUT_OF_IMAGE}),
    [](const testing::TestParamInfo<RefusalCase> &info) { return info.param.label; });

struct LayoutCase {
    const char *label;
    sprom_field_def *layout;
    Image (*image)();
    int size;
};

void PrintTo(const LayoutCase &c, std::ostream *os)
{
    *os << c.label;
}

class FieldToText : public testing::TestWithParam<LayoutCase>
{
  protected:
    // Value of every "NAME : value" line of the show walk, by row position.
    static std::vector<std::string> shown_values(const LayoutCase &c, Image img)
    {
        Console console;
        EXPECT_EQ(sprom_show_program(c.layout, img.data(), 0, 0), 0);
        const std::string out = console.output();
        std::vector<std::string> values;
        size_t at = 0;
        for (size_t i = 0; c.layout[i].type != SPROM_TYPE_END; ++i) {
            const sprom_field_def &row = c.layout[i];
            if (sprom_field_to_text(&row, img.data(), c.size, 0, nullptr, 0) < 0)
                continue;
            const std::string head = std::string(row.name) + " : ";
            at = out.find(head, at);
            EXPECT_NE(at, std::string::npos) << row.name;
            if (at == std::string::npos)
                break;
            at += head.size();
            const size_t end = out.find('\n', at);
            values.push_back(out.substr(at, end - at));
            at = end;
        }
        return values;
    }
};

TEST_P(FieldToText, IsTheShowWalksValueAndSetsTheSameBytesBack)
{
    const LayoutCase &c = GetParam();
    const Image img = c.image();
    const std::vector<std::string> shown = shown_values(c, img);
    size_t k = 0;
    for (size_t i = 0; c.layout[i].type != SPROM_TYPE_END; ++i) {
        const sprom_field_def &row = c.layout[i];
        std::array<char, 256> text{};
        const int n = sprom_field_to_text(&row, img.data(), c.size, 0, text.data(), text.size());
        if (n < 0)
            continue;
        ASSERT_LT(k, shown.size());
        EXPECT_EQ(std::string(text.data(), static_cast<size_t>(n)), shown[k++]) << row.name;
        // Checksums are not entered; an all-NUL text shows as nothing, the
        // answer that keeps a field.
        if (row.type == SPROM_TYPE_CHECKSUM || text[0] == '\0')
            continue;
        // The rendered text, typed back, gives the field's bytes again (a
        // text field's NUL padding ends the string as it ends the value).
        Image again = img;
        std::memset(again.data() + row.offset, 0x77, static_cast<size_t>(sprom_field_size(&row)));
        EXPECT_EQ(sprom_field_from_text(&row, again.data(), c.size, 0, text.data()), 0) << row.name;
        EXPECT_EQ(again, img) << row.name;
    }
    EXPECT_EQ(k, shown.size());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FieldToText,
    testing::Values(LayoutCase{"Board", sprom_info_cpu_Calderi, board_image, kBoardImageSize},
                    LayoutCase{"FanTray", sprom_info_Miravel16, fan_tray_image, kFanImageSize},
                    LayoutCase{"PowerModule", sprom_info_Ostrand, power_module_image,
                               kPsuImageSize}),
    [](const testing::TestParamInfo<LayoutCase> &info) { return info.param.label; });

TEST(FieldToTextBuffer, TruncatesLikeSnprintfAndKeepsTextPadding)
{
    const sprom_field_def row{"F", SPROM_TYPE_TEXT, 0, 6, 0};
    const unsigned char image[6] = {'A', 'B', 'C', 0, 0, 0};
    std::array<char, 3> small{};
    EXPECT_EQ(sprom_field_to_text(&row, image, 6, 0, small.data(), small.size()), 6);
    EXPECT_STREQ(small.data(), "AB");
    EXPECT_EQ(sprom_field_to_text(&row, image, 5, 0, small.data(), small.size()), -1);
    const sprom_field_def warn{"W", SPROM_TYPE_DEC_U8, 0, 0, 5};
    std::array<char, 64> text{};
    const unsigned char nine[1] = {9};
    ASSERT_GT(sprom_field_to_text(&warn, nine, 1, 0, text.data(), text.size()), 0);
    EXPECT_STREQ(text.data(), "[WARNING: Value not in range (0x0, 0x5)!]9");
}

TEST(FieldSize, CoversTheBytesOfFieldsChecksumsAndPadding)
{
    std::map<std::string, int> sizes;
    for (size_t i = 0; sprom_info_Miravel16[i].type != SPROM_TYPE_END; ++i)
        sizes[sprom_info_Miravel16[i].name] += sprom_field_size(&sprom_info_Miravel16[i]);
    EXPECT_EQ(sizes["SNMP_OID"], 16);
    EXPECT_EQ(sizes["FEATURE_BITS"], 8);
    EXPECT_EQ(sizes["BLOCK_CHECKSUM"], 3 * 2);
    EXPECT_EQ(sizes["PADDING"], 2);
    EXPECT_EQ(sizes["Block #2 - Fan Block"], 0);
    // Every byte up to the end of the last field belongs to exactly one row.
    int total = 0;
    for (const auto &[name, bytes] : sizes)
        total += bytes;
    EXPECT_EQ(total, 220);
}

} // namespace
