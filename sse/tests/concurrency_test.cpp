// Many threads making their first call at once.
#include <gtest/gtest.h>

#include <vector>

#include "calls_at_once.h"
#include "fakes/fake_driver.h"
#include "sse_call.h"

namespace
{

constexpr int kThreads = 16;

std::vector<int> first_calls_at_once(ssecall::SseDevice &device)
{
    int data = 0;
    return fake::calls_at_once(kThreads,
                               [&] { return ssecall::sse_call_on(device, 0x5301, &data); });
}

TEST(SseConcurrency, ConcurrentFirstCallsOpenTheDeviceOnce)
{
    fake::reset();
    fake::driver().open_delay = std::chrono::milliseconds(5);
    ssecall::SseDevice device;

    const std::vector<int> results = first_calls_at_once(device);

    EXPECT_EQ(results, std::vector<int>(kThreads, 0));
    EXPECT_EQ(fake::driver().open_attempts, 1);
    EXPECT_EQ(fake::driver().opens, 1) << "descriptors leaked";
    const auto commands = fake::driver().recorded();
    ASSERT_EQ(commands.size(), static_cast<std::size_t>(kThreads));
    for (const fake::Command &command : commands)
        EXPECT_EQ(command.fd, 100);
}

TEST(SseConcurrency, ConcurrentFirstCallsOnMissingDeviceEachReportTheFailure)
{
    fake::reset();
    fake::driver().present = false;
    ssecall::SseDevice device;

    testing::internal::CaptureStdout();
    const std::vector<int> results = first_calls_at_once(device);
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(results, std::vector<int>(kThreads, ENOENT));
    EXPECT_EQ(fake::driver().open_attempts, kThreads);
    std::string expected;
    for (int i = 0; i < kThreads; ++i)
        expected += "ERROR: sse_fd=-1 err=2 sse_lib failed to open the /dev/klm_sse\n";
    EXPECT_EQ(printed, expected) << "lines must not interleave";
    EXPECT_TRUE(fake::driver().recorded().empty());
}

} // namespace
