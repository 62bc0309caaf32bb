// The checks of one device row: PCI Express link status, AER uncorrectable
// error status and SATA port status.
#include "app/app.h"
#include "monitor/monitor.h"
#include "os/os.h"
#include "pci/pci.h"
#include "pci/regs.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

using namespace linkmon;

namespace
{

inline constexpr uint32_t SATA_PORT_LOST = 0xFFFF;

void set_loss_time(FmeaDevice &d, const std::timespec &now)
{
    d.loss_sec = now.tv_sec;
    d.loss_nsec = now.tv_nsec;
}

// A function that no longer answers.
int link_lost(FmeaDevice &d)
{
    std::timespec now = {};
    os::clock_monotonic(&now);
    if (d.link_status == LINK_LOST) {
        if ((d.flags & FLAG_CRITICAL) != 0 && now.tv_sec - d.loss_sec > settings::CRITICAL_LOSS_SEC)
            return CHECK_CRITICAL;
        if ((d.flags & FLAG_NOTIFY_SKIPPED) != 0 && now.tv_sec > skiptime.tv_sec) {
            d.flags &= ~FLAG_NOTIFY_SKIPPED;
            return CHECK_CHANGED;
        }
        return CHECK_OK;
    }
    d.flags &= ~FLAG_NOTIFY_SKIPPED;
    if (d.loss_sec == 0)
        set_loss_time(d, now);
    return CHECK_CHANGED;
}

uint32_t watched_ue_bits(const FmeaDevice &d)
{
    return ~d.ue_mask & d.ue_severity;
}

} // namespace

extern "C" {

int check_link(unsigned row)
{
    FmeaDevice &d = fmea_devices[row];
    if (d.pcie_cap == 0)
        return CHECK_NA;
    const uint16_t status =
        pci_cfg_read16(d.bus, devfn_of(d.dev, d.func), d.pcie_cap + PCIE_LINK_STATUS);
    d.new_link_status = status;
    if (status == LINK_LOST)
        return link_lost(d);
    d.flags &= ~FLAG_NOTIFY_SKIPPED;
    uint32_t compared = status & LINK_STATUS_MASK;
    int action = 0;
    if (fi_probe(LINKMON_CMD_LINK, row, FI_SNAPSHOT, &action) != 0) {
        compared = LINK_LOST;
        if (action == LINKMON_ACTION_SET) {
            std::timespec now = {};
            os::clock_monotonic(&now);
            d.new_link_status = LINK_LOST;
            set_loss_time(d, now);
        }
    }
    if (compared != (d.link_status & LINK_STATUS_MASK))
        return CHECK_CHANGED;
    if (d.loss_sec == 0)
        return CHECK_NA;
    return verify_bars(row, d.bus, d.dev, d.func) == 1 ? CHECK_BARS_CHANGED : CHECK_NA;
}

int check_ues(unsigned row)
{
    FmeaDevice &d = fmea_devices[row];
    if (d.aer_cap == 0)
        return d.type == DEV_TYPE_SATA || d.type == DEV_TYPE_PNIC ? CHECK_NA : CHECK_OK;
    uint32_t value = pci_cfg_read32(d.bus, devfn_of(d.dev, d.func), d.aer_cap + AER_UE_STATUS);
    d.new_ue_status = value;
    if (value == UES_LOST)
        return CHECK_CHANGED;
    int action = 0;
    if (fi_probe(LINKMON_CMD_UES, row, FI_SNAPSHOT, &action) != 0) {
        if (action == LINKMON_ACTION_SET)
            d.new_ue_status = UES_LOST;
        value = UES_LOST;
    }
    if (((d.ue_status ^ value) & watched_ue_bits(d)) == 0)
        return CHECK_OK;
    // The mask may have changed since discovery: look again before reporting.
    d.ue_mask = pci_cfg_read32(d.bus, devfn_of(d.dev, d.func), d.aer_cap + AER_UE_MASK);
    const uint32_t watched = watched_ue_bits(d);
    if (((d.ue_status ^ value) & watched) == 0)
        return CHECK_OK;
    const uint32_t clear = watched & value & UE_AUTOCLEAR_MASK;
    if (clear != 0) {
        const uint32_t off = pci_cfg_offset(d.bus, d.dev, d.func, d.aer_cap + AER_UE_STATUS);
        enqueue_auto_clear(reinterpret_cast<volatile uint32_t *>(mmucfg_base + off), clear);
    }
    return CHECK_CHANGED;
}

int check_sata(unsigned row)
{
    FmeaDevice &d = fmea_devices[row];
    if (d.partner_idx != PIDX_SATA)
        return CHECK_NA;
    uint32_t packed = 0;
    for (unsigned i = 0; i < settings::SATA_WATCHED_PORTS; ++i) {
        if (sata_PxSSTS_addr[i] == nullptr)
            continue;
        uint32_t status = *sata_PxSSTS_addr[i] & SSTS_MASK;
        int action = 0;
        if (fi_probe(LINKMON_CMD_SATA, row, FI_SNAPSHOT, &action) != 0)
            status = SATA_PORT_LOST;
        packed |= status << (16 * i);
    }
    if (packed == d.link_status)
        return CHECK_OK;
    d.new_link_status = packed;
    return CHECK_CHANGED;
}

} // extern "C"
