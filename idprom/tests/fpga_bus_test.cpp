// FPGA transfers against the stand-in's simulated controllers: control
// words, register offsets, length masks, time-outs, NACK, failed register
// writes, and arguments refused before any register access.
#include "fpga_bus.h"

#include "fakes/fake_os.h"
#include "ops_console.h"
#include "ops_fpga.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using boardprom_test::Console;
using boardprom_test::fake_sleeps;

class FpgaRoad : public boardprom_test::SimulatedFpga
{
  protected:
    void SetUp() override
    {
        SimulatedFpga::SetUp();
        boardprom_test::reset_platform();
        iofpga_sim_clear_log();
    }
    static std::vector<iofpga_sim_write> writes()
    {
        std::vector<iofpga_sim_write> log(512);
        size_t n = 0;
        EXPECT_EQ(iofpga_sim_write_log(log.data(), log.size(), &n), 0);
        log.resize(n);
        return log;
    }
};

struct ReadWord {
    int dev;
    int controller;
    bool bit30;
};

class FpgaReadWord : public FpgaRoad, public testing::WithParamInterface<ReadWord>
{
};

TEST_P(FpgaReadWord, Bit30MarksThePromLikeDevices)
{
    const ReadWord &c = GetParam();
    uint32_t out = 0;
    mv_pmb_rd(c.dev, c.controller, 0, 0x12, &out, 2);
    const auto log = writes();
    ASSERT_FALSE(log.empty());
    const uint32_t expected = 0x80000000u | (c.bit30 ? 0x40000000u : 0) | (2u << 25) |
                              uint32_t(c.dev) << 17 | 0x10000u | 0x1200u;
    EXPECT_EQ(log[0].value, expected);
}

INSTANTIATE_TEST_SUITE_P(Devices, FpgaReadWord,
                         testing::Values(ReadWord{0x20, 1, true}, ReadWord{0x50, 1, true},
                                         ReadWord{0x57, 2, true}, ReadWord{0x47, 2, false},
                                         ReadWord{0x57, 1, false}, ReadWord{0x50, 2, false},
                                         ReadWord{0x20, 2, false}));

TEST_F(FpgaRoad, ReadLengthTakesSixBitsWriteLengthTwo)
{
    EXPECT_EQ(boardprom::fpga_read_control_word(0x10, 2, 0, 0x7F) & 0x7E000000u, 0x7E000000u);
    EXPECT_EQ(boardprom::fpga_write_control_word(0x10, 0, 0x7F) & 0x7E000000u, 0x06000000u);
    EXPECT_EQ(boardprom::fpga_write_control_word(0x47, 0xE1, 0), 0x808EE100u);
}

TEST_F(FpgaRoad, RegisterOffsetsPerControllerAndChannel)
{
    boardprom::FpgaChannelRegs regs{};
    ASSERT_TRUE(boardprom::fpga_channel_regs(1, 0, &regs));
    EXPECT_EQ(regs.control, 0x224u);
    EXPECT_EQ(regs.data, 0x284u);
    ASSERT_TRUE(boardprom::fpga_channel_regs(1, 11, &regs));
    EXPECT_EQ(regs.control, 0x250u);
    EXPECT_EQ(regs.data, 0x2B0u);
    ASSERT_TRUE(boardprom::fpga_channel_regs(2, 3, &regs));
    EXPECT_EQ(regs.control, 0x260u);
    EXPECT_EQ(regs.data, 0x2C0u);
    EXPECT_FALSE(boardprom::fpga_channel_regs(1, 12, &regs));
    EXPECT_FALSE(boardprom::fpga_channel_regs(3, 0, &regs));

    EXPECT_EQ(mv_pmb_wr(0x57, 2, 5, 0x01, 0xAB02, 1), 0);
    const auto log = writes();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].offset, 0x2B4u + 20);
    EXPECT_EQ(log[0].value, 0xAB02u);
    EXPECT_EQ(log[1].offset, 0x254u + 20);
    EXPECT_EQ(log[1].value, 0x80000000u | (1u << 25) | 0x57u << 17 | 0x0100u);
}

