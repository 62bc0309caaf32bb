// The event log: prefix form, the 254-character cut, '%' in arguments.
#include "app/log.h"
#include "fakes/daemon_fixture.h"

#include <string>

using fake_os::DaemonTest;

using Log = DaemonTest;

TEST_F(Log, PrefixCarriesMonotonicMicrosecondsAndLocalDate)
{
    fake_os::state().mono = {12, 345678999};
    fake_os::state().wall = 86400 * 365 + 3723; // 01/01/71 01:02:03 UTC
    capture();
    EXPECT_EQ(pcie_log("hello %d\n", 7), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "[   12.345678] [01/01/71 01:02:03] hello 7\n");
}

TEST_F(Log, WideSecondsAreNotCut)
{
    fake_os::state().mono = {1234567, 5000};
    capture();
    pcie_log("x");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "[1234567.000005] [01/01/70 00:00:00] x");
}

TEST_F(Log, NoPrefixWhenTheMonotonicClockFails)
{
    fake_os::state().mono_fails = true;
    capture();
    pcie_log("bare\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "bare\n");
}

TEST_F(Log, LongMessageKeepsItsFirst254Characters)
{
    const std::string long_text(299, 'a');
    capture();
    pcie_log("%s\n", long_text.c_str());
    pcie_log("next\n");
    EXPECT_EQ(messages(), std::string(254, 'a') + "next\n");
}

TEST_F(Log, PercentInArgumentsIsWrittenUnchanged)
{
    capture();
    pcie_log("name %s\n", "eth%s0 %d %%");
    EXPECT_EQ(messages(), "name eth%s0 %d %%\n");
}

TEST_F(Log, PrefixKeepsErrno)
{
    errno = 42;
    capture();
    log_prefix();
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(errno, 42);
}
