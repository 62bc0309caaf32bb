// The auto-clear ring and thread: uncorrectable-error status bits that the
// UES check queues are written back (write-1-to-clear) every 6 seconds,
// with the one configuration page made writable only for the store.
#include "app/log.h"
#include "monitor/monitor.h"
#include "os/os.h"
#include "settings.h"
#include "state/shared_state.h"

#include <pthread.h>

#include <cstdint>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_PROTECT_FAILED =
    "Cannot modify protection to clear UE status %p, rc = %d\n";
inline constexpr const char *MSG_REVERT_FAILED =
    "Cannot revert protection to clear UE status %p, rc = %d\n";

inline constexpr uint32_t RING_MASK = AUTO_CLEAR_SLOTS - 1;
static_assert((AUTO_CLEAR_SLOTS & RING_MASK) == 0, "the ring size is a power of two");

// Holds auto_clear_lock for one scope.
class RingLock
{
  public:
    RingLock()
    {
        pthread_mutex_lock(&auto_clear_lock);
    }
    RingLock(const RingLock &) = delete;
    RingLock &operator=(const RingLock &) = delete;
    ~RingLock()
    {
        pthread_mutex_unlock(&auto_clear_lock);
    }
};

// Takes the oldest entry; false when the ring is empty.
bool take_entry(AutoClearEntry *entry)
{
    RingLock lock;
    if (ac_rd_idx == ac_wr_idx)
        return false;
    *entry = auto_clear[ac_rd_idx];
    ac_rd_idx = (ac_rd_idx + 1) & RING_MASK;
    return true;
}

} // namespace

extern "C" {

void enqueue_auto_clear(volatile uint32_t *reg, uint32_t bits)
{
    RingLock lock;
    if (((ac_wr_idx + 1) & RING_MASK) == ac_rd_idx)
        return; // full: dropped without a message
    auto_clear[ac_wr_idx] = AutoClearEntry{reg, bits};
    ac_wr_idx = (ac_wr_idx + 1) & RING_MASK;
}

void clear_ue_status(volatile uint32_t *reg, uint32_t bits)
{
    const auto addr = reinterpret_cast<std::uintptr_t>(reg);
    void *page = reinterpret_cast<void *>(addr & ~(settings::CFG_PAGE_SIZE - 1));
    void *shown = const_cast<uint32_t *>(reg);
    if (int rc = os::protect(page, settings::CFG_PAGE_SIZE, true); rc != 0) {
        pcie_log(MSG_PROTECT_FAILED, shown, rc);
        return;
    }
    *reg = bits;
    if (int rc = os::protect(page, settings::CFG_PAGE_SIZE, false); rc != 0)
        pcie_log(MSG_REVERT_FAILED, shown, rc);
}

void auto_clear_drain(void)
{
    AutoClearEntry entry{};
    while (take_entry(&entry))
        clear_ue_status(entry.reg, entry.bits);
}

void *auto_clear_thread(void *)
{
    for (;;) {
        auto_clear_drain();
        os::sleep_for(settings::AUTO_CLEAR_PERIOD);
    }
    return nullptr;
}

} // extern "C"