TEST_F(FpgaRoad, PromBytesGoThroughTwoByteAddressing)
{
    // A two-byte write stores the data byte at the offset; a one-byte write
    // sets the address for the current-address read that follows.
    EXPECT_EQ(mv_pmb_wr(0x50, 1, 2, 0x01, 0x5A << 8 | 0x23, 1), 0);
    uint8_t stored = 0;
    EXPECT_EQ(iofpga_sim_prom_fetch(1, 2, 0x123, &stored, 1), 0);
    EXPECT_EQ(stored, 0x5A);
    EXPECT_EQ(mv_pmb_wr(0x50, 1, 2, 0x01, 0x23, 0), 0);
    uint32_t out = 0;
    EXPECT_EQ(mv_pmb_rd(0x50, 1, 2, 0x01, &out, 0), 0);
    EXPECT_EQ(out, 0x5Au);
    EXPECT_EQ(fake_sleeps(), std::vector<unsigned>(8, 5000u)); // 3 + 3 + 2 pauses
}

TEST_F(FpgaRoad, ReadKeepsOnlyTheBytesAskedFor)
{
    const uint32_t masks[4] = {0xFFu, 0xFFFFu, 0xFFFFFFu, 0xFFFFFFFFu};
    const uint8_t rom[4] = {0x11, 0x22, 0x33, 0x44};
    ASSERT_EQ(iofpga_sim_prom_load(2, 0, 0, rom, 4), 0);
    for (int lc = 0; lc < 4; ++lc) {
        iofpga_sim_reg_set(0x2B4, 0xAABBCCDDu); // stale bytes above the ones read
        uint32_t out = 0;
        EXPECT_EQ(mv_pmb_wr(0x57, 2, 0, 0x00, 0x00, 0), 0);
        EXPECT_EQ(mv_pmb_rd(0x57, 2, 0, 0x00, &out, lc), 0);
        uint32_t expected = 0;
        for (int i = 0; i <= lc; ++i)
            expected |= uint32_t(rom[i]) << (8 * i);
        EXPECT_EQ(out, expected & masks[lc]) << lc;
    }
}

TEST_F(FpgaRoad, BusyForeverEndsAfterExactly10000StatusReads)
{
    iofpga_sim_set_busy(1, 4, IOFPGA_SIM_FOREVER, IOFPGA_SIM_FOREVER);
    uint64_t reads = 0;
    uint32_t out = 0x77;
    Console console;
    EXPECT_EQ(mv_pmb_rd(0x50, 1, 4, 0, &out, 0), 0x105);
    iofpga_sim_counters(&reads, nullptr);
    EXPECT_EQ(reads, 10000u);
    EXPECT_EQ(out, 0x77u);
    iofpga_sim_clear_log();
    EXPECT_EQ(mv_pmb_wr(0x50, 1, 4, 0, 0, 0), 0x105);
    iofpga_sim_counters(&reads, nullptr);
    EXPECT_EQ(reads, 10000u);
    EXPECT_TRUE(writes().empty()); // never started
    EXPECT_EQ(console.output(), "time out 3, 0xc0a10000\ntime out 1, 0xc0a10000\n");
}

TEST_F(FpgaRoad, EachTimeOutSaysWhereItHappened)
{
    Console console;
    uint32_t out = 0;
    iofpga_sim_set_busy(1, 0, 0, IOFPGA_SIM_FOREVER);
    EXPECT_EQ(mv_pmb_rd(0x50, 1, 0, 0, &out, 0), 0x105);
    iofpga_sim_set_busy(1, 0, 0, IOFPGA_SIM_FOREVER);
    EXPECT_EQ(mv_pmb_wr(0x50, 1, 0, 0, 0, 0), 0x105);
    iofpga_sim_set_busy(1, 0, IOFPGA_SIM_FOREVER, 0);
    EXPECT_EQ(mv_pmb_wr(0x50, 1, 0, 0, 0, 0), 0x105);
    EXPECT_EQ(console.output(), "time out 3, 0xc0a10000\n"
                                "time out 2, 0x80a00000\n"
                                "time out 1, 0x80a00000\n");
}

