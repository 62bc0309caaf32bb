// Every field type through the walk in both byte orders: shown, entered
// with bad, too long and empty answers, and the checksums rewritten.
#include "ops_all_types.h"
#include "ops_console.h"
#include "ops_images.h"

#include "boardprom.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace boardprom_test;

namespace
{

std::string hex4(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

class AllTypes : public testing::TestWithParam<int>
{
  protected:
    void SetUp() override
    {
        force_verify_skip = 0;
        sprom_read_back_verify = 1;
    }
    int endian() const
    {
        return GetParam();
    }
};

TEST_P(AllTypes, ShowPrintsEveryTypeInItsForm)
{
    Image img = all_types_image(endian());
    Console console;
    EXPECT_EQ(sprom_show_program(all_types_layout, img.data(), endian(), 0), 0);
    const std::string expected =
        std::string("Printing SPROM info...\n\n") + "\n### Block # 1 - All ###\n" +
        "TXT : " + padded("AB", 4) + "\n" + "HX : 01 ab ff\n" + "S8 : -2\n" + "H1 : 0x0f\n" +
        "U8 : [WARNING: Value not in range (0x0, 0x5)!]9\n" + "S16 : -5\n" + "H2 : 0x1234\n" +
        "U16 : 258\n" + "H4 : 0xdeadbeef\n" + "U32 : 70000\n" +
        "CKS : " + hex4(static_cast<unsigned>(get(img, 24, 2, endian()))) + "\n" +
        "DOT : 1.3.6.1\n" + "DASH : 10-20-30-40\n" + "HYP : 1-2\n" + "H8 : 0x0102030405060708\n" +
        "TR : -5/40\n" + "\n### Block # 2 - Pad ###\n" +
        "CK2 : " + hex4(static_cast<unsigned>(get(img, 72, 2, endian()))) + "\n" + "S8B : 7\n";
    EXPECT_EQ(console.output(), expected);
}

TEST_P(AllTypes, EveryTypeTakesAnAnswerAfterARetry)
{
    Image img = all_types_image(endian());
    const std::string answers = "ABCDE\nWXYZ\n"         // TXT: too long, then exactly the width
                                "zz\n0a0b\n"            // HX
                                "200\n-100\n"           // S8
                                "123\n7f\n"             // H1
                                "256\n3\n"              // U8
                                "40000\n-300\n"         // S16
                                "12345\nbeef\n"         // H2
                                "70000\n65535\n"        // U16
                                "123456789\ncafe\n"     // H4
                                "x\n123456\n"           // U32
                                "1,2\n10.20\n"          // DOT
                                "1-2-3\n5-6-7-8\n"      // DASH
                                "5\n1-2;3-4\n"          // HYP
                                "g\n1122334455667788\n" // H8
                                "1/2/3\n-10/50\n"       // TR
                                "abc\n\n"               // S8B: invalid, then kept
                                "y";
    Console console(answers);
    EXPECT_EQ(sprom_show_program(all_types_layout, img.data(), endian(), 1), 0);
    const std::string out = console.output();
    EXPECT_EQ(count_of(out, "Invalid input. Retry..\n"), 15u);
    EXPECT_EQ(count_of(out, "Input too long. Retry..\n"), 1u);
    EXPECT_EQ(count_of(out, "H1 [0x0f] : "), 2u);
    EXPECT_NE(out.find("This is your input so far...\n"), std::string::npos);

    Image want = all_types_image(endian());
    put_text(want, 0, 4, "WXYZ");
    want[4] = 0x0A;
    want[5] = 0x0B;
    want[6] = 0x00;
    want[7] = 0x9C;
    want[8] = 0x7F;
    want[9] = 3;
    put(want, 10, 2, static_cast<uint16_t>(-300), endian());
    put(want, 12, 2, 0xBEEF, endian());
    put(want, 14, 2, 65535, endian());
    put(want, 16, 4, 0xCAFE, endian());
    put(want, 20, 4, 123456, endian());
    for (size_t i = 26; i < 42; ++i)
        want[i] = 0;
    put(want, 26, 2, 10, endian());
    put(want, 28, 2, 20, endian());
    const uint8_t dash[] = {5, 6, 7, 8};
    for (size_t i = 0; i < 4; ++i)
        want[42 + i] = dash[i];
    for (size_t i = 46; i < 62; ++i)
        want[i] = 0;
    put(want, 46, 2, 0x0102, endian());
    put(want, 48, 2, 0x0304, endian());
    put(want, 62, 8, 0x1122334455667788ULL, endian());
    want[70] = 0xF6;
    want[71] = 50;
    for (size_t i = 75; i < 80; ++i)
        want[i] = 0;
    fix_checksums(want, all_types_layout, endian());
    EXPECT_EQ(img, want);
}

TEST_P(AllTypes, EmptyAnswersKeepFieldsAndRewriteChecksums)
{
    Image img = all_types_image(endian());
    put(img, 24, 2, 0x1111, endian()); // both checksums wrong
    put(img, 72, 2, 0x2222, endian());
    Console console(std::string(kAllTypesPrompts, '\n') + "y");
    EXPECT_EQ(sprom_show_program(all_types_layout, img.data(), endian(), 1), 0);
    const std::string out = console.output();
    EXPECT_EQ(out.find("WARNING: Checksum"), std::string::npos);
    Image want = all_types_image(endian());
    for (size_t i = 75; i < 80; ++i)
        want[i] = 0; // padding is zeroed before its block's checksum
    fix_checksums(want, all_types_layout, endian());
    EXPECT_EQ(img, want);
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, AllTypes, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int> &info) {
                             return info.param == 0 ? "BigEndian" : "LittleEndian";
                         });

TEST(ProgramWalk, ProgramModeShowsValuesInBrackets)
{
    sprom_field_def layout[] = {
        {"COUNT", SPROM_TYPE_DEC_U16, 0, 0, 65535},
        {"", SPROM_TYPE_END, 0, 0, 0},
    };
    Image img{};
    put(img, 0, 2, 300);
    Console console("\nn");
    EXPECT_EQ(sprom_show_program(layout, img.data(), 0, 1), SPROM_RC_CANCELLED);
    EXPECT_EQ(console.output(), "Programming SPROM info...\n\n"
                                "COUNT [300] : "
                                "This is your input so far...\n"
                                "Printing SPROM info...\n\n"
                                "COUNT : 300\n"
                                "\n\nDo you want to program this to sprom? (y/N)"
                                " N - programming CANCELLED\n");
}

TEST(ProgramWalk, BlankFanTrayImageGetsZeroChecksums)
{
    Image img{};
    Console console(std::string(37, '\n') + "y");
    EXPECT_EQ(sprom_show_program(sprom_info_Miravel16, img.data(), 0, 1), 0);
    console.output();
    EXPECT_EQ(img, Image{});
}

TEST(ProgramWalk, FanTrayPaddingIsZeroedBeforeItsChecksum)
{
    Image img = fan_tray_image();
    img[218] = 0x5A;
    img[219] = 0xA5;
    Console console(std::string(37, '\n') + "y");
    EXPECT_EQ(sprom_show_program(sprom_info_Miravel16, img.data(), 0, 1), 0);
    console.output();
    EXPECT_EQ(img, fan_tray_image());
}

// The input ends after `n` answers: the walk declines, whichever prompt
// it was at, and never reaches a 'y'.
class InputEnds : public testing::TestWithParam<size_t>
{
};

TEST_P(InputEnds, WalkIsDeclined)
{
    Image img = all_types_image(0);
    force_verify_skip = 1;
    Console console(std::string(GetParam(), '\n'));
    EXPECT_EQ(sprom_show_program(all_types_layout, img.data(), 0, 1), SPROM_RC_CANCELLED);
    const std::string out = console.output();
    EXPECT_NE(out.find("End of input - programming CANCELLED\n"), std::string::npos);
    EXPECT_EQ(out.find("WILL BE PROGRAMMED"), std::string::npos);
    EXPECT_EQ(force_verify_skip, 0);
}

INSTANTIATE_TEST_SUITE_P(AtEveryPrompt, InputEnds, testing::Range<size_t>(0, kAllTypesPrompts + 1));

TEST(ProgramWalk, LastLineWithoutNewlineIsStillTaken)
{
    sprom_field_def layout[] = {
        {"ONE", SPROM_TYPE_DEC_U8, 0, 0, 255},
        {"TWO", SPROM_TYPE_DEC_U8, 1, 0, 255},
        {"", SPROM_TYPE_END, 0, 0, 0},
    };
    Image img{};
    Console console("\n42");
    EXPECT_EQ(sprom_show_program(layout, img.data(), 0, 1), SPROM_RC_CANCELLED);
    EXPECT_EQ(img[1], 42);
    EXPECT_NE(console.output().find("Do you want to program this to sprom? (y/N)"),
              std::string::npos);
}

} // namespace
