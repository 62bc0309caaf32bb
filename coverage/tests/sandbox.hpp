// Fixture of the file-system tests: a fresh sandbox behind the fake
// platform layer, an empty registry and cleared runtime globals.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "covdump.h"
#include "fake_object.hpp"
#include "os_fake.hpp"
#include "stamp.hpp"

namespace covdump::test
{

// Local stamp of the fake clock (1700000000 at UTC+1).
inline constexpr const char *kFakeStamp = "20231114231320";
// Log directory of card7.
inline constexpr const char *kCard7Logs = "/misc/scratch/cflow/coverage_logs_card7.dat/";

class Sandbox : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fake::reset();
        reset_registry();
        std::memset(cflow_loc, 0, sizeof cflow_loc);
        std::memset(cflow_log_path, 0, sizeof cflow_log_path);
        cflowpid = fake::state().pid;
        refresh_utc_offset(); // as start-up does; handlers use the offset read last
    }
    void TearDown() override
    {
        reset_registry();
        fake::tear_down();
    }
    // The card's scratch area without a persistent disk.
    static void scratch_only()
    {
        fake::make_dirs("/misc/scratch");
    }
    // Scratch area, location card7 and the directories in place.
    static void card7_ready()
    {
        scratch_only();
        set_loc("card7");
        ASSERT_EQ(create_cflow_dirs(), 1);
    }
    static void set_loc(const char *loc)
    {
        std::strncpy(cflow_loc, loc, sizeof cflow_loc - 1);
    }
};

} // namespace covdump::test
