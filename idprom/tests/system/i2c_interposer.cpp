// LD_PRELOAD stand-in for the Linux I2C character devices: answers open,
// ioctl, read, write and close on /dev/i2c-N from a simulated bus 1 that
// carries a 2 KiB ID-PROM at 0x50 to 0x57, and records pauses instead of
// waiting.  Only used inside a private mount namespace whose /dev holds no
// real device.
//
//   I2C_SIM_EEPROM  file holding the 2048 ID-PROM bytes (read and written)
//   I2C_SIM_LOG     file the events are appended to, one per line
//   I2C_SIM_ABSENT  comma-separated device addresses that never answer
//   I2C_SIM_STUCK   comma-separated ID-PROM offsets whose byte acknowledges
//                   every write and keeps its old value (a worn cell)
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace
{

constexpr int kMaxFds = 1024;
constexpr int kPromBase = 0x50;
constexpr int kPromSize = 2048;

struct Device {
    bool open = false;
    int bus = -1;
    int addr = -1;
};
Device g_devices[kMaxFds];
uint8_t g_raw_pointer = 0;

template <typename Fn> Fn real(const char *name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

void log_event(const char *fmt, ...)
{
    const char *path = getenv("I2C_SIM_LOG");
    if (path == nullptr)
        return;
    static auto real_open = real<int (*)(const char *, int, ...)>("open");
    int fd = real_open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    char line[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line - 1, fmt, ap);
    va_end(ap);
    if (n > 0) {
        line[n] = '\n';
        ssize_t ignored = ::write(fd, line, static_cast<size_t>(n) + 1);
        (void)ignored;
    }
    close(fd);
}

// Whether `value` is in the comma-separated list of numbers in `variable`.
bool listed(const char *variable, long value)
{
    const char *list = getenv(variable);
    for (const char *p = list; p != nullptr && *p != '\0';) {
        char *end = nullptr;
        long a = strtol(p, &end, 0);
        if (end == p)
            break;
        if (a == value)
            return true;
        p = *end == ',' ? end + 1 : end;
    }
    return false;
}

bool absent(int addr)
{
    return listed("I2C_SIM_ABSENT", addr);
}

Device *tracked(int fd)
{
    return fd >= 0 && fd < kMaxFds && g_devices[fd].open ? &g_devices[fd] : nullptr;
}

// Offset of command byte `command` of the ID-PROM device, or -1.
long prom_offset(const Device &d, int command)
{
    if (d.bus != 1 || d.addr < kPromBase || d.addr > kPromBase + 7)
        return -1;
    return (d.addr - kPromBase) * 256L + command;
}

bool prom_io(long offset, uint8_t *byte, bool write)
{
    const char *path = getenv("I2C_SIM_EEPROM");
    if (path == nullptr || offset < 0 || offset >= kPromSize)
        return false;
    static auto real_open = real<int (*)(const char *, int, ...)>("open");
    int fd = real_open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    ssize_t n = write ? pwrite(fd, byte, 1, offset) : pread(fd, byte, 1, offset);
    close(fd);
    return n == 1;
}

bool answers(const Device &d)
{
    if (d.addr < 0 || absent(d.addr)) {
        errno = ENXIO;
        return false;
    }
    return true;
}

int smbus(Device &d, i2c_smbus_ioctl_data *args)
{
    const int cmd = args->command;
    if (args->read_write == I2C_SMBUS_READ) {
        log_event("smbus-read 0x%02x 0x%02x size %u", d.addr, cmd, args->size);
        if (!answers(d))
            return -1;
        uint8_t b = 0xFF;
        prom_io(prom_offset(d, cmd), &b, false);
        if (args->size == I2C_SMBUS_BLOCK_DATA) {
            // A full 32-byte block: only its first byte belongs to the caller.
            args->data->block[0] = I2C_SMBUS_BLOCK_MAX;
            memset(args->data->block + 1, 0xC3, I2C_SMBUS_BLOCK_MAX);
            args->data->block[1] = b;
        } else {
            args->data->byte = b;
        }
        return 0;
    }
    const unsigned value = args->data == nullptr ? 0u : args->data->byte;
    log_event("smbus-write 0x%02x 0x%02x size %u value 0x%02x", d.addr, cmd, args->size, value);
    if (!answers(d))
        return -1;
    const long offset = prom_offset(d, cmd);
    if (args->size == I2C_SMBUS_BYTE_DATA && !(offset >= 0 && listed("I2C_SIM_STUCK", offset))) {
        uint8_t b = static_cast<uint8_t>(value);
        prom_io(offset, &b, true);
    }
    return 0;
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    static auto real_open = real<int (*)(const char *, int, ...)>("open");
    va_list ap;
    va_start(ap, flags);
    mode_t mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
    int bus = -1;
    if (sscanf(path, "/dev/i2c-%d", &bus) != 1)
        return real_open(path, flags, mode);
    log_event("open %s", path);
    int fd = real_open("/dev/null", O_RDWR | O_CLOEXEC);
    if (fd >= 0 && fd < kMaxFds)
        g_devices[fd] = Device{true, bus, -1};
    return fd;
}

int open64(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    int mode = va_arg(ap, int);
    va_end(ap);
    return open(path, flags, mode);
}

int close(int fd)
{
    static auto real_close = real<int (*)(int)>("close");
    if (Device *d = tracked(fd)) {
        log_event("close 0x%02x", d->addr);
        d->open = false;
    }
    return real_close(fd);
}

int ioctl(int fd, unsigned long request, ...)
{
    static auto real_ioctl = real<int (*)(int, unsigned long, ...)>("ioctl");
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    Device *d = tracked(fd);
    if (d == nullptr)
        return real_ioctl(fd, request, arg);
    if (request == I2C_SLAVE || request == I2C_SLAVE_FORCE) {
        const long addr = reinterpret_cast<long>(arg);
        log_event("bind 0x%lx 0x%02lx", request, addr);
        d->addr = static_cast<int>(addr);
        return 0;
    }
    if (request == I2C_SMBUS)
        return smbus(*d, static_cast<i2c_smbus_ioctl_data *>(arg));
    errno = ENOTTY;
    return -1;
}

ssize_t write(int fd, const void *buf, size_t len)
{
    static auto real_write = real<ssize_t (*)(int, const void *, size_t)>("write");
    Device *d = tracked(fd);
    if (d == nullptr)
        return real_write(fd, buf, len);
    log_event("raw-write 0x%02x %zu", d->addr, len);
    if (!answers(*d))
        return -1;
    const auto *in = static_cast<const uint8_t *>(buf);
    if (len > 0)
        g_raw_pointer = in[0];
    for (size_t i = 1; i < len; ++i) {
        uint8_t b = in[i];
        prom_io(prom_offset(*d, g_raw_pointer++), &b, true);
    }
    return static_cast<ssize_t>(len);
}

ssize_t read(int fd, void *buf, size_t len)
{
    static auto real_read = real<ssize_t (*)(int, void *, size_t)>("read");
    Device *d = tracked(fd);
    if (d == nullptr)
        return real_read(fd, buf, len);
    log_event("raw-read 0x%02x %zu", d->addr, len);
    if (!answers(*d))
        return -1;
    auto *out = static_cast<uint8_t *>(buf);
    for (size_t i = 0; i < len; ++i) {
        out[i] = 0xFF;
        prom_io(prom_offset(*d, g_raw_pointer++), &out[i], false);
    }
    return static_cast<ssize_t>(len);
}

int nanosleep(const struct timespec *req, struct timespec *rem)
{
    log_event("sleep %ld", static_cast<long>(req->tv_sec * 1000000L + req->tv_nsec / 1000));
    if (rem != nullptr)
        *rem = timespec{};
    return 0;
}

int usleep(useconds_t us)
{
    log_event("sleep %u", us);
    return 0;
}

} // extern "C"
