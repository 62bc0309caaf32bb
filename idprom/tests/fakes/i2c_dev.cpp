// Fake I2C character devices and SMBus transactions: bus 1 carries a 2 KiB
// ID-PROM at 0x50 to 0x57; every call is recorded.
#include "fake_os.h"
#include "os.h"

#include <cerrno>
#include <cstring>
#include <map>

namespace boardprom_test
{
namespace
{

constexpr int kFirstFd = 100;
constexpr int kIdpromBase = 0x50;

struct OpenDevice {
    std::string path;
    int addr = -1;
};

std::map<int, OpenDevice> &open_devices()
{
    static std::map<int, OpenDevice> devices;
    return devices;
}

OpenDevice *device_of(int fd)
{
    auto it = open_devices().find(fd);
    return it == open_devices().end() ? nullptr : &it->second;
}

// True when the transfer on fd reaches a device that answers.
bool answers(int fd)
{
    FakeI2c &bus = fake_i2c();
    const OpenDevice *dev = device_of(fd);
    if (dev == nullptr || dev->addr < 0 || bus.absent.count(dev->addr) != 0) {
        errno = ENXIO;
        return false;
    }
    if (bus.failing_transfers > 0) {
        --bus.failing_transfers;
        errno = EIO;
        return false;
    }
    return true;
}

// Byte `command` of the ID-PROM device bound to fd; null outside it.
uint8_t *eeprom_byte(int fd, int command)
{
    const OpenDevice *dev = device_of(fd);
    if (dev == nullptr || dev->path != "/dev/i2c-1" || dev->addr < kIdpromBase ||
        dev->addr > kIdpromBase + 7)
        return nullptr;
    return &fake_i2c().eeprom[static_cast<size_t>((dev->addr - kIdpromBase) * 256 + command)];
}

I2cEvent event(I2cEvent::Kind kind, int fd)
{
    I2cEvent e{kind, {}};
    if (const OpenDevice *dev = device_of(fd))
        e.addr = dev->addr;
    return e;
}

int32_t record_write(int fd, int size, uint8_t command, uint32_t value)
{
    I2cEvent e = event(I2cEvent::SmbusWrite, fd);
    e.command = command;
    e.size = size;
    e.value = value;
    fake_i2c().events.push_back(e);
    return answers(fd) ? 0 : -1;
}

} // namespace

size_t FakeI2c::count(I2cEvent::Kind kind) const
{
    size_t n = 0;
    for (const I2cEvent &e : events)
        n += e.kind == kind ? 1 : 0;
    return n;
}

FakeI2c &fake_i2c()
{
    static FakeI2c bus;
    return bus;
}

void reset_platform()
{
    fake_i2c() = FakeI2c{};
    open_devices().clear();
    fake_sleeps().clear();
}

} // namespace boardprom_test

using namespace boardprom_test;

namespace boardprom::os
{

int i2c_open(const char *path)
{
    FakeI2c &bus = fake_i2c();
    I2cEvent e{I2cEvent::Open, path};
    bus.events.push_back(e);
    if (bus.open_fails) {
        errno = ENOENT;
        return -1;
    }
    int fd = kFirstFd;
    while (open_devices().count(fd) != 0)
        ++fd;
    open_devices()[fd] = OpenDevice{path, -1};
    ++bus.open_fds;
    return fd;
}

int i2c_bind(int fd, unsigned long request, int addr)
{
    I2cEvent e = event(I2cEvent::Bind, fd);
    e.request = request;
    e.addr = addr;
    fake_i2c().events.push_back(e);
    OpenDevice *dev = device_of(fd);
    if (dev == nullptr || fake_i2c().bind_fails) {
        errno = EBUSY;
        return -1;
    }
    dev->addr = addr;
    return 0;
}

int i2c_close(int fd)
{
    fake_i2c().events.push_back(event(I2cEvent::Close, fd));
    if (open_devices().erase(fd) == 0) {
        errno = EBADF;
        return -1;
    }
    --fake_i2c().open_fds;
    return 0;
}

ssize_t i2c_read(int fd, void *buf, size_t len)
{
    FakeI2c &bus = fake_i2c();
    bus.events.push_back(event(I2cEvent::RawRead, fd));
    if (!answers(fd))
        return -1;
    auto *out = static_cast<uint8_t *>(buf);
    for (size_t i = 0; i < len; ++i) {
        uint8_t *b = eeprom_byte(fd, bus.raw_pointer++);
        out[i] = b != nullptr ? *b : 0xFF;
    }
    return bus.raw_read_result != -2 ? bus.raw_read_result : static_cast<ssize_t>(len);
}

ssize_t i2c_write(int fd, const void *buf, size_t len)
{
    FakeI2c &bus = fake_i2c();
    bus.events.push_back(event(I2cEvent::RawWrite, fd));
    if (!answers(fd))
        return -1;
    const auto *in = static_cast<const uint8_t *>(buf);
    if (len > 0)
        bus.raw_pointer = in[0];
    for (size_t i = 1; i < len; ++i)
        if (uint8_t *b = eeprom_byte(fd, bus.raw_pointer++))
            *b = in[i];
    return bus.raw_write_result != -2 ? bus.raw_write_result : static_cast<ssize_t>(len);
}

int32_t smbus_read_byte_data(int fd, uint8_t command)
{
    I2cEvent e = event(I2cEvent::SmbusRead, fd);
    e.command = command;
    fake_i2c().events.push_back(e);
    if (!answers(fd))
        return -1;
    const uint8_t *b = eeprom_byte(fd, command);
    return b != nullptr ? *b : 0xFF;
}

int32_t smbus_read_block_data(int fd, uint8_t command, uint8_t *block)
{
    I2cEvent e = event(I2cEvent::SmbusBlockRead, fd);
    e.command = command;
    fake_i2c().events.push_back(e);
    if (!answers(fd))
        return -1;
    const std::vector<uint8_t> &reply = fake_i2c().block_reply;
    std::memcpy(block, reply.data(), reply.size() < 32 ? reply.size() : 32);
    return static_cast<int32_t>(reply.size() < 32 ? reply.size() : 32);
}

int32_t smbus_write_byte(int fd, uint8_t value)
{
    return record_write(fd, 1, value, 0);
}

int32_t smbus_write_byte_data(int fd, uint8_t command, uint8_t value)
{
    int32_t rc = record_write(fd, 2, command, value);
    if (rc == 0)
        if (uint8_t *b = eeprom_byte(fd, command))
            *b = value;
    return rc;
}

int32_t smbus_write_word_data(int fd, uint8_t command, uint16_t value)
{
    return record_write(fd, 3, command, value);
}

int32_t smbus_write_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values)
{
    return record_write(fd, 5, command, length == 1 ? values[0] : 0xFFFFFFFFu);
}

int32_t smbus_write_i2c_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values)
{
    return record_write(fd, 8, command, length == 1 ? values[0] : 0xFFFFFFFFu);
}

} // namespace boardprom::os
