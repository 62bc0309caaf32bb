// The auto-clear ring shared by the monitoring thread (producer) and the
// auto-clear thread (consumer), with the real page-protection switch.
#include "monitor/monitor.h"
#include "state/shared_state.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/mman.h>

#include <atomic>
#include <thread>

extern "C" pthread_mutex_t auto_clear_lock;

namespace
{

constexpr uint32_t REQUESTS = 5000;
constexpr unsigned REGISTERS = 4;

bool ring_full()
{
    pthread_mutex_lock(&auto_clear_lock);
    const bool full = ((ac_wr_idx + 1) % AUTO_CLEAR_SLOTS) == ac_rd_idx;
    pthread_mutex_unlock(&auto_clear_lock);
    return full;
}

} // namespace

TEST(AutoClearRace, EveryQueuedClearIsWrittenInOrder)
{
    void *p = ::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(p, MAP_FAILED);
    auto *page = static_cast<volatile uint32_t *>(p);
    std::atomic<bool> done{false};
    std::thread consumer([&] {
        while (!done.load())
            auto_clear_drain();
        auto_clear_drain();
    });
    for (uint32_t i = 1; i <= REQUESTS; ++i) {
        while (ring_full())
            std::this_thread::yield();
        enqueue_auto_clear(page + i % REGISTERS, i);
    }
    done.store(true);
    consumer.join();
    for (unsigned r = 0; r < REGISTERS; ++r)
        EXPECT_EQ(page[r], REQUESTS - ((REQUESTS - r) % REGISTERS)) << r;
    EXPECT_EQ(ac_rd_idx, ac_wr_idx);
    ::munmap(p, 4096);
}