TEST_F(FpgaRoad, StatusReadyJustBeforeTheLimitIsNoTimeOut)
{
    iofpga_sim_set_busy(2, 1, 0, 9998);
    uint32_t out = 0;
    EXPECT_EQ(mv_pmb_rd(0x57, 2, 1, 0, &out, 0), 0);
}

TEST_F(FpgaRoad, AbsentDeviceIsANack)
{
    iofpga_sim_set_present(1, 1, IOFPGA_SIM_PROM, 0);
    uint32_t out = 0x99;
    Console console;
    EXPECT_EQ(mv_pmb_rd(0x50, 1, 1, 0, &out, 0), 0x2005);
    EXPECT_EQ(out, 0x99u);
    EXPECT_EQ(mv_pmb_wr(0x50, 1, 1, 0x02, 0x1234, 1), 0x2005);
    EXPECT_EQ(mv_pmb_wr(0x33, 2, 0, 0x02, 0x1, 0), 0x2005); // nothing at 0x33
    EXPECT_EQ(console.output(), "NACK error! 0x41a10000\n"
                                "::NACK error! 0x3a00200, write 0x82a00200, data 0x00001234, \n"
                                "::NACK error! 0x1660200, write 0x80660200, data 0x00000001, \n");
}

TEST_F(FpgaRoad, FailedRegisterWritesAreReportedAndIgnored)
{
    iofpga_sim_fail_writes(0x284, 1, 5);
    Console console;
    EXPECT_EQ(mv_pmb_wr(0x20, 1, 0, 0x00, 0x3C, 0), 0);
    iofpga_sim_fail_writes(0x224, 1, 5);
    EXPECT_EQ(mv_pmb_wr(0x20, 1, 0, 0x00, 0x3C, 0), 0);
    EXPECT_EQ(console.output(),
              "\nPMB_LIB_IDPROM(mv_pmb_wr()):Failed to write dev_data_reg:0x284 data:0x3c"
              "\nPMB_LIB_IDPROM(mv_pmb_wr()):Failed to write dev_ctrl_reg:0x224 data:0x80400000");
}

TEST_F(FpgaRoad, UnreadableStatusCountsAsBusy)
{
    iofpga_sim_fail_reads(IOFPGA_SIM_ANY_OFFSET, IOFPGA_SIM_FOREVER, 5);
    uint32_t out = 0;
    Console console;
    EXPECT_EQ(mv_pmb_rd(0x50, 1, 0, 0, &out, 0), 0x105);
    EXPECT_EQ(console.output(), "time out 3, 0x80000000\n");
}

struct BadArgs {
    int dev;
    int controller;
    int channel;
    int command;
};

class FpgaBadArgs : public FpgaRoad, public testing::WithParamInterface<BadArgs>
{
};

TEST_P(FpgaBadArgs, RefusedBeforeAnyRegister)
{
    const BadArgs &a = GetParam();
    uint32_t out = 0;
    Console console;
    EXPECT_EQ(mv_pmb_rd(a.dev, a.controller, a.channel, a.command, &out, 0), 22);
    EXPECT_EQ(mv_pmb_wr(a.dev, a.controller, a.channel, a.command, 0, 0), 22);
    uint64_t reads = 1, wr = 1;
    iofpga_sim_counters(&reads, &wr);
    EXPECT_EQ(reads, 0u);
    EXPECT_EQ(wr, 0u);
    EXPECT_EQ(console.output(), "");
}

INSTANTIATE_TEST_SUITE_P(Arguments, FpgaBadArgs,
                         testing::Values(BadArgs{0x50, 0, 0, 0}, BadArgs{0x50, 3, 0, 0},
                                         BadArgs{0x80, 1, 0, 0}, BadArgs{-1, 1, 0, 0},
                                         BadArgs{0x50, 1, 0, 0x100}, BadArgs{0x50, 1, 0, -1},
                                         BadArgs{0x50, 1, 12, 0}, BadArgs{0x50, 2, -1, 0}));

} // namespace
