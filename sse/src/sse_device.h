// The driver's device, opened lazily by the first call and kept open for
// the life of the process.
#pragma once

#include <pthread.h>

#include <atomic>

namespace ssecall
{

inline constexpr int kNotOpen = -1;

struct SseDevice {
    // The open descriptor, or negative while the device is not open (after
    // a failed open it holds that open's -1, and the next call tries again).
    std::atomic<int> fd{kNotOpen};
    // Serialises the open, so concurrent first calls open the device once.
    pthread_mutex_t open_lock = PTHREAD_MUTEX_INITIALIZER;
};

// The device's descriptor, opening it first if needed. When the open fails
// the failure is printed on standard output and -errno is returned.
int sse_device_descriptor(SseDevice &device);

} // namespace ssecall
