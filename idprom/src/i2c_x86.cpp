// The x86 I2C road: one SMBus transaction per call on /dev/i2c-N, with up
// to ten attempts.
#include "boardprom.h"
#include "export.h"
#include "i2c_device.h"
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

// True when the device opened and took the address; otherwise prints why.
bool opened(const I2cDevice &dev, int addr)
{
    if (dev.failed == I2cOpenStep::Open)
        std::printf(kOpenFailed, dev.path);
    else if (dev.failed == I2cOpenStep::Bind)
        std::printf(kBindFailed, std::strerror(dev.error), static_cast<unsigned>(addr));
    return dev.failed == I2cOpenStep::Done;
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

} // namespace boardprom

using namespace boardprom;

extern "C" BOARDPROM_EXPORT int x86_cpu_i2c_rd(int bus, int addr, int size, int command, char *out)
{
    if (out == nullptr)
        return IDPROM_RC_INVALID;
    I2cDevice dev = i2c_open_bound(bus, addr, kI2cSlaveForce);
    if (!opened(dev, addr))
        return IDPROM_RC_OPEN_FAILED;
    uint8_t byte = 0;
    int32_t res = -1;
    for (int attempt = 0; attempt < kSmbusAttempts; ++attempt) {
        res = read_once(dev.fd.get(), size, static_cast<uint8_t>(command), &byte);
        if (res >= 0)
            break;
    }
    dev.fd.reset();
    if (res < 0) {
        std::printf(kReadFailed, static_cast<unsigned>(res));
        return IDPROM_RC_TRANSFER_FAILED;
    }
    *out = static_cast<char>(byte);
    return 0;
}

extern "C" BOARDPROM_EXPORT int x86_cpu_i2c_wr(int bus, int addr, int size, int command, char value)
{
    I2cDevice dev = i2c_open_bound(bus, addr, kI2cSlaveForce);
    if (!opened(dev, addr))
        return IDPROM_RC_OPEN_FAILED;
    int32_t res = -1;
    for (int attempt = 1; attempt <= kSmbusAttempts; ++attempt) {
        res = write_once(dev.fd.get(), size, static_cast<uint8_t>(command),
                         static_cast<uint8_t>(value));
        if (res >= 0)
            break;
        os::sleep_us(kWriteRetryPauseUs);
        std::printf(kWriteRetry, kWriteName, kSmbusAttempts - attempt);
    }
    dev.fd.reset();
    if (res < 0) {
        std::printf(kWriteFailed, static_cast<unsigned>(res));
        return IDPROM_RC_TRANSFER_FAILED;
    }
    return 0;
}
