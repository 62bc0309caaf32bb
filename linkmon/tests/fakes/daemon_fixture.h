// The fixture of the daemon's unit tests: a fresh fake platform edge and
// fresh globals for every test, and the daemon's standard output as plain
// messages.
#ifndef LINKMON_TESTS_FAKES_DAEMON_FIXTURE_H
#define LINKMON_TESTS_FAKES_DAEMON_FIXTURE_H

#include "fakes/os_fake.h"

#include <linkmon/fmea_device.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

namespace fake_os
{

// Clears the daemon's globals: device table, SATA state, board lists (27065
// selected) and their match counts, loop counters, auto-clear ring, client
// table, injection state, NIC list state and the board type.
void reset_daemon_globals();

// Appends a monitored row with this address to the device table (vendor
// 8086, device 1533, paired with row 0).
FmeaDevice &add_row(unsigned bus, unsigned dev, unsigned func);

// The log's time-stamp prefix, as the fake clock makes it.
inline std::string strip_log_prefixes(const std::string &out)
{
    static const std::regex prefix(R"(\[ *[0-9]+\.[0-9]{6}\] (\[[0-9/]+ [0-9:]+\] )?)");
    return std::regex_replace(out, prefix, "");
}

// Runs f and returns what it wrote to standard output (the event log and
// the client's messages), prefixes included.
template <class F> std::string capture_stdout(F f)
{
    ::testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

class DaemonTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        reset();
        reset_daemon_globals();
    }
    void TearDown() override
    {
        reset();
    }
    static void capture()
    {
        ::testing::internal::CaptureStdout();
    }
    // The messages written since capture(), without their prefixes.
    static std::string messages()
    {
        return strip_log_prefixes(::testing::internal::GetCapturedStdout());
    }
};

} // namespace fake_os

#endif
