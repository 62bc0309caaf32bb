// The show utility and the raw dump.
#include "ops_console.h"
#include "ops_fake_clock.h"
#include "ops_fpga.h"
#include "ops_images.h"

#include "boardprom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace boardprom_test;

namespace
{

const std::string kReading =
    "\n\n* Reading SPROM INFO. This will take a while... Please be patient\n";

class UtilShow : public SimulatedFpga
{
  protected:
    void SetUp() override
    {
        SimulatedFpga::SetUp();
        reset_sleeps();
        global_idprom_checksum_err = 0;
    }
    void TearDown() override
    {
        global_idprom_checksum_err = 0;
        SimulatedFpga::TearDown();
    }
};

TEST_F(UtilShow, FanTrayIsReadAndShown)
{
    const Image img = fan_tray_image();
    ASSERT_EQ(iofpga_sim_prom_load(1, 2, 0, img.data(), kFanImageSize), 0);
    Image buf{};
    Console console;
    EXPECT_EQ(idprom_util_show(IDPROM_KIND_FAN_TRAY, 2, 2, buf.data(), 0), 0);
    const std::string out = console.output();
    EXPECT_TRUE(out.starts_with(kReading + "Printing SPROM info...\n\n")) << out;
    EXPECT_NE(out.find("SERIAL_NUMBER : FT-SERIAL-9"), std::string::npos);
    EXPECT_EQ(out.find("WARNING"), std::string::npos);
    EXPECT_EQ(buf, img);
}

TEST_F(UtilShow, PowerModuleMismatchSetsTheFlag)
{
    Image img = power_module_image();
    img[170] ^= 0x10;
    ASSERT_EQ(iofpga_sim_prom_load(2, 9, 0, img.data(), kPsuImageSize), 0);
    Image buf{};
    Console console;
    EXPECT_EQ(idprom_util_show(IDPROM_KIND_POWER_MODULE, 2, 9, buf.data(), 0), 0);
    EXPECT_TRUE(
        console.output().ends_with("## WARNING: Checksum mismatch observed in this block! ##\n"));
    EXPECT_EQ(global_idprom_checksum_err, 1);
}

TEST_F(UtilShow, SilentPromIsAReadFailure)
{
    ASSERT_EQ(iofpga_sim_set_present(1, 0, IOFPGA_SIM_PROM, 0), 0);
    Image buf{};
    Console console;
    EXPECT_EQ(idprom_util_show(IDPROM_KIND_FAN_TRAY, 2, 0, buf.data(), 0), IDPROM_RC_NACK);
    const std::string out = console.output();
    EXPECT_TRUE(out.ends_with("Failed to read IDPROM board memory!\n"));
    EXPECT_EQ(out.find("Printing SPROM info"), std::string::npos);
}

} // namespace

namespace
{

// The board ID-PROM road on the fake I2C bus.
class UtilShowBoard : public testing::Test
{
  protected:
    void SetUp() override
    {
        reset_platform();
        const Image img = board_image();
        std::copy_n(img.begin(), kBoardImageSize, fake_i2c().eeprom.begin());
    }
};

TEST_F(UtilShowBoard, BoardBytesGoToTheCallerUnshown)
{
    Image buf{};
    Console console;
    EXPECT_EQ(idprom_util_show(0, 2, 0, buf.data(), 100), 0);
    EXPECT_EQ(console.output(), kReading);
    const Image img = board_image();
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 100, img.begin()));
    EXPECT_EQ(buf[100], 0);
}

TEST_F(UtilShowBoard, BoardReadFailureIsReported)
{
    fake_i2c().absent.insert(0x50);
    Image buf{};
    Console console;
    EXPECT_EQ(idprom_util_show(1, 2, 0, buf.data(), 16), IDPROM_RC_TRANSFER_FAILED);
    EXPECT_TRUE(console.output().ends_with("Failed to read IDPROM board memory!\n"));
}

struct DumpCase {
    int kind;
    int size;
};

class BinDump : public UtilShowBoard, public testing::WithParamInterface<DumpCase>
{
};

// Always the board road; the kind only chooses how many bytes.
TEST_P(BinDump, KindChoosesTheLength)
{
    Image buf{};
    int size = -1;
    Console console;
    EXPECT_EQ(idprom_util_bin_dump_sprom(GetParam().kind, buf.data(), &size), 0);
    EXPECT_EQ(console.output(), "");
    EXPECT_EQ(size, GetParam().size);
    const Image img = board_image();
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + size, img.begin()));
    EXPECT_EQ(buf[static_cast<size_t>(size)], 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BinDump,
                         testing::Values(DumpCase{0, 270}, DumpCase{3, 226}, DumpCase{4, 202}));

TEST_F(UtilShowBoard, DumpReadFailureLeavesTheSizeAlone)
{
    fake_i2c().absent.insert(0x50);
    Image buf{};
    int size = -1;
    Console console;
    EXPECT_EQ(idprom_util_bin_dump_sprom(0, buf.data(), &size), IDPROM_RC_TRANSFER_FAILED);
    EXPECT_TRUE(console.output().ends_with("Failed to read IDPROM board memory!\n"));
    EXPECT_EQ(size, -1);
}

} // namespace
