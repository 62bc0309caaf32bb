// The physical NIC list: one table row per interface the list file names.
#include "net_internal.h"
#include "net_os.h"
#include "net_settings.h"

#include "pcie_monitor.h"

#include <safeclib/safe_str_lib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern "C" {
int pnic_count;
}

namespace linkmon {

inline constexpr const char *kOpenErrMsg = "Unable to open %s\n";
inline constexpr const char *kPnicAddedMsg = "%s: linkstatus %x %02x:%02x.%x %04x/%04x\n";
inline constexpr size_t kUeventPathSize = 256;
inline constexpr size_t kUeventValueSize = 127;
inline constexpr rsize_t kHwidLimit = 23;

// "8086:1533": the vendor ID at the start, the device ID after the colon.
void parse_pci_id(const char *text, uint32_t *vendor, uint32_t *device)
{
    *vendor = static_cast<uint32_t>(strtoul(text, nullptr, 16));
    const char *colon = strchr(text, ':');
    if (colon != nullptr)
        *device = static_cast<uint32_t>(strtoul(colon + 1, nullptr, 16));
}

namespace {

void read_uevent(FmeaDevice *d, const char *name)
{
    char path[kUeventPathSize];
    snprintf(path, sizeof path, kUeventPathFormat, name);
    char value[kUeventValueSize + 1] = {};
    if (get_config_value(path, "PCI_ID", value, kUeventValueSize) == 0)
        parse_pci_id(value, &d->vendor, &d->device);
    if (get_config_value(path, "PCI_SLOT_NAME", value, kUeventValueSize) == 0) {
        unsigned bdf = static_cast<unsigned>(parse_pci_slot(value)) & 0xFFFFu;
        d->bus = bdf >> 8;
        d->dev = (bdf >> 3) & 0x1Fu;
        d->func = bdf & 0x7u;
    }
}

} // namespace
} // namespace linkmon

extern "C" void add_pnic_device(const char *text, size_t len)
{
    using namespace linkmon;
    uint32_t row = n_fmea_devices;
    if (row >= FMEA_MAX_DEVICES)
        return;
    char name[kPnicPieceSize + 1] = {};
    memcpy(name, text, len < kPnicPieceSize ? len : kPnicPieceSize);
    char *plus = strchr(name, '+');
    bool critical = plus != nullptr;
    if (critical)
        *plus = '\0';
    name[strcspn(name, "\n")] = '\0';

    unsigned link = get_nic_link(name, strlen(name));
    FmeaDevice &d = fmea_devices[row];
    memset(&d, 0, sizeof d);
    d.disc_link_status = link;
    d.link_status = link;
    d.flags = critical ? FLAG_CRITICAL : 0;
    read_uevent(&d, name);
    d.index = row;
    d.type = DEV_TYPE_PNIC;
    d.partner_idx = PIDX_PNIC;
    d.partner_vendor = d.vendor;
    d.partner_device = d.device;
    d.partner_bus = d.bus;
    d.partner_dev = d.dev;
    d.partner_func = d.func;
    rsize_t copy = strlen(name) < kHwidLimit ? strlen(name) : kHwidLimit;
    if (strncpy_s(d.hwid, sizeof d.hwid, name, copy) != 0)
        return;
    pcie_log(kPnicAddedMsg, name, link, d.bus, d.dev, d.func, d.vendor, d.device);
    __atomic_store_n(&n_fmea_devices, row + 1, __ATOMIC_RELEASE);
}

extern "C" void load_pnic_list(void)
{
    using namespace linkmon;
    FILE *f = netos_open_pnic_list();
    if (f == nullptr) {
        pcie_log(kOpenErrMsg, kPnicListPath);
        return;
    }
    char piece[kPnicPieceSize + 1];
    for (;;) {
        memset(piece, 0, sizeof piece);
        if (fgets(piece, sizeof piece, f) == nullptr)
            break;
        add_pnic_device(piece, strlen(piece));
        ++pnic_count;
    }
    fclose(f);
}
