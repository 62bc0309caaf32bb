// Pairing: each kept function is linked to the bridge at the other end of
// its PCI Express link, both ways.
#include "pci/pci.h"
#include "state/shared_state.h"

namespace
{

inline constexpr uint32_t VENDOR_INTEL = 0x8086;

bool is_candidate(const FmeaDevice &row)
{
    if (row.type == DEV_TYPE_ENDPOINT)
        return true;
    return row.type == DEV_TYPE_BRIDGE && row.vendor != VENDOR_INTEL && row.slot_cap == 0;
}

bool is_bridge_row(const FmeaDevice &row)
{
    return row.type != DEV_TYPE_ENDPOINT && row.type != DEV_TYPE_SATA && row.type != DEV_TYPE_PNIC;
}

void take_partner(FmeaDevice &row, const FmeaDevice &partner, unsigned partner_row)
{
    row.partner_idx = partner_row;
    row.partner_vendor = partner.vendor;
    row.partner_device = partner.device;
    row.partner_bus = partner.bus;
    row.partner_dev = partner.dev;
    row.partner_func = partner.func;
}

} // namespace

extern "C" {

// Only rows below n_fmea_devices are walked: the slot after the last row
// may still hold a function that discovery dropped.
void pair_link_partners(void)
{
    std::lock_guard<std::mutex> hold(linkmon::table_lock());
    for (unsigned q = 0; q < n_fmea_devices && fmea_devices[q].vendor != 0; ++q)
        if (is_candidate(fmea_devices[q]))
            pair_with_bridge(q);
}

void pair_with_bridge(unsigned q)
{
    FmeaDevice &candidate = fmea_devices[q];
    for (unsigned i = 0; i < n_fmea_devices; ++i) {
        FmeaDevice &bridge = fmea_devices[i];
        if (!is_bridge_row(bridge) || bridge.sec_bus != candidate.bus)
            continue;
        take_partner(bridge, candidate, q);
        take_partner(candidate, bridge, i);
        return;
    }
}

} // extern "C"
