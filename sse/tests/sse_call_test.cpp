// sse_call's open, record and result rules against the fake driver.
#include <gtest/gtest.h>

#include <cstring>

#include "fakes/fake_driver.h"
#include "settings.h"
#include "sse_call.h"
#include "ssecall.h"

namespace
{

constexpr int kCommand = 0x5301;

class SseCall : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake::reset();
    }

    // One call on this test's own device, with what it printed.
    int call(int cmd, void *arg, std::string *printed = nullptr)
    {
        testing::internal::CaptureStdout();
        const int result = ssecall::sse_call_on(device_, cmd, arg);
        const std::string out = testing::internal::GetCapturedStdout();
        if (printed != nullptr)
            *printed = out;
        else
            EXPECT_EQ(out, "") << "unexpected output";
        return result;
    }

    ssecall::SseDevice device_;
};

std::uint64_t pointer_at_offset_8(const fake::Command &command)
{
    std::uint64_t value;
    std::memcpy(&value, command.record.data() + 8, sizeof value);
    return value;
}

TEST_F(SseCall, MissingDevicePrintsTheOpenFailureAndReturnsItsErrno)
{
    fake::driver().present = false;
    std::string printed;

    EXPECT_EQ(call(kCommand, nullptr, &printed), ENOENT);

    EXPECT_EQ(printed, "ERROR: sse_fd=-1 err=2 sse_lib failed to open the /dev/klm_sse\n");
    EXPECT_TRUE(fake::driver().recorded().empty()) << "no command without a device";
}

TEST_F(SseCall, CallAfterFailedOpenTriesAgain)
{
    fake::driver().present = false;
    fake::driver().open_errno = EACCES;
    std::string printed;

    EXPECT_EQ(call(kCommand, nullptr, &printed), EACCES);
    EXPECT_EQ(printed, "ERROR: sse_fd=-1 err=13 sse_lib failed to open the /dev/klm_sse\n");
    EXPECT_EQ(call(kCommand, nullptr, &printed), EACCES);
    EXPECT_EQ(printed, "ERROR: sse_fd=-1 err=13 sse_lib failed to open the /dev/klm_sse\n");

    fake::driver().present = true;
    EXPECT_EQ(call(kCommand, nullptr), 0);
    EXPECT_EQ(fake::driver().open_attempts, 3);
    EXPECT_EQ(fake::driver().opens, 1);
}

TEST_F(SseCall, OpensTheDeviceReadWriteOnceAndKeepsIt)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(call(kCommand, nullptr), 0);

    EXPECT_EQ(fake::driver().last_path, "/dev/klm_sse");
    EXPECT_EQ(fake::driver().last_flags, O_RDWR);
    EXPECT_EQ(fake::driver().open_attempts, 1);
    for (const fake::Command &command : fake::driver().recorded())
        EXPECT_EQ(command.fd, 100);
}

TEST_F(SseCall, DescriptorZeroIsAnOpenDevice)
{
    fake::driver().first_descriptor = 0;

    call(kCommand, nullptr);
    call(kCommand, nullptr);

    EXPECT_EQ(fake::driver().opens, 1) << "descriptor 0 was opened again and leaked";
    for (const fake::Command &command : fake::driver().recorded())
        EXPECT_EQ(command.fd, 0);
}

TEST_F(SseCall, EveryRecordIsFreshWhateverTheDriverDidBefore)
{
    // A driver that scribbles over the whole record it was handed.
    fake::driver().handler = [](unsigned long, void *record) {
        std::memset(record, 0xA5, 16);
        return 0;
    };
    int first = 0;
    int second = 0;

    call(kCommand, &first);
    call(kCommand, &second);
    call(kCommand, nullptr);

    const auto commands = fake::driver().recorded();
    ASSERT_EQ(commands.size(), 3u);
    const std::uint64_t expected[] = {reinterpret_cast<std::uintptr_t>(&first),
                                      reinterpret_cast<std::uintptr_t>(&second), 0};
    for (std::size_t i = 0; i < commands.size(); ++i) {
        for (std::size_t byte = 0; byte < 8; ++byte)
            EXPECT_EQ(commands[i].record[byte], 0) << "call " << i << " byte " << byte;
        EXPECT_EQ(pointer_at_offset_8(commands[i]), expected[i]) << "call " << i;
    }
}

TEST_F(SseCall, CommandIsZeroExtendedIntoTheRequestNumber)
{
    call(kCommand, nullptr);
    call(static_cast<int>(0xC0105302u), nullptr);
    call(-1, nullptr);

    const auto commands = fake::driver().recorded();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].request, 0x5301ul);
    EXPECT_EQ(commands[1].request, 0xC0105302ul);
    EXPECT_EQ(commands[2].request, 0xFFFFFFFFul);
}

TEST_F(SseCall, ExportedFunctionUsesTheProcessWideDevice)
{
    int data = 0;
    fake::driver().handler = [](unsigned long, void *record) {
        void *arg;
        std::memcpy(&arg, static_cast<char *>(record) + 8, sizeof arg);
        *static_cast<int *>(arg) = 42; // the driver answers through the pointer
        return 0;
    };

    EXPECT_EQ(sse_call(kCommand, &data), 0);
    EXPECT_EQ(sse_call(kCommand, &data), 0);

    EXPECT_EQ(data, 42);
    EXPECT_LE(fake::driver().opens, 1) << "the process device is opened at most once";
}

struct DriverAnswer {
    const char *name;
    int result; // what the driver's ioctl returns
    int error;  // errno it sets when failing
    int expected;
};

void PrintTo(const DriverAnswer &answer, std::ostream *os)
{
    *os << answer.name;
}

class DriverResult : public SseCall, public testing::WithParamInterface<DriverAnswer>
{
};

TEST_P(DriverResult, IsTurnedIntoTheReturnValueWithoutAMessage)
{
    const DriverAnswer answer = GetParam();
    fake::driver().handler = [answer](unsigned long, void *) {
        errno = answer.error;
        return answer.result;
    };

    EXPECT_EQ(call(kCommand, nullptr), answer.expected);
}

INSTANTIATE_TEST_SUITE_P(SseCall, DriverResult,
                         testing::Values(DriverAnswer{"Success", 0, 0, 0},
                                         DriverAnswer{"PositiveResultPassedThrough", 7, 0, 7},
                                         DriverAnswer{"LargeResultPassedThrough", 70000, 0, 70000},
                                         DriverAnswer{"InvalidCommand", -1, EINVAL, 22},
                                         DriverAnswer{"NotATypewriter", -1, ENOTTY, 25},
                                         DriverAnswer{"BadAddress", -1, EFAULT, 14}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
