// Whether a fan tray or power module is fitted: presence bits of the I/O
// FPGA and, for power modules, the chassis type that numbers them.  Every
// message goes into the caller's buffer; nothing is printed.
#include "boardprom.h"
#include "chassis.h"
#include "export.h"
#include "message_buffer.h"
#include "os.h"
#include "settings.h"

#include <cstdint>
#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kReadRetry = "#%d iofpga_pci_read_memory rc = 0x%x\n";
inline constexpr const char *kReadFailed = "iofpga_pci_read_memory rc = 0x%x\n";
inline constexpr const char *kFanAbsent = "ft%d is not present ....\n";
inline constexpr const char *kFanWrong = "ft%d instance is wrong. Pls. provide correct instance\n";
inline constexpr const char *kNoChassisFile = "Cannot open /tmp/pem_dump to get chassis type.\n";
inline constexpr const char *kNoChassisScan = "Cannot get chassis type from fscanf.\n";
inline constexpr const char *kNotChassis = "Getting chassis type failed.\n";
inline constexpr const char *kChassisType = "PD chassis type: 0x%x\n";
inline constexpr const char *kPsuWrong = "pm%d instance is wrong. Pls. provide correct instance\n";
inline constexpr const char *kPsuAbsent = "pm%d is not present ...\n";

// Reads a presence register, retrying a failed read up to ten times.
bool read_presence(uint32_t offset, uint32_t *value, const MessageBuffer &msg)
{
    int rc = os::fpga_read(offset, value);
    for (int retry = 1; rc != 0 && retry <= kPresenceRetries; ++retry) {
        msg.put(kReadRetry, retry, static_cast<unsigned>(rc));
        os::sleep_us(kPresenceRetryPauseUs);
        rc = os::fpga_read(offset, value);
    }
    if (rc != 0) {
        msg.put(kReadFailed, static_cast<unsigned>(rc));
        return false;
    }
    return true;
}

bool present(uint32_t reg, unsigned index)
{
    return (reg >> (kPresenceFirstBit + index) & 1u) != 0;
}

bool chassis_type(uint32_t *type, const MessageBuffer &msg)
{
    std::FILE *file = os::open_chassis_file(kChassisFile);
    const ChassisRead read = read_chassis_type(file, type);
    if (file != nullptr)
        std::fclose(file);
    switch (read) {
    case ChassisRead::NotOpened:
        msg.put("%s", kNoChassisFile);
        return false;
    case ChassisRead::NotParsed:
        msg.put("%s", kNoChassisScan);
        return false;
    case ChassisRead::NotChassis:
        msg.put("%s", kNotChassis);
        return false;
    case ChassisRead::Ok:
        break;
    }
    msg.put(kChassisType, *type);
    return true;
}

} // namespace
} // namespace boardprom

using namespace boardprom;

extern "C" BOARDPROM_EXPORT int idprom_check_fan_presence(int ft, char *msg, int msg_size)
{
    const MessageBuffer out(msg, msg_size);
    uint32_t reg = 0;
    if (!read_presence(kFanPresenceReg, &reg, out))
        return 0;
    if (ft < 0 || ft >= kFanTrays) {
        out.put(kFanWrong, ft);
        return 0;
    }
    if (present(reg, static_cast<unsigned>(ft)))
        return 1;
    out.put(kFanAbsent, ft);
    return 0;
}

extern "C" BOARDPROM_EXPORT int idprom_check_psu_presence(int *pm, char *msg, int msg_size)
{
    const MessageBuffer out(msg, msg_size);
    uint32_t reg = 0;
    if (!read_presence(kPsuPresenceReg, &reg, out))
        return 0;
    uint32_t type = 0;
    if (!chassis_type(&type, out))
        return 0;
    const int requested = *pm;
    *pm = renumber_power_module(type, requested);
    const auto k = static_cast<unsigned>(*pm);
    if (k >= kPowerModuleSlots) {
        out.put(kPsuWrong, requested);
        return 0;
    }
    const unsigned slot = power_module_slot(k);
    if (!present(reg, slot)) {
        out.put(kPsuAbsent, requested);
        return 0;
    }
    *pm = static_cast<int>(slot);
    return 1;
}
