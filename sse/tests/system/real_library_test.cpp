// The real, shipped libssecall against the fake driver of shim/: this
// program links the shim ahead of the C library, so the library's own open
// and ioctl calls reach the fake. CTest runs every test in a process of its
// own, as the library's state lasts for the whole process.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "calls_at_once.h"
#include "shim/fake_klm_sse.h"
#include "ssecall.h"

namespace
{

constexpr char kMissingLine[] = "ERROR: sse_fd=-1 err=2 sse_lib failed to open the /dev/klm_sse\n";

// Kept first, so that a run of the whole program in one process still
// meets the device missing before anything opened it.
TEST(RealLibrary, MissingDeviceIsReportedOnEveryCallUntilItAppears)
{
    fake_klm_sse_set_device(0, ENOENT);

    testing::internal::CaptureStdout();
    const int first = sse_call(FAKE_SSE_COUNT, nullptr);
    const int second = sse_call(FAKE_SSE_COUNT, nullptr);
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(first, ENOENT);
    EXPECT_EQ(second, ENOENT);
    EXPECT_EQ(printed, std::string(kMissingLine) + kMissingLine);

    fake_klm_sse_set_device(1, 0);
    EXPECT_EQ(sse_call(FAKE_SSE_COUNT, nullptr), 7);
    EXPECT_EQ(fake_klm_sse_opens(), 1);
}

TEST(RealLibrary, OpensTheDeviceReadWriteOnce)
{
    sse_call(FAKE_SSE_COUNT, nullptr);
    sse_call(FAKE_SSE_COUNT, nullptr);

    EXPECT_EQ(fake_klm_sse_last_flags() & O_ACCMODE, O_RDWR);
    EXPECT_EQ(fake_klm_sse_opens(), 1);
}

TEST(RealLibrary, DriverRecordHasStatusZeroAndTheCallersPointerAtOffset8)
{
    for (int call = 0; call < 2; ++call) { // the driver scribbles over each record
        std::uint8_t seen[16];
        std::memset(seen, 0xEE, sizeof seen);

        ASSERT_EQ(sse_call(FAKE_SSE_ECHO, seen), 0);

        for (int byte = 0; byte < 8; ++byte)
            EXPECT_EQ(seen[byte], 0) << "call " << call << " byte " << byte;
        void *pointer;
        std::memcpy(&pointer, seen + 8, sizeof pointer);
        EXPECT_EQ(pointer, static_cast<void *>(seen)) << "call " << call;
    }
}

TEST(RealLibrary, DriverResultsAreReturnedWithoutAMessage)
{
    testing::internal::CaptureStdout();
    const int positive = sse_call(FAKE_SSE_COUNT, nullptr);
    const int invalid = sse_call(0x7777, nullptr);
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(positive, 7);
    EXPECT_EQ(invalid, 22);
    EXPECT_EQ(printed, "");
}

TEST(RealLibrary, CommandIsZeroExtendedIntoTheRequestNumber)
{
    EXPECT_EQ(sse_call(static_cast<int>(0xC0105303u), nullptr), EINVAL);

    EXPECT_EQ(fake_klm_sse_last_request(), 0xC0105303ul);
}

TEST(RealLibrary, ConcurrentFirstCallsOpenTheDeviceOnce)
{
    constexpr int kThreads = 16;
    fake_klm_sse_set_open_delay(5000);

    const std::vector<int> results =
        fake::calls_at_once(kThreads, [] { return sse_call(FAKE_SSE_COUNT, nullptr); });

    EXPECT_EQ(results, std::vector<int>(kThreads, 7));
    EXPECT_EQ(fake_klm_sse_opens(), 1) << "descriptors leaked";
}

} // namespace
