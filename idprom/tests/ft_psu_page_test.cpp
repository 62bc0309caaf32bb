// Fan-tray and power-module PROM pages through the simulated FPGA.
#include "ops_console.h"
#include "ops_fake_clock.h"
#include "ops_fpga.h"
#include "ops_images.h"

#include "boardprom.h"

#include <gtest/gtest.h>

#include <vector>

using namespace boardprom_test;

namespace
{

inline constexpr int kFan = IDPROM_KIND_FAN_TRAY;
inline constexpr int kPsu = IDPROM_KIND_POWER_MODULE;

class FtPsuPage : public SimulatedFpga
{
  protected:
    void SetUp() override
    {
        SimulatedFpga::SetUp();
        reset_sleeps();
    }

    static void load(int controller, int channel, const Image &img, size_t len)
    {
        ASSERT_EQ(iofpga_sim_prom_load(controller, channel, 0, img.data(), len), 0);
    }
};

TEST_F(FtPsuPage, FanTrayImageIsReadByteByByte)
{
    const Image img = fan_tray_image();
    load(1, 2, img, kFanImageSize);
    Image got{};
    EXPECT_EQ(idprom_read_ft_psu_page(kFan, got.data(), kFanImageSize, 2), 0);
    EXPECT_EQ(got, img);
    // Per byte: the address write (three 5 ms steps), 5 ms, the read (two).
    EXPECT_EQ(count_sleeps(5000), kFanImageSize * 6);
}

TEST_F(FtPsuPage, PowerModuleImageComesFromItsController)
{
    const Image img = power_module_image();
    load(2, 7, img, kPsuImageSize);
    Image got{};
    EXPECT_EQ(idprom_read_ft_psu_page(kPsu, got.data(), kPsuImageSize, 7), 0);
    EXPECT_EQ(got, img);
}

TEST_F(FtPsuPage, OffsetsBeyondAPageUseTheHighByteAsCommand)
{
    std::vector<uint8_t> bytes(300);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(iofpga_sim_prom_load(1, 0, 0, bytes.data(), bytes.size()), 0);
    std::vector<uint8_t> got(300);
    EXPECT_EQ(idprom_read_ft_psu_page(kFan, got.data(), 300, 0), 0);
    EXPECT_EQ(got, bytes);
    std::vector<uint8_t> data(300, 0x5A);
    EXPECT_EQ(idprom_write_ft_psu_page(kFan, data.data(), 300, 0), 0);
    EXPECT_EQ(prom(1, 0, 300), data);
}

TEST_F(FtPsuPage, WriteStoresEveryByteAndClearsTheFanTrayBit)
{
    ASSERT_EQ(iofpga_sim_aux_set(1, 4, 0x00, 0xFF), 0);
    const Image img = fan_tray_image();
    EXPECT_EQ(idprom_write_ft_psu_page(kFan, img.data(), kFanImageSize, 4), 0);
    const std::vector<uint8_t> want(img.begin(), img.begin() + kFanImageSize);
    EXPECT_EQ(prom(1, 4, kFanImageSize), want);
    uint8_t aux = 0;
    ASSERT_EQ(iofpga_sim_aux_get(1, 4, 0x00, &aux), 0);
    EXPECT_EQ(aux, 0xF7);
    EXPECT_EQ(count_sleeps(100), kFanImageSize);
}

TEST_F(FtPsuPage, PowerModuleWriteIsPrecededByItsEnableByte)
{
    const Image img = power_module_image();
    EXPECT_EQ(idprom_write_ft_psu_page(kPsu, img.data(), kPsuImageSize, 1), 0);
    uint8_t aux = 0;
    ASSERT_EQ(iofpga_sim_aux_get(2, 1, 0xE1, &aux), 0);
    EXPECT_EQ(aux, 0x01);
    const std::vector<uint8_t> want(img.begin(), img.begin() + kPsuImageSize);
    EXPECT_EQ(prom(2, 1, kPsuImageSize), want);
}

TEST_F(FtPsuPage, WrongKindMakesNoTransfer)
{
    Image got{};
    const uint64_t reads = register_reads(), writes = register_writes();
    Console console;
    EXPECT_EQ(idprom_read_ft_psu_page(5, got.data(), 10, 0), 0);
    EXPECT_EQ(idprom_write_ft_psu_page(0, got.data(), 10, 0), 0);
    EXPECT_EQ(console.output(), "Wrong instance\nWrong instance\n");
    EXPECT_EQ(register_reads(), reads);
    EXPECT_EQ(register_writes(), writes);
}

TEST_F(FtPsuPage, NothingToReadMakesNoTransfer)
{
    const uint64_t writes = register_writes();
    Image got{};
    EXPECT_EQ(idprom_read_ft_psu_page(kFan, got.data(), 0, 0), 0);
    EXPECT_EQ(register_writes(), writes);
}

TEST_F(FtPsuPage, SilentPromIsReportedAndReadsAsZero)
{
    ASSERT_EQ(iofpga_sim_set_present(1, 3, IOFPGA_SIM_PROM, 0), 0);
    Image got{};
    got.fill(0xCC);
    Console console;
    EXPECT_EQ(idprom_read_ft_psu_page(kFan, got.data(), 4, 3), IDPROM_RC_NACK);
    EXPECT_EQ(idprom_write_ft_psu_page(kFan, got.data(), 4, 3), IDPROM_RC_NACK);
    console.output();
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(got[i], 0) << i;
    EXPECT_EQ(got[4], 0xCC);
}

TEST_F(FtPsuPage, BusyControllerTimesOut)
{
    ASSERT_EQ(iofpga_sim_set_busy(2, 0, 0, IOFPGA_SIM_FOREVER), 0);
    Image got{};
    Console console;
    EXPECT_EQ(idprom_read_ft_psu_page(kPsu, got.data(), 1, 0) & IDPROM_RC_TRANSFER_FAILED,
              IDPROM_RC_TRANSFER_FAILED);
    EXPECT_NE(console.output().find("time out"), std::string::npos);
}

TEST_F(FtPsuPage, UnreadableFanTrayBitIsNotWrittenBack)
{
    ASSERT_EQ(iofpga_sim_set_present(1, 5, IOFPGA_SIM_AUX, 0), 0);
    ASSERT_EQ(iofpga_sim_clear_log(), 0);
    const Image img = fan_tray_image();
    Console console;
    EXPECT_EQ(idprom_write_ft_psu_page(kFan, img.data(), 2, 5), IDPROM_RC_NACK);
    console.output();
    // The control words written: the read of device 0x20, then the PROM's
    // writes and reads; never a write to device 0x20.
    std::vector<iofpga_sim_write> log(64);
    size_t n = 0;
    ASSERT_EQ(iofpga_sim_write_log(log.data(), log.size(), &n), 0);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t word = log[i].value;
        const bool control = log[i].offset == 0x224 + 4 * 5;
        const bool to_aux_write = ((word >> 17) & 0x7F) == 0x20 && (word & 0x00010000) == 0;
        EXPECT_FALSE(control && (word & 0x80000000u) && to_aux_write) << std::hex << word;
    }
    EXPECT_EQ(prom(1, 5, 2), std::vector<uint8_t>(img.begin(), img.begin() + 2));
}

} // namespace
