// The show and program walk over layouts and images held in memory.
#include "ops_console.h"
#include "ops_images.h"

#include "boardprom.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace boardprom_test;

namespace
{

std::string line(const std::string &name, const std::string &value)
{
    return name + " : " + value + "\n";
}

std::string hex4(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

std::string header(const std::string &title)
{
    return "\n### " + title + " ###\n";
}

std::string common_block(const Image &img, const std::string &product, const std::string &size,
                         const std::string &blocks)
{
    return header("Block # 1 - Common Block") + line("BLOCK_SIGNATURE", "0xabcd") +
           line("BLOCK_VERSION", "1") + line("BLOCK_LENGTH", "160") +
           line("BLOCK_CHECKSUM", hex4(static_cast<unsigned>(get(img, 4, 2)))) +
           line("SPROM_SIZE", size) + line("BLOCK_COUNT", blocks) +
           line("FRU_MAJOR_TYPE", "0x00f2") + line("FRU_MINOR_TYPE", "0x0007") +
           line("OEM_STRING", padded("EXAMPLE CORP", 20)) +
           line("PRODUCT_NUMBER", padded(product, 20)) +
           line("SERIAL_NUMBER", padded("SN0001", 20)) +
           line("PART_NUMBER", padded("73-0001-01", 16)) + line("PART_REVISION", padded("A0", 4)) +
           line("MFG_DEVIATION", padded("", 20)) + line("HW_REV_MAJOR", "1") +
           line("HW_REV_MINOR", "2") + line("MFG_BITS", "0x0010") + line("ENG_BITS", "0x0020") +
           line("SNMP_OID", "1.3.6.1") + line("POWER_CONSUMPTION", "-5") +
           line("RMA_FAILURE_CODE", "1-2-3-4") + line("CLEI_CODE", padded("CLEI0001", 12)) +
           line("VID", padded("V01", 4));
}

const std::string kPrinting = "Printing SPROM info...\n\n";
const std::string kMismatch = "## WARNING: Checksum mismatch observed in this block! ##\n";

class ShowWalk : public testing::Test
{
  protected:
    void SetUp() override
    {
        global_idprom_checksum_err = 0;
    }
    void TearDown() override
    {
        global_idprom_checksum_err = 0;
    }

    std::string show(sprom_field_def *layout, Image &img, int endian = 0)
    {
        Console console;
        rc_ = sprom_show_program(layout, img.data(), endian, 0);
        return console.output();
    }

    int rc_ = -1;
};

TEST_F(ShowWalk, FanTrayImageIsShownExactly)
{
    Image img = fan_tray_image();
    const std::string expected =
        kPrinting + common_block(img, "FAN-TRAY-2", "226", "3") + header("Block #2 - Fan Block") +
        line("BLOCK_SIGNATURE", "0x4654") + line("BLOCK_VERSION", "1") +
        line("BLOCK_LENGTH", "32") +
        line("BLOCK_CHECKSUM", hex4(static_cast<unsigned>(get(img, 164, 2)))) +
        line("FEATURE_BITS", "0x0000000000000011") + line("HW_CHANGES_BITS", "0x0000000000000022") +
        line("STACKMIB_IOD", "7") + line("COOLING_CAPACITY", "300") +
        line("AMBIENT_TEMPERATURE", "40") + line("RESERVED", "-1") +
        line("POWER_CONSUMPTION2", "-12") + line("COOLING_CAPACITY2", "500") +
        header("Block #3 - Serial Number Block") + line("BLOCK_SIGNATURE", "0x534e") +
        line("BLOCK_VERSION", "1") + line("BLOCK_LENGTH", "28") +
        line("BLOCK_CHECKSUM", hex4(static_cast<unsigned>(get(img, 196, 2)))) +
        line("SERIAL_NUMBER", padded("FT-SERIAL-9", 20));
    EXPECT_EQ(show(sprom_info_Miravel16, img), expected);
    EXPECT_EQ(rc_, 0);
    EXPECT_EQ(global_idprom_checksum_err, 0);
}

TEST_F(ShowWalk, PowerModuleImageIsShownExactly)
{
    Image img = power_module_image();
    const std::string expected =
        kPrinting + common_block(img, "PSU-3KW", "202", "2") +
        header("Block #2 - Power Supply Block") + line("BLOCK_SIGNATURE", "0x5053") +
        line("BLOCK_VERSION", "2") + line("BLOCK_LENGTH", "36") +
        line("BLOCK_CHECKSUM", hex4(static_cast<unsigned>(get(img, 164, 2)))) +
        line("FEATURE_BITS", "0x0000000000000033") + line("CURRENT_110V/DC_LOW", "110") +
        line("CURRENT_220V/DC_HIGH", "220") + line("STACKMIB_OID", "9") +
        line("CURRENT_MODE1", "1") + line("CURRENT_MODE2", "-2") + line("CURRENT_MODE3", "3") +
        line("CURRENT_MODE4", "-4") + line("MAX_FLOAT_CURRENT_MODE1", "10") +
        line("MAC_FLOAT_CURRENT_MODE2", "20") + line("MAX_FLOAT_CURRENT_MODE3", "30") +
        line("MAX_FLOAT_CURRENT_MODE4", "40");
    EXPECT_EQ(show(sprom_info_Ostrand, img), expected);
    EXPECT_EQ(rc_, 0);
}

TEST_F(ShowWalk, BoardImageBlocksAndChecksums)
{
    Image img = board_image();
    const std::string out = show(sprom_info_cpu_Calderi, img);
    EXPECT_EQ(rc_, 0);
    EXPECT_EQ(out.find("WARNING"), std::string::npos);
    EXPECT_NE(out.find(line("VID", padded("V01", 4)) + header("Block #2 - LC Block")),
              std::string::npos);
    EXPECT_NE(out.find(line("MAC_BASE", "00 11 22 33 44 55")), std::string::npos);
    EXPECT_NE(out.find(line("EOBC_CONNECTIONS", "0x0f")), std::string::npos);
    EXPECT_NE(out.find(line("PORT_INFO", "1-2;3-4")), std::string::npos);
    EXPECT_NE(out.find(line("TEMP_SENSOR_7", "-5/40")), std::string::npos);
    EXPECT_TRUE(out.ends_with(line("AMBIENT_TEMPERATURE", "35")));
    EXPECT_EQ(global_idprom_checksum_err, 0);
}

TEST_F(ShowWalk, MismatchIsReportedAfterTheBlocksLastField)
{
    Image img = board_image();
    img[20] ^= 0x01; // a byte of OEM_STRING
    const std::string out = show(sprom_info_cpu_Calderi, img);
    EXPECT_EQ(rc_, 0);
    EXPECT_EQ(global_idprom_checksum_err, 1);
    EXPECT_EQ(count_of(out, kMismatch), 1u);
    EXPECT_NE(out.find(line("VID", padded("V01", 4)) + kMismatch + header("Block #2 - LC Block")),
              std::string::npos);
}

TEST_F(ShowWalk, MismatchInTheLastBlockEndsTheOutput)
{
    Image img = fan_tray_image();
    img[200] ^= 0x40; // a byte of the serial number block
    const std::string out = show(sprom_info_Miravel16, img);
    EXPECT_EQ(rc_, 0);
    EXPECT_TRUE(out.ends_with(line("SERIAL_NUMBER", padded("FTmSERIAL-9", 20)) + kMismatch));
    EXPECT_EQ(count_of(out, kMismatch), 1u);
    EXPECT_EQ(global_idprom_checksum_err, 1);
}

TEST_F(ShowWalk, FlagStaysSetUntilTheCallerClearsIt)
{
    Image bad = fan_tray_image();
    bad[30] ^= 0x01;
    show(sprom_info_Miravel16, bad);
    Image good = fan_tray_image();
    show(sprom_info_Miravel16, good);
    EXPECT_EQ(global_idprom_checksum_err, 1);
}

TEST_F(ShowWalk, RowTypeAboveTheLastStopsTheWalk)
{
    sprom_field_def layout[] = {
        {"Block # 1", SPROM_TYPE_BLOCK, 0, 4, 0},
        {"FIRST", SPROM_TYPE_DEC_U8, 0, 0, 255},
        {"BROKEN", 20, 1, 0, 0},
        {"AFTER", SPROM_TYPE_DEC_U8, 2, 0, 255},
        {"", SPROM_TYPE_END, 0, 0, 0},
    };
    Image img{};
    img[0] = 5;
    const std::string out = show(layout, img);
    EXPECT_EQ(rc_, SPROM_RC_BAD_DEFINITION);
    EXPECT_EQ(out, kPrinting + header("Block # 1") + line("FIRST", "5") +
                       "Invalid sprom definition! Stop.\n");
}

TEST_F(ShowWalk, SkipAndPaddingRowsAreSilent)
{
    sprom_field_def layout[] = {
        {"SKIPPED", SPROM_TYPE_SKIP, 0, 0, 0},
        {"PADDING", SPROM_TYPE_PADDING, 0, 2, 0},
        {"SEEN", SPROM_TYPE_DEC_U8, 2, 0, 255},
        {"", SPROM_TYPE_END, 0, 0, 0},
    };
    Image img{};
    img[0] = 0xEE;
    img[2] = 9;
    EXPECT_EQ(show(layout, img), kPrinting + line("SEEN", "9"));
    EXPECT_EQ(img[0], 0xEE); // show mode leaves padding alone
}

TEST_F(ShowWalk, RangeWarningSitsInsideTheValuesLine)
{
    sprom_field_def layout[] = {
        {"SMALL", SPROM_TYPE_DEC_U8, 0, 0, 5},
        {"", SPROM_TYPE_END, 0, 0, 0},
    };
    Image img{};
    img[0] = 9;
    EXPECT_EQ(show(layout, img),
              kPrinting + "SMALL : [WARNING: Value not in range (0x0, 0x5)!]9\n");
}

TEST_F(ShowWalk, ShowClearsTheVerifySkipFlag)
{
    force_verify_skip = 1;
    Image img = power_module_image();
    show(sprom_info_Ostrand, img);
    EXPECT_EQ(force_verify_skip, 0);
}

} // namespace
