// The fixture of the core's unit tests: fresh fakes and globals for every
// test, and the daemon's standard output as plain messages.
#ifndef LINKMON_TESTS_CORE_FIXTURE_H
#define LINKMON_TESTS_CORE_FIXTURE_H

#include "fakes/core_fakes.h"
#include "fakes/fake_card.h"
#include "pcie_monitor.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

namespace fake_core {

// The log's time-stamp prefix, as the fake clocks make it.
inline std::string strip_log_prefixes(const std::string &out)
{
    static const std::regex prefix(R"(\[ *[0-9]+\.[0-9]{6}\] (\[[0-9/]+ [0-9:]+\] )?)");
    return std::regex_replace(out, prefix, "");
}

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        reset();
        reset_core_globals();
    }
    void TearDown() override { reset(); }
    static void capture() { ::testing::internal::CaptureStdout(); }
    // The messages written since capture(), without their prefixes.
    static std::string messages()
    {
        return strip_log_prefixes(::testing::internal::GetCapturedStdout());
    }
};

} // namespace fake_core

#endif
