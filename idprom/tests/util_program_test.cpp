// The program utility end to end on the simulated FPGA: read, walk,
// confirm, write the whole image back.
#include "ops_console.h"
#include "ops_fake_clock.h"
#include "ops_fpga.h"
#include "ops_images.h"

#include "boardprom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace boardprom_test;

namespace
{

inline constexpr int kFan = IDPROM_KIND_FAN_TRAY;
inline constexpr int kPsu = IDPROM_KIND_POWER_MODULE;
inline constexpr size_t kFanPrompts = 37;
inline constexpr size_t kPsuPrompts = 37;

class UtilProgram : public SimulatedFpga
{
  protected:
    void SetUp() override
    {
        SimulatedFpga::SetUp();
        reset_sleeps();
        force_verify_skip = 0;
        sprom_read_back_verify = 1;
    }

    static std::vector<uint8_t> bytes_of(const Image &img, size_t len)
    {
        return {img.begin(), img.begin() + static_cast<std::ptrdiff_t>(len)};
    }

    int program(int kind, int mode, int channel, const std::string &input)
    {
        Console console(input);
        const int rc = idprom_util_program(kind, 2, mode, channel);
        out_ = console.output();
        return rc;
    }

    std::string out_;
};

const std::string kReading =
    "\n\n* Reading SPROM INFO. This will take a while... Please be patient\n";
const std::string kDone = "Done programming SPROM.\n";

TEST_F(UtilProgram, ModeZeroEditsThePromsContents)
{
    Image img = fan_tray_image();
    img[218] = 0x77; // padding, zeroed by the walk
    ASSERT_EQ(iofpga_sim_prom_load(1, 1, 0, img.data(), kFanImageSize), 0);
    // Prompt 9 is the Common Block's SERIAL_NUMBER, 29 the fan block's
    // AMBIENT_TEMPERATURE.
    EXPECT_EQ(program(kFan, 0, 1, answer_lines(kFanPrompts, {{9, "NEW-SN"}, {29, "-7"}}, "y")), 0);
    EXPECT_TRUE(out_.starts_with(kReading + "Programming SPROM info...\n")) << out_;
    EXPECT_NE(out_.find(" y - Your change WILL BE PROGRAMMED\n"
                        "\n* Writing to IDPROM board info memory... This will take a while... "
                        "Please wait.\n"),
              std::string::npos);
    EXPECT_TRUE(out_.ends_with(kDone));
    Image want = fan_tray_image();
    put_text(want, 54, 20, "NEW-SN");
    want[186] = 0xF9;
    fix_checksums(want, sprom_info_Miravel16);
    EXPECT_EQ(prom(1, 1, kFanImageSize), bytes_of(want, kFanImageSize));
}

TEST_F(UtilProgram, ModeOneStartsFromZeros)
{
    const Image img = power_module_image();
    ASSERT_EQ(iofpga_sim_prom_load(2, 0, 0, img.data(), kPsuImageSize), 0);
    EXPECT_EQ(program(kPsu, 1, 0, answer_lines(kPsuPrompts, {{0, "abcd"}}, "Y")), 0);
    Image want{};
    put(want, 0, 2, 0xABCD);
    fix_checksums(want, sprom_info_Ostrand);
    EXPECT_EQ(prom(2, 0, kPsuImageSize), bytes_of(want, kPsuImageSize));
    EXPECT_TRUE(out_.starts_with(kReading)) << out_;
}

TEST_F(UtilProgram, WholeImageIsWrittenInOrder)
{
    ASSERT_EQ(iofpga_sim_clear_log(), 0);
    EXPECT_EQ(program(kPsu, 1, 6, answer_lines(kPsuPrompts, {}, "y")), 0);
    // The data-register words, oldest first, as far back as the simulated
    // FPGA's log reaches: one word per PROM byte holding the offset's low
    // byte, ending with the image's last byte.
    std::vector<iofpga_sim_write> log(512);
    size_t n = 0;
    ASSERT_EQ(iofpga_sim_write_log(log.data(), log.size(), &n), 0);
    std::vector<uint32_t> words;
    for (size_t i = 0; i < n; ++i) {
        if (log[i].offset == 0x2B4 + 4 * 6)
            words.push_back(log[i].value);
    }
    ASSERT_GT(words.size(), 100u);
    const size_t first = kPsuImageSize - words.size();
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(words[i], first + i) << i;
}

TEST_F(UtilProgram, DeclinedWritesNothing)
{
    const Image img = fan_tray_image();
    ASSERT_EQ(iofpga_sim_prom_load(1, 0, 0, img.data(), kFanImageSize), 0);
    const uint64_t writes_before = register_writes();
    EXPECT_EQ(program(kFan, 0, 0, answer_lines(kFanPrompts, {{9, "CHANGED"}}, "n")), 0);
    EXPECT_TRUE(out_.ends_with(" N - programming CANCELLED\n" + kDone)) << out_;
    EXPECT_EQ(out_.find("Writing to IDPROM"), std::string::npos);
    EXPECT_EQ(prom(1, 0, kFanImageSize), bytes_of(img, kFanImageSize));
    // Only the reads' own transfers touched the FPGA.
    EXPECT_EQ(register_writes() - writes_before, kFanImageSize * 3);
}

TEST_F(UtilProgram, EndOfInputWritesNothing)
{
    const Image img = fan_tray_image();
    ASSERT_EQ(iofpga_sim_prom_load(1, 0, 0, img.data(), kFanImageSize), 0);
    force_verify_skip = 1;
    EXPECT_EQ(program(kFan, 0, 0, "\n\n\n12\n"), 0);
    EXPECT_NE(out_.find("End of input - programming CANCELLED\n"), std::string::npos);
    EXPECT_EQ(out_.find("Writing to IDPROM"), std::string::npos);
    EXPECT_EQ(prom(1, 0, kFanImageSize), bytes_of(img, kFanImageSize));
    EXPECT_EQ(force_verify_skip, 0);
}

TEST_F(UtilProgram, VerifySkipIsClearedOnReturn)
{
    EXPECT_EQ(program(kPsu, 1, 2, answer_lines(kPsuPrompts, {}, "Z")), 0);
    EXPECT_NE(out_.find("Z - Your change is programmed, but VERIFICATION is SKIPPED\n"),
              std::string::npos);
    EXPECT_NE(out_.find("Writing to IDPROM"), std::string::npos);
    EXPECT_EQ(force_verify_skip, 0);
}

TEST_F(UtilProgram, UnreadablePromIsNotProgrammed)
{
    ASSERT_EQ(iofpga_sim_set_present(1, 2, IOFPGA_SIM_PROM, 0), 0);
    EXPECT_EQ(program(kFan, 0, 2, answer_lines(kFanPrompts, {}, "y")), IDPROM_RC_NACK);
    EXPECT_NE(out_.find("Failed to read IDPROM board info memory!\n"
                        "* SPROM write finished with error. rc:8197\n" +
                        kDone),
              std::string::npos);
    EXPECT_EQ(out_.find("Programming SPROM info"), std::string::npos);
}

TEST_F(UtilProgram, FailedWriteIsReported)
{
    // Mode 1 reads nothing; the PROM then refuses every write.
    ASSERT_EQ(iofpga_sim_set_present(2, 4, IOFPGA_SIM_PROM, 0), 0);
    EXPECT_EQ(program(kPsu, 1, 4, answer_lines(kPsuPrompts, {}, "y")), IDPROM_RC_NACK);
    EXPECT_TRUE(out_.ends_with("Failed to write data to IDPROM board info memory!\n"
                               "* SPROM write finished with error. rc:8197\n" +
                               kDone))
        << out_;
}

TEST_F(UtilProgram, BadLayoutRowIsReportedAndNothingWritten)
{
    const uint32_t saved = sprom_info_Ostrand[30].type;
    sprom_info_Ostrand[30].type = 20;
    const uint64_t writes_before = register_writes();
    EXPECT_EQ(program(kPsu, 1, 0, std::string(40, '\n')), SPROM_RC_BAD_DEFINITION);
    sprom_info_Ostrand[30].type = saved;
    EXPECT_NE(out_.find("Invalid sprom definition! Stop.\nFailed to display sprom contents!\n"
                        "* SPROM write finished with error. rc:256\n"),
              std::string::npos);
    EXPECT_EQ(register_writes(), writes_before);
}

} // namespace

