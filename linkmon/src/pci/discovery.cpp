// Device discovery: the scan of configuration space and the filling of one
// device-table row per kept function.
#include "app/log.h"
#include "nic/nic.h"
#include "pci/pci.h"
#include "pci/regs.h"
#include "settings.h"
#include "state/shared_state.h"

#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_BARS = "BARs: %02x:%02x.%x: %x:%x:%x:%x:%x:%x:\n";

inline constexpr unsigned SATA_TRACKED_ROW = 1;
inline constexpr uint32_t BAR_CAPTURE_DEVICE = 0x05C1;

const TrackedDevice *find_row(const TrackedDevice *list, unsigned vendor, unsigned device)
{
    for (const TrackedDevice *row = list; row->vendor != 0; ++row)
        if (row->vendor == vendor && row->device == device)
            return row;
    return nullptr;
}

TrackedDevice *find_row(TrackedDevice *list, unsigned vendor, unsigned device)
{
    return const_cast<TrackedDevice *>(
        find_row(static_cast<const TrackedDevice *>(list), vendor, device));
}

// Steps 5 to 8: identity, bridge bus numbers or tracked-list match; false
// when the function is dropped.
bool fill_identity(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func, unsigned type)
{
    const unsigned devfn = devfn_of(dev, func);
    const uint32_t ids = pci_cfg_read32(bus, devfn, REG_VENDOR);
    std::memset(row, 0, sizeof *row);
    row->type = type;
    row->vendor = ids & 0xFFFF;
    row->device = ids >> 16;
    row->bus = bus;
    row->dev = dev;
    row->func = func;
    row->index = n_fmea_devices;
    row->partner_idx = PIDX_NONE;
    read_lspci_name(bus, dev, func, row->name);
    set_partner_to_self(row);
    if (type == DEV_TYPE_BRIDGE) {
        if (is_skipped_bridge(row->vendor, row->device))
            return false;
        row->pri_bus = pci_cfg_read8(bus, devfn, REG_PRIMARY_BUS);
        row->sec_bus = pci_cfg_read8(bus, devfn, REG_SECONDARY_BUS);
        row->sub_bus = pci_cfg_read8(bus, devfn, REG_SUBORDINATE_BUS);
        row->tracked_idx = -1;
    } else {
        if (bus != 0 && func != 0)
            return false;
        row->tracked_idx = match_tracked_device(row->vendor, row->device);
        if (row->tracked_idx == -1)
            return false;
    }
    if (const TrackedDevice *tracked = tracked_row_of(row))
        row->flags = tracked->flags;
    return true;
}

} // namespace

