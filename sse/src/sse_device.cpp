#include "sse_device.h"

#include <cerrno>
#include <cstdio>

#include "settings.h"
#include "sse_os.h"

namespace ssecall
{

namespace
{

inline constexpr const char *kOpenFailedFormat =
    "ERROR: sse_fd=%d err=%d sse_lib failed to open the /dev/klm_sse\n";

// Holds the open lock for a scope, with thread cancellation held off so a
// caller cancelled inside open() or printf() cannot leave it locked.
class OpenSection
{
  public:
    explicit OpenSection(pthread_mutex_t &lock) : lock_(lock)
    {
        pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state_);
        pthread_mutex_lock(&lock_);
    }
    ~OpenSection()
    {
        pthread_mutex_unlock(&lock_);
        pthread_setcancelstate(cancel_state_, nullptr);
    }
    OpenSection(const OpenSection &) = delete;
    OpenSection &operator=(const OpenSection &) = delete;

  private:
    pthread_mutex_t &lock_;
    int cancel_state_ = PTHREAD_CANCEL_ENABLE;
};

// Opens the device and stores the result; called with the lock held.
int open_device(SseDevice &device)
{
    const int fd = sse_os_open(kDevicePath, kOpenFlags);
    const int error = errno;
    device.fd.store(fd, std::memory_order_release);
    if (fd >= 0)
        return fd;
    std::printf(kOpenFailedFormat, fd, error);
    return -error;
}

} // namespace

int sse_device_descriptor(SseDevice &device)
{
    const int fd = device.fd.load(std::memory_order_acquire);
    if (fd >= 0)
        return fd;
    OpenSection section(device.open_lock);
    // Another thread may have opened the device while this one waited.
    const int opened = device.fd.load(std::memory_order_acquire);
    if (opened >= 0)
        return opened;
    return open_device(device);
}

} // namespace ssecall
