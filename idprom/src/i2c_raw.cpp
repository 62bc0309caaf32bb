// The plain-transfer road: raw read()/write() on /dev/i2c-N, failures
// reported as text in the caller's buffer.
#include "boardprom.h"
#include "export.h"
#include "i2c_device.h"
#include "message_buffer.h"
#include "settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace boardprom
{
namespace
{

inline constexpr const char *kOpenFailed = "%s: file %s failed to open, fd: %d";
inline constexpr const char *kBindFailed = "ERROR:%s: Could not set addr to 0x%x\n";
inline constexpr const char *kWriteFailed = "%s: write api failed, rc: %d";
inline constexpr const char *kReadFailed = "%s: read api failed, rc: %d";
inline constexpr const char *kBadLength = "%s: length %d not in 1 to 3";
inline constexpr const char *kNoOutput = "%s: no output array";
inline constexpr const char *kWriteName = "arm_cpu_i2c_port_wr";
inline constexpr const char *kReadName = "arm_cpu_i2c_port_rd";

// True when the device opened and took the address; otherwise says why,
// naming `who` when opening failed.
bool opened(const I2cDevice &dev, int addr, const char *who, const MessageBuffer &err)
{
    if (dev.failed == I2cOpenStep::Open)
        err.put(kOpenFailed, who, dev.path, dev.open_result);
    else if (dev.failed == I2cOpenStep::Bind)
        err.put(kBindFailed, std::strerror(dev.error), static_cast<unsigned>(addr));
    return dev.failed == I2cOpenStep::Done;
}

} // namespace
} // namespace boardprom

using namespace boardprom;

extern "C" {

BOARDPROM_EXPORT int arm_cpu_i2c_port_wr(int bus, int /*reg*/, int addr, const unsigned char *data,
                                         int len, char *errbuf, int errbuf_size)
{
    if (errbuf == nullptr)
        return IDPROM_RC_INVALID;
    const MessageBuffer err(errbuf, errbuf_size);
    const I2cDevice dev = i2c_open_bound(bus, addr, kI2cSlave);
    if (!opened(dev, addr, kWriteName, err))
        return IDPROM_RC_INVALID;
    // A negative length is never handed to write(): it reads as a failed write
    // (and a -1 result must not pass for a complete one).
    ssize_t rc = len < 0 ? -1 : os::i2c_write(dev.fd.get(), data, static_cast<size_t>(len));
    if (len < 0 || rc != len) {
        err.put(kWriteFailed, kWriteName, static_cast<int>(rc));
        return IDPROM_RC_INVALID;
    }
    os::sleep_us(kPlainWritePauseUs);
    return 0;
}

BOARDPROM_EXPORT int arm_cpu_i2c_port_rd(int bus, int reg, int addr, int out[3], int len,
                                         char *errbuf, int errbuf_size)
{
    if (errbuf == nullptr)
        return IDPROM_RC_INVALID;
    const MessageBuffer err(errbuf, errbuf_size);
    if (len < 1 || len > kPlainReadMax) {
        err.put(kBadLength, kReadName, len);
        return IDPROM_RC_INVALID;
    }
    if (out == nullptr) {
        err.put(kNoOutput, kReadName);
        return IDPROM_RC_INVALID;
    }
    const unsigned char byte = static_cast<unsigned char>(reg);
    int rc = arm_cpu_i2c_port_wr(bus, reg, addr, &byte, 1, errbuf, errbuf_size);
    if (rc != 0)
        return rc;
    const I2cDevice dev = i2c_open_bound(bus, addr, kI2cSlave);
    if (!opened(dev, addr, kReadName, err))
        return IDPROM_RC_INVALID;
    // The reply starts as the register number, little-endian, then zeros.
    unsigned char reply[kPlainReplySize] = {};
    const uint32_t r = static_cast<uint32_t>(reg);
    for (int i = 0; i < 4; ++i)
        reply[i] = static_cast<unsigned char>(r >> (8 * i));
    ssize_t n = os::i2c_read(dev.fd.get(), reply, static_cast<size_t>(len));
    if (n != len) {
        err.put(kReadFailed, kReadName, static_cast<int>(n));
        return IDPROM_RC_INVALID;
    }
    for (int i = 0; i < kPlainReadMax; ++i)
        out[i] = reply[i];
    return 0;
}

} // extern "C"