extern "C" {

TrackedDevice skipped_devices[] = {{0, 0, 0, 0, 0, 0, 0}};

void scan_pci_functions(void)
{
    {
        std::lock_guard<std::mutex> hold(table_lock());
        n_fmea_devices = 0;
    }
    for (unsigned bus = 0; bus <= settings::SCAN_LAST_BUS; ++bus) {
        const unsigned devices = bus == 0 ? settings::SCAN_BUS0_DEVICES : settings::SCAN_DEVICES;
        const unsigned functions =
            bus == 0 ? settings::SCAN_BUS0_FUNCTIONS : settings::SCAN_FUNCTIONS;
        for (unsigned dev = 0; dev < devices; ++dev)
            for (unsigned func = 0; func < functions; ++func)
                add_pci_function(bus, dev, func);
    }
    load_pnic_list();
}

void add_pci_function(unsigned bus, unsigned dev, unsigned func)
{
    if (bus == 0 && dev == 0)
        return;
    if (n_fmea_devices >= FMEA_MAX_DEVICES)
        return;
    const unsigned type = pci_cfg_read8(bus, devfn_of(dev, func), REG_HEADER_TYPE) & 0x7F;
    if (type == HEADER_NONE || type == HEADER_CARDBUS)
        return;
    FmeaDevice *row = &fmea_devices[n_fmea_devices];
    if (!fill_identity(row, bus, dev, func, type))
        return;
    setup_sata_ports(row, bus, dev, func);
    read_hwid(row, bus, dev, func);
    if (read_pcie_link(row, bus, dev, func) == 1)
        return;
    read_aer_regs(row, bus, dev, func);
    capture_bars(row, bus, dev, func);
    // The row beyond the count is the main thread's own until it is counted.
    std::lock_guard<std::mutex> hold(table_lock());
    ++n_fmea_devices;
}

void set_partner_to_self(FmeaDevice *row)
{
    row->partner_vendor = row->vendor;
    row->partner_device = row->device;
    row->partner_bus = row->bus;
    row->partner_dev = row->dev;
    row->partner_func = row->func;
}

int match_sata_device(unsigned vendor, unsigned device)
{
    if (sata_did != 0)
        return 0;
    TrackedDevice *row = find_row(sata_devices, vendor, device);
    if (row == nullptr)
        return 0;
    ++row->match_count;
    sata_did = device;
    return 1;
}

int match_tracked_device(unsigned vendor, unsigned device)
{
    if (vendor == 0xFFFF || device == 0xFFFF)
        return -1;
    if (match_sata_device(vendor, device) == 1)
        return SATA_TRACKED_ROW;
    TrackedDevice *row = find_row(tracked_devices, vendor, device);
    if (row == nullptr)
        return -1;
    ++row->match_count;
    return static_cast<int>(row - tracked_devices);
}

const TrackedDevice *tracked_row_of(const FmeaDevice *row)
{
    if (row->tracked_idx < 0)
        return nullptr;
    // The SATA row names row 1 whatever the list holds: never read past the
    // list's terminator.
    for (int i = 0; i <= row->tracked_idx; ++i)
        if (tracked_devices[i].vendor == 0)
            return nullptr;
    return &tracked_devices[row->tracked_idx];
}

int is_skipped_bridge(unsigned vendor, unsigned device)
{
    if (vendor == 0xFFFF || device == 0xFFFF)
        return 1;
    return find_row(skipped_devices, vendor, device) != nullptr ? 1 : 0;
}

int read_pcie_link(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func)
{
    const unsigned devfn = devfn_of(dev, func);
    const unsigned cap = pci_find_cap(bus, devfn, CAP_ID_PCIE);
    if (cap == 0)
        return 0;
    row->pcie_cap = cap;
    uint32_t value = 0;
    const TrackedDevice *tracked = tracked_row_of(row);
    if (tracked != nullptr && tracked->link_status != 0)
        value = tracked->link_status;
    else
        value = pci_cfg_read16(bus, devfn, cap + PCIE_LINK_STATUS);
    row->disc_link_status = value;
    if ((value & LINK_WIDTH_MASK) == 0)
        return 1;
    row->link_status = value;
    row->slot_cap = pci_cfg_read32(bus, devfn, cap + PCIE_SLOT_CAPS);
    return 0;
}

void read_aer_regs(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func)
{
    const unsigned devfn = devfn_of(dev, func);
    const unsigned aer = pci_find_ext_cap(bus, devfn, EXT_CAP_ID_AER);
    if (aer == 0)
        return;
    row->aer_cap = aer;
    row->ue_mask = pci_cfg_read32(bus, devfn, aer + AER_UE_MASK);
    row->ue_severity = pci_cfg_read32(bus, devfn, aer + AER_UE_SEVERITY);
    row->disc_ue_status = pci_cfg_read32(bus, devfn, aer + AER_UE_STATUS);
    row->ue_status = row->disc_ue_status;
}

void capture_bars(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func)
{
    if (row->vendor != PLATFORM_VENDOR_ID && row->device != BAR_CAPTURE_DEVICE)
        return;
    for (unsigned k = 0; k < BAR_COUNT; ++k)
        row->bars[k] = pci_cfg_read32(bus, devfn_of(dev, func), REG_BAR0 + 4 * k);
    const uint32_t *b = row->bars;
    pcie_log(MSG_BARS, bus, dev, func, b[0], b[1], b[2], b[3], b[4], b[5]);
}

} // extern "C"
