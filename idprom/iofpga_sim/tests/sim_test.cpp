// The simulated I/O FPGA: state file handling, register space, transfers to
// the PROM and auxiliary devices, failure injection and the write log.
#include "iofpga.h"
#include "iofpga_sim.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

std::string state_path(const char *tag)
{
    return testing::TempDir() + "iofpga_sim_" + tag + "_" + std::to_string(getpid());
}

class Sim : public testing::Test
{
  protected:
    void SetUp() override
    {
        path_ = state_path("main");
        std::remove(path_.c_str());
        setenv(IOFPGA_SIM_ENV, path_.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv(IOFPGA_SIM_ENV);
        std::remove(path_.c_str());
    }
    static uint32_t reg(uint32_t offset)
    {
        uint32_t v = 0xDEADBEEF;
        EXPECT_EQ(iofpga_pci_read_memory_v2(offset, &v, 0), 0);
        return v;
    }
    // Starts a transfer on controller c, channel ch with the given word.
    static void start(int c, int ch, uint32_t word)
    {
        const uint32_t control = (c == 1 ? 0x224u : 0x254u) + 4u * ch;
        ASSERT_EQ(iofpga_pci_write_memory_v2(control, word, 0), 0);
    }
    std::string path_;
};

TEST_F(Sim, WithoutTheVariableEveryAccessFails)
{
    unsetenv(IOFPGA_SIM_ENV);
    uint32_t v = 0;
    EXPECT_EQ(iofpga_pci_read_memory_v2(0x118, &v, 0), ENODEV);
    EXPECT_EQ(iofpga_pci_write_memory_v2(0x118, 1, 0), ENODEV);
    EXPECT_EQ(iofpga_sim_reset(), ENODEV);
}

TEST_F(Sim, NewStateFileHoldsTheDefaults)
{
    EXPECT_EQ(reg(0x118), 0x00070000u);
    EXPECT_EQ(reg(0x11C), 0x03FF0000u);
    EXPECT_EQ(reg(0x224), 0u);
    uint8_t b[2] = {};
    EXPECT_EQ(iofpga_sim_prom_fetch(2, 11, IOFPGA_SIM_PROM_SIZE - 2, b, 2), 0);
    EXPECT_EQ(b[0], 0xFF);
    uint32_t v = 0;
    EXPECT_EQ(iofpga_pci_read_memory_v2(0x11A, &v, 0), EINVAL);
    EXPECT_EQ(iofpga_pci_read_memory_v2(IOFPGA_SIM_REG_SPACE, &v, 0), EINVAL);
    EXPECT_EQ(iofpga_sim_prom_fetch(2, 12, 0, b, 1), EINVAL);
    EXPECT_EQ(iofpga_sim_prom_fetch(3, 0, 0, b, 1), EINVAL);
    EXPECT_EQ(iofpga_sim_prom_fetch(1, 0, IOFPGA_SIM_PROM_SIZE - 1, b, 2), EINVAL);
}

TEST_F(Sim, EachPathIsItsOwnFpgaAndAReplacedFileIsSeen)
{
    EXPECT_EQ(iofpga_sim_reg_set(0x100, 11), 0);
    const std::string other = state_path("other");
    setenv(IOFPGA_SIM_ENV, other.c_str(), 1);
    EXPECT_EQ(reg(0x100), 0u);
    setenv(IOFPGA_SIM_ENV, path_.c_str(), 1);
    EXPECT_EQ(reg(0x100), 11u);
    std::remove(path_.c_str());
    std::ofstream(path_) << "not a state file";
    EXPECT_EQ(reg(0x100), 0u); // unknown contents: the defaults
    EXPECT_EQ(reg(0x118), 0x00070000u);
    std::remove(other.c_str());
}

TEST_F(Sim, PromTakesTwoAddressBytesAndReadsAtItsPointer)
{
    // Write 0xAB at 0x0102 on controller 1 channel 3: command 0x01, data
    // bytes 0x02 (address low) and 0xAB.
    ASSERT_EQ(iofpga_pci_write_memory_v2(0x284 + 12, 0xAB02, 0), 0);
    start(1, 3, 0x80000000u | 1u << 25 | 0x50u << 17 | 0x0100u);
    EXPECT_EQ(reg(0x224 + 12) & 0x81000000u, 0u);
    uint8_t b = 0;
    EXPECT_EQ(iofpga_sim_prom_fetch(1, 3, 0x102, &b, 1), 0);
    EXPECT_EQ(b, 0xAB);
    // Set the address, then a current-address read of two bytes.
    ASSERT_EQ(iofpga_pci_write_memory_v2(0x284 + 12, 0x02, 0), 0);
    start(1, 3, 0x80000000u | 0x50u << 17 | 0x0100u);
    start(1, 3, 0xC0000000u | 1u << 25 | 0x50u << 17 | 0x10000u | 0x0100u);
    EXPECT_EQ(reg(0x284 + 12) & 0xFFFFu, 0xFFABu);
}

TEST_F(Sim, AuxiliaryDeviceHasOneByteRegisters)
{
    EXPECT_EQ(iofpga_sim_aux_set(1, 0, 0, 0x3C), 0);
    start(1, 0, 0xC0000000u | 0x20u << 17 | 0x10000u); // current-address read
    EXPECT_EQ(reg(0x284) & 0xFF, 0x3Cu);
    ASSERT_EQ(iofpga_pci_write_memory_v2(0x2B4, 0x01, 0), 0);
    start(2, 0, 0x80000000u | 0x47u << 17 | 0xE100u); // write 0x01 to 0xE1
    uint8_t v = 0;
    EXPECT_EQ(iofpga_sim_aux_get(2, 0, 0xE1, &v), 0);
    EXPECT_EQ(v, 0x01);
}

TEST_F(Sim, AbsentAndUnknownDevicesNack)
{
    EXPECT_EQ(iofpga_sim_set_present(2, 4, IOFPGA_SIM_PROM, 0), 0);
    start(2, 4, 0x80000000u | 0x57u << 17 | 0x10000u);
    EXPECT_EQ(reg(0x254 + 16) & 0x81000000u, 0x01000000u);
    start(2, 5, 0x80000000u | 0x50u << 17 | 0x10000u); // 0x50 lives on controller 1
    EXPECT_EQ(reg(0x254 + 20) & 0x81000000u, 0x01000000u);
    start(2, 5, 0x80000000u | 0x57u << 17 | 0x10000u);
    EXPECT_EQ(reg(0x254 + 20) & 0x81000000u, 0u);
}

TEST_F(Sim, BusyCountsRunDown)
{
    EXPECT_EQ(iofpga_sim_set_busy(1, 1, 2, 1), 0);
    EXPECT_NE(reg(0x228) & 0x80000000u, 0u);
    EXPECT_NE(reg(0x228) & 0x80000000u, 0u);
    EXPECT_EQ(reg(0x228) & 0x80000000u, 0u);
    start(1, 1, 0x80000000u | 0x50u << 17 | 0x10000u);
    EXPECT_NE(reg(0x228) & 0x80000000u, 0u);
    EXPECT_EQ(reg(0x228) & 0x80000000u, 0u);
}

TEST_F(Sim, InjectedFailuresCountDown)
{
    EXPECT_EQ(iofpga_sim_fail_reads(0x118, 2, 7), 0);
    uint32_t v = 0;
    EXPECT_EQ(iofpga_pci_read_memory_v2(0x11C, &v, 0), 0);
    EXPECT_EQ(iofpga_pci_read_memory_v2(0x118, &v, 0), 7);
    EXPECT_EQ(iofpga_pci_read_memory_v2(0x118, &v, 0), 7);
    EXPECT_EQ(iofpga_pci_read_memory_v2(0x118, &v, 0), 0);
    EXPECT_EQ(iofpga_sim_fail_writes(IOFPGA_SIM_ANY_OFFSET, IOFPGA_SIM_FOREVER, 9), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(iofpga_pci_write_memory_v2(0x100, 1, 0), 9);
    EXPECT_EQ(reg(0x100), 0u);
}

TEST_F(Sim, WriteLogKeepsTheLatestWritesOldestFirst)
{
    for (uint32_t i = 0; i < 600; ++i)
        ASSERT_EQ(iofpga_pci_write_memory_v2(0x100, i, 0), 0);
    std::vector<iofpga_sim_write> log(1000);
    size_t n = 0;
    EXPECT_EQ(iofpga_sim_write_log(log.data(), log.size(), &n), 0);
    ASSERT_EQ(n, 512u);
    EXPECT_EQ(log[0].value, 88u);
    EXPECT_EQ(log[511].value, 599u);
    EXPECT_EQ(iofpga_sim_write_log(log.data(), 2, &n), 0);
    EXPECT_EQ(log[1].value, 599u);
    uint64_t reads = 0, writes = 0;
    EXPECT_EQ(iofpga_sim_counters(&reads, &writes), 0);
    EXPECT_EQ(writes, 600u);
}

} // namespace
