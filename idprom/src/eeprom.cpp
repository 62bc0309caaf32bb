// The board ID-PROM: 2 KiB behind device addresses 0x50 to 0x57 of I2C
// bus 1, moved one byte per SMBus transaction.
#include "boardprom.h"
#include "export.h"
#include "os.h"
#include "progress.h"
#include "settings.h"

#include <cstdio>
#include <cstring>

namespace boardprom
{
namespace
{

inline constexpr const char *kReadFailed = "Read AT24 failed rc = 0x%x\n";
inline constexpr const char *kWriteFailed = "Write AT24 failed rc = 0x%x\n";
inline constexpr const char *kPastProm =
    "%s AT24 refused: %u bytes from offset %u pass the end of the %d-byte ID-PROM\n";
inline constexpr const char *kRead = "Read";
inline constexpr const char *kWrite = "Write";

// Offsets from 2048 up would address the devices above 0x57, which are not
// the ID-PROM: such a range is refused before any device is opened.
bool within_prom(const char *what, unsigned count, unsigned offset)
{
    constexpr auto size = static_cast<unsigned>(kIdpromSize);
    if (count == 0 || (count <= size && offset <= size - count))
        return true;
    std::printf(kPastProm, what, count, offset, kIdpromSize);
    return false;
}

// Device address and command byte of ID-PROM offset o.
int device_of(unsigned o)
{
    return kIdpromBaseAddr + static_cast<int>(o >> 8);
}

int command_of(unsigned o)
{
    return static_cast<int>(o & 0xFF);
}

} // namespace
} // namespace boardprom

using namespace boardprom;

extern "C" {

BOARDPROM_EXPORT int idprom_read_eeprom(unsigned char *buf, unsigned int count, unsigned int offset)
{
    if (!within_prom(kRead, count, offset))
        return IDPROM_RC_INVALID;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned o = offset + i;
        int rc = x86_cpu_i2c_rd(kIdpromBus, device_of(o), kSmbusByteData, command_of(o),
                                reinterpret_cast<char *>(&buf[i]));
        if (rc != 0) {
            std::printf(kReadFailed, static_cast<unsigned>(rc));
            return rc;
        }
    }
    return 0;
}

BOARDPROM_EXPORT int idprom_write_eeprom(const unsigned char *data, unsigned int count,
                                         unsigned int offset)
{
    if (!within_prom(kWrite, count, offset))
        return IDPROM_RC_INVALID;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned o = offset + i;
        int rc = x86_cpu_i2c_wr(kIdpromBus, device_of(o), kSmbusByteData, command_of(o),
                                static_cast<char>(data[i]));
        if (rc != 0) {
            std::printf(kWriteFailed, static_cast<unsigned>(rc));
            return rc;
        }
        os::sleep_us(kEepromWritePauseUs);
    }
    return 0;
}

BOARDPROM_EXPORT int idprom_read_page(int /*kind*/, unsigned char *buf, int count, int /*reserved*/)
{
    if (count <= 0)
        return 0;
    if (!within_prom(kRead, static_cast<unsigned>(count), 0))
        return IDPROM_RC_INVALID;
    std::memset(buf, 0, static_cast<size_t>(count));
    int rc = 0;
    for (int j = 0; j < count; ++j) {
        rc |= idprom_read_eeprom(buf + j, 1, static_cast<unsigned>(j));
        report_progress(j + 1, count);
    }
    return rc;
}

BOARDPROM_EXPORT int idprom_write_page(int /*kind*/, const unsigned char *data, int count,
                                       int /*reserved*/)
{
    if (count > 0 && !within_prom(kWrite, static_cast<unsigned>(count), 0))
        return IDPROM_RC_INVALID;
    int rc = 0;
    for (int i = 0; i < count; ++i) {
        rc |= idprom_write_eeprom(data + i, 1, static_cast<unsigned>(i));
        report_progress(i + 1, count);
    }
    return rc;
}

} // extern "C"
