// The auto-clear ring and the protected store.
#include "fakes/daemon_fixture.h"
#include "monitor/monitor.h"
#include "state/shared_state.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace
{

class AutoClear : public fake_os::DaemonTest
{
  protected:
    alignas(4096) uint32_t page_[1024] = {};
    volatile uint32_t *reg(unsigned word)
    {
        return &page_[word];
    }
};

} // namespace

TEST_F(AutoClear, FullRingDropsTheSixtyFourthRequestSilently)
{
    capture();
    for (uint32_t i = 1; i <= 64; ++i)
        enqueue_auto_clear(reg(i), i);
    EXPECT_EQ(messages(), "");
    EXPECT_EQ(ac_wr_idx, 63u);
    auto_clear_drain();
    EXPECT_EQ(page_[63], 63u);
    EXPECT_EQ(page_[64], 0u);
    EXPECT_EQ(ac_rd_idx, 63u);
    enqueue_auto_clear(reg(64), 64); // room again, the index wraps
    auto_clear_drain();
    EXPECT_EQ(page_[64], 64u);
    EXPECT_EQ(ac_wr_idx, 0u);
    EXPECT_EQ(ac_rd_idx, 0u);
}

TEST_F(AutoClear, RequestsAreWrittenInQueueOrderBehindAWritablePage)
{
    std::vector<uint32_t> stores;
    fake_os::state().on_sleep = nullptr;
    enqueue_auto_clear(reg(1), 0x4000);
    enqueue_auto_clear(reg(1), 0x8000);
    auto_clear_drain();
    EXPECT_EQ(page_[1], 0x8000u);
    const auto &p = fake_os::state().protects;
    ASSERT_EQ(p.size(), 4u);
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(p[i].page, static_cast<void *>(page_));
        EXPECT_EQ(p[i].length, 4096u);
        EXPECT_EQ(p[i].writable, i % 2 == 0);
    }
}

TEST_F(AutoClear, FailedUnprotectWritesNothing)
{
    page_[5] = 0x4010;
    fake_os::state().protect_results = {-1};
    capture();
    clear_ue_status(reg(5), 0x4000);
    const std::string out = messages();
    EXPECT_EQ(page_[5], 0x4010u);
    EXPECT_EQ(fake_os::state().protects.size(), 1u);
    EXPECT_EQ(out.rfind("Cannot modify protection to clear UE status 0x", 0), 0u) << out;
    EXPECT_NE(out.find(", rc = -1\n"), std::string::npos);
}

TEST_F(AutoClear, FailedReprotectIsLoggedAfterTheStore)
{
    fake_os::state().protect_results = {0, -1};
    capture();
    clear_ue_status(reg(2), 0x40000);
    const std::string out = messages();
    EXPECT_EQ(page_[2], 0x40000u);
    EXPECT_EQ(out.rfind("Cannot revert protection to clear UE status 0x", 0), 0u) << out;
}

TEST_F(AutoClear, ThreadDrainsThenSleepsSixSeconds)
{
    struct Stop {
    };
    enqueue_auto_clear(reg(3), 0x10000);
    fake_os::state().on_sleep = [](std::chrono::milliseconds) { throw Stop{}; };
    EXPECT_THROW(auto_clear_thread(nullptr), Stop);
    EXPECT_EQ(page_[3], 0x10000u);
    EXPECT_EQ(fake_os::state().sleeps, (fake_os::Sleeps{6s}));
}
