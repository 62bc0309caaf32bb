// The x86 I2C road: one SMBus transaction per call on /dev/i2c-N, with up
// to ten attempts.
#include "boardprom.h"
#include "export.h"
#include "i2c_fd.h"
#include "settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace boardprom
{
namespace
{

inline constexpr const char *kOpenFailed = "ERROR: Could not open dev, %s\n";
inline constexpr const char *kBindFailed = "ERROR:%s: Could not set addr to 0x%x\n";
inline constexpr const char *kReadFailed = "read failed, res = 0x%x\n";
inline constexpr const char *kWriteRetry = "%s retry again count = %d\n";
inline constexpr const char *kWriteFailed = "Write failed, res = 0x%x\n";
inline constexpr const char *kWriteName = "x86_cpu_i2c_wr";

// SMBus transaction sizes.
inline constexpr int kSmbusByte = 1;
inline constexpr int kSmbusWordData = 3;
inline constexpr int kSmbusBlockData = 5;
inline constexpr int kSmbusI2cBlockData = 8;
inline constexpr int kSmbusBlockMax = 32; // I2C_SMBUS_BLOCK_MAX

// Opens /dev/i2c-<bus> and binds it to addr; prints why when it cannot.
I2cFd open_bound(int bus, int addr)
{
    char path[32];
    i2c_device_path(bus, path);
    I2cFd fd(os::i2c_open(path));
    if (!fd.valid()) {
        std::printf(kOpenFailed, path);
        return fd;
    }
    if (os::i2c_bind(fd.get(), kI2cSlaveForce, addr) < 0) {
        std::printf(kBindFailed, std::strerror(errno), static_cast<unsigned>(addr));
        fd.reset();
    }
    return fd;
}

int32_t read_once(int fd, int size, uint8_t command, uint8_t *out)
{
    if (size == kSmbusBlockData) {
        // A block may hold up to 32 bytes; only the first is the caller's.
        uint8_t block[kSmbusBlockMax] = {};
        int32_t res = os::smbus_read_block_data(fd, command, block);
        if (res >= 0)
            *out = block[0];
        return res;
    }
    int32_t res = os::smbus_read_byte_data(fd, command);
    if (res >= 0)
        *out = static_cast<uint8_t>(res);
    return res;
}

int32_t write_once(int fd, int size, uint8_t command, uint8_t value)
{
    switch (size) {
    case kSmbusByte:
        return os::smbus_write_byte(fd, command);
    case kSmbusWordData:
        return os::smbus_write_word_data(fd, command, value);
    case kSmbusBlockData:
        return os::smbus_write_block_data(fd, command, 1, &value);
    case kSmbusI2cBlockData:
        return os::smbus_write_i2c_block_data(fd, command, 1, &value);
    default:
        return os::smbus_write_byte_data(fd, command, value);
    }
}

} // namespace

void i2c_device_path(int bus, char (&path)[32])
{
    std::snprintf(path, sizeof path, kI2cDevicePattern, bus);
}

} // namespace boardprom

using namespace boardprom;

extern "C" BOARDPROM_EXPORT int x86_cpu_i2c_rd(int bus, int addr, int size, int command, char *out)
{
    if (out == nullptr)
        return IDPROM_RC_INVALID;
    I2cFd fd = open_bound(bus, addr);
    if (!fd.valid())
        return IDPROM_RC_OPEN_FAILED;
    uint8_t byte = 0;
    int32_t res = -1;
    for (int attempt = 0; attempt < kSmbusAttempts; ++attempt) {
        res = read_once(fd.get(), size, static_cast<uint8_t>(command), &byte);
        if (res >= 0)
            break;
    }
    fd.reset();
    if (res < 0) {
        std::printf(kReadFailed, static_cast<unsigned>(res));
        return IDPROM_RC_TRANSFER_FAILED;
    }
    *out = static_cast<char>(byte);
    return 0;
}

extern "C" BOARDPROM_EXPORT int x86_cpu_i2c_wr(int bus, int addr, int size, int command, char value)
{
    I2cFd fd = open_bound(bus, addr);
    if (!fd.valid())
        return IDPROM_RC_OPEN_FAILED;
    int32_t res = -1;
    for (int attempt = 1; attempt <= kSmbusAttempts; ++attempt) {
        res =
            write_once(fd.get(), size, static_cast<uint8_t>(command), static_cast<uint8_t>(value));
        if (res >= 0)
            break;
        os::sleep_us(kWriteRetryPauseUs);
        std::printf(kWriteRetry, kWriteName, kSmbusAttempts - attempt);
    }
    fd.reset();
    if (res < 0) {
        std::printf(kWriteFailed, static_cast<unsigned>(res));
        return IDPROM_RC_TRANSFER_FAILED;
    }
    return 0;
}
