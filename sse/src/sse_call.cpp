// The library's one exported function: open the device once, then one
// ioctl per command with a fresh record.
#include "sse_call.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "settings.h"
#include "sse_os.h"
#include "ssecall.h"

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

// The device's descriptor, opening it first if needed; -errno when the
// open fails.
int descriptor(SseDevice &device)
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

// The ioctl request number for a command: zero-extended from 32 bits, so
// commands with the top bit set are not sign-extended.
constexpr unsigned long request_number(int cmd)
{
    return static_cast<unsigned long>(static_cast<std::uint32_t>(cmd));
}

// Constant-initialised: usable before any constructor of the loading
// program runs, and nothing to destroy at exit.
constinit SseDevice process_device;

} // namespace

int sse_call_on(SseDevice &device, int cmd, void *arg)
{
    const int fd = descriptor(device);
    if (fd < 0)
        return -fd;
    // A fresh record for every call: nothing of an earlier call survives.
    SseRecord record{0, {0, 0, 0, 0}, arg};
    const int result = sse_os_ioctl(fd, request_number(cmd), &record);
    // The driver works through record.arg; the record is not read back.
    return result >= 0 ? result : errno;
}

} // namespace ssecall

extern "C" [[gnu::visibility("default")]] int sse_call(int cmd, void *arg)
{
    return ssecall::sse_call_on(ssecall::process_device, cmd, arg);
}