namespace
{

inline constexpr size_t kBoardPrompts = 46;

// The board ID-PROM road: the fake I2C bus with its 2 KiB EEPROM.
class UtilProgramBoard : public testing::Test
{
  protected:
    void SetUp() override
    {
        reset_platform();
        force_verify_skip = 0;
    }

    int program(int mode, const std::string &input)
    {
        Console console(input);
        const int rc = idprom_util_program(0, 2, mode, 0);
        out_ = console.output();
        return rc;
    }

    // ID-PROM offsets of the SMBus byte writes, in the order made.
    static std::vector<int> written_offsets()
    {
        std::vector<int> offsets;
        for (const I2cEvent &e : fake_i2c().events) {
            if (e.kind == I2cEvent::SmbusWrite)
                offsets.push_back((e.addr - 0x50) * 256 + e.command);
        }
        return offsets;
    }

    std::string out_;
};

TEST_F(UtilProgramBoard, ConfirmedImageIsWrittenWholeAndInOrder)
{
    const Image img = board_image();
    std::copy_n(img.begin(), kBoardImageSize, fake_i2c().eeprom.begin());
    EXPECT_EQ(program(0, std::string(kBoardPrompts, '\n') + "y"), 0);
    std::vector<int> expected(kBoardImageSize);
    for (size_t i = 0; i < kBoardImageSize; ++i)
        expected[i] = static_cast<int>(i);
    EXPECT_EQ(written_offsets(), expected);
    EXPECT_TRUE(std::equal(img.begin(), img.begin() + kBoardImageSize, fake_i2c().eeprom.begin()));
    EXPECT_TRUE(out_.ends_with("Please wait.\nDone programming SPROM.\n")) << out_;
}

TEST_F(UtilProgramBoard, BlankModeWritesTheEnteredValues)
{
    fake_i2c().eeprom.fill(0xFF);
    // Prompt 21 is VID, 24 the LC Block's BLOCK_LENGTH.
    EXPECT_EQ(program(1, answer_lines(kBoardPrompts, {{21, "V02"}, {24, "103"}}, "y")), 0);
    Image want{};
    put_text(want, 156, 4, "V02");
    want[163] = 103;
    fix_checksums(want, sprom_info_cpu_Calderi);
    EXPECT_TRUE(
        std::equal(want.begin(), want.begin() + kBoardImageSize, fake_i2c().eeprom.begin()));
    EXPECT_EQ(fake_i2c().eeprom[kBoardImageSize], 0xFF); // nothing beyond the image
}

TEST_F(UtilProgramBoard, DeclinedWritesNothing)
{
    EXPECT_EQ(program(0, std::string(kBoardPrompts, '\n') + "N"), 0);
    EXPECT_TRUE(written_offsets().empty());
}

TEST_F(UtilProgramBoard, ReadFailureStopsBeforeTheWalk)
{
    fake_i2c().absent.insert(0x51);
    EXPECT_EQ(program(0, std::string(kBoardPrompts, '\n') + "y"), IDPROM_RC_TRANSFER_FAILED);
    EXPECT_TRUE(out_.ends_with("Failed to read IDPROM board info memory!\n"
                               "* SPROM write finished with error. rc:261\n"
                               "Done programming SPROM.\n"))
        << out_;
    EXPECT_TRUE(written_offsets().empty());
}

TEST_F(UtilProgramBoard, WriteFailureIsReported)
{
    fake_i2c().absent.insert(0x51);
    EXPECT_EQ(program(1, std::string(kBoardPrompts, '\n') + "y"), IDPROM_RC_TRANSFER_FAILED);
    EXPECT_TRUE(out_.ends_with("Failed to write data to IDPROM board info memory!\n"
                               "* SPROM write finished with error. rc:261\n"
                               "Done programming SPROM.\n"))
        << out_;
}

} // namespace
