// A fresh simulated I/O FPGA for each test: the stand-in access library
// keeps its state in a temporary file of the test's own.
#pragma once

#include "iofpga_sim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace boardprom_test
{

class SimulatedFpga : public testing::Test
{
  protected:
    void SetUp() override
    {
        state_ = testing::TempDir() + "ops_fpga_" + std::to_string(getpid()) + ".state";
        setenv(IOFPGA_SIM_ENV, state_.c_str(), 1);
        ASSERT_EQ(iofpga_sim_reset(), 0);
    }

    void TearDown() override
    {
        std::remove(state_.c_str());
        unsetenv(IOFPGA_SIM_ENV);
    }

    // The first `len` bytes of a simulated PROM.
    static std::vector<uint8_t> prom(int controller, int channel, size_t len)
    {
        std::vector<uint8_t> bytes(len);
        EXPECT_EQ(iofpga_sim_prom_fetch(controller, channel, 0, bytes.data(), len), 0);
        return bytes;
    }

    static uint64_t register_reads()
    {
        uint64_t reads = 0, writes = 0;
        iofpga_sim_counters(&reads, &writes);
        return reads;
    }

    static uint64_t register_writes()
    {
        uint64_t reads = 0, writes = 0;
        iofpga_sim_counters(&reads, &writes);
        return writes;
    }

  private:
    std::string state_;
};

} // namespace boardprom_test
