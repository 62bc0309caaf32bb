// Fan-tray and power-module PROMs, byte by byte through the I/O FPGA's bus
// controllers: the offset's high byte travels as the command, its low byte
// in the data word.  Both routines report the OR of their transfers' codes.
#include "boardprom.h"
#include "export.h"
#include "fpga_bus.h"
#include "os.h"
#include "progress.h"
#include "settings.h"

#include <cstdint>
#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kWrongInstance = "Wrong instance";
inline constexpr int kOneByte = 0;  // length code of one data byte
inline constexpr int kTwoBytes = 1; // length code of two data bytes

struct PromRoad {
    int device;
    int controller;
};

bool road_for_kind(int kind, PromRoad *road)
{
    if (kind == IDPROM_KIND_FAN_TRAY) {
        *road = {kFanTrayPromAddr, kFanTrayController};
        return true;
    }
    if (kind == IDPROM_KIND_POWER_MODULE) {
        *road = {kPowerModulePromAddr, kPowerModuleController};
        return true;
    }
    std::puts(kWrongInstance);
    return false;
}

// The fan tray's bit 3 of device 0x20 is cleared by reading the byte and
// writing it back; a byte that could not be read is never written.
int prepare_fan_tray(int channel)
{
    uint32_t value = 0;
    const int rc = mv_pmb_rd(kFanTrayPrepAddr, kFanTrayController, channel, kFanTrayPrepCommand,
                             &value, kOneByte);
    if (rc != 0)
        return rc;
    return mv_pmb_wr(kFanTrayPrepAddr, kFanTrayController, channel, kFanTrayPrepCommand,
                     value & kFanTrayPrepMask, kOneByte);
}

int prepare_write(int kind, int channel)
{
    if (kind == IDPROM_KIND_FAN_TRAY)
        return prepare_fan_tray(channel);
    return mv_pmb_wr(kPowerModulePrepAddr, kPowerModuleController, channel, kPowerModulePrepCommand,
                     kPowerModulePrepValue, kOneByte);
}

int high_byte(int offset)
{
    return offset >> 8;
}

uint32_t low_byte(int offset)
{
    return static_cast<uint32_t>(offset) & 0xFF;
}

} // namespace
} // namespace boardprom

using namespace boardprom;

extern "C" BOARDPROM_EXPORT int idprom_read_ft_psu_page(int kind, unsigned char *buf, int count,
                                                        int channel)
{
    PromRoad road{};
    if (!road_for_kind(kind, &road))
        return 0;
    int result = 0;
    for (int o = 0; o < count; ++o) {
        // A one-byte write sets the PROM's address, the read fetches the byte.
        const int set =
            mv_pmb_wr(road.device, road.controller, channel, high_byte(o), low_byte(o), kOneByte);
        os::sleep_us(kPageReadPauseUs);
        uint32_t value = 0;
        const int got =
            mv_pmb_rd(road.device, road.controller, channel, high_byte(o), &value, kOneByte);
        buf[o] = set == 0 && got == 0 ? static_cast<unsigned char>(value & 0xFF) : 0;
        result |= set | got;
        report_progress(o + 1, count);
    }
    return result;
}

extern "C" BOARDPROM_EXPORT int idprom_write_ft_psu_page(int kind, const unsigned char *data,
                                                         int count, int channel)
{
    PromRoad road{};
    if (!road_for_kind(kind, &road))
        return 0;
    int result = prepare_write(kind, channel);
    for (int o = 0; o < count; ++o) {
        const uint32_t word = (static_cast<uint32_t>(data[o]) << 8) | low_byte(o);
        result |= mv_pmb_wr(road.device, road.controller, channel, high_byte(o), word, kTwoBytes);
        os::sleep_us(kPageWritePauseUs);
        uint32_t echo = 0;
        result |= mv_pmb_rd(road.device, road.controller, channel, high_byte(o), &echo, kTwoBytes);
        report_progress(o + 1, count);
    }
    return result;
}
