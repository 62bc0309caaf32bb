// sse_call on a device of the caller's choosing: the exported function uses
// the process-wide one, the unit tests a fresh one each.
#pragma once

#include <pthread.h>

#include <atomic>

namespace ssecall
{

inline constexpr int kNotOpen = -1;

// The driver's device, opened lazily by the first call and then kept open.
struct SseDevice {
    // The open descriptor (0 included), or negative while the device is not
    // open (after a failed open it holds that open's -1, and the next call
    // tries again).
    std::atomic<int> fd{kNotOpen};
    // Serialises the open, so concurrent first calls open the device once.
    pthread_mutex_t open_lock = PTHREAD_MUTEX_INITIALIZER;
};

// The driver's result when it is 0 or more, otherwise the errno value of
// the failed ioctl, or of the failed open (whose message then goes to
// standard output).
int sse_call_on(SseDevice &device, int cmd, void *arg);

} // namespace ssecall
