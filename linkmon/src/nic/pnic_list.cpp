// The physical NIC list: one table row per interface the list file names.
#include "app/app.h"
#include "app/log.h"
#include "nic/nic.h"
#include "os/os.h"
#include "pci/pci.h"
#include "proto/proto.h"
#include "settings.h"
#include "state/shared_state.h"

#include <safe_str_lib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_OPEN_FAILED = "Unable to open %s\n";
inline constexpr const char *MSG_PNIC_ADDED = "%s: linkstatus %x %02x:%02x.%x %04x/%04x\n";

inline constexpr std::size_t UEVENT_PATH_SIZE = 256;
inline constexpr std::size_t UEVENT_VALUE_SIZE = 127;
inline constexpr rsize_t HWID_LIMIT = 23;

void read_uevent(FmeaDevice *d, const char *name)
{
    char path[UEVENT_PATH_SIZE];
    std::snprintf(path, sizeof path, settings::UEVENT_PATH_FORMAT, name);
    char value[UEVENT_VALUE_SIZE + 1] = {};
    if (get_config_value(path, "PCI_ID", value, UEVENT_VALUE_SIZE) == 0)
        parse_pci_id(value, &d->vendor, &d->device);
    if (get_config_value(path, "PCI_SLOT_NAME", value, UEVENT_VALUE_SIZE) == 0) {
        const PciAddress at = unpack_bdf(static_cast<unsigned>(parse_pci_slot(value)));
        d->bus = at.bus;
        d->dev = at.dev;
        d->func = at.func;
    }
}

} // namespace

namespace linkmon
{

void parse_pci_id(const char *text, uint32_t *vendor, uint32_t *device)
{
    *vendor = static_cast<uint32_t>(std::strtoul(text, nullptr, 16));
    const char *colon = std::strchr(text, ':');
    if (colon != nullptr)
        *device = static_cast<uint32_t>(std::strtoul(colon + 1, nullptr, 16));
}

} // namespace linkmon

extern "C" {

int pnic_count;

void add_pnic_device(const char *text, size_t len)
{
    const uint32_t row = n_fmea_devices;
    if (row >= FMEA_MAX_DEVICES)
        return;
    char name[settings::PNIC_PIECE_SIZE + 1] = {};
    std::memcpy(name, text, len < settings::PNIC_PIECE_SIZE ? len : settings::PNIC_PIECE_SIZE);
    char *plus = std::strchr(name, '+');
    const bool critical = plus != nullptr;
    if (critical)
        *plus = '\0';
    name[std::strcspn(name, "\n")] = '\0';

    const unsigned link = get_nic_link(name, std::strlen(name));
    FmeaDevice &d = fmea_devices[row];
    std::memset(&d, 0, sizeof d);
    d.disc_link_status = link;
    d.link_status = link;
    d.flags = critical ? FLAG_CRITICAL : 0;
    read_uevent(&d, name);
    d.index = row;
    d.type = DEV_TYPE_PNIC;
    d.partner_idx = PIDX_PNIC;
    set_partner_to_self(&d);
    const rsize_t copy = std::strlen(name) < HWID_LIMIT ? std::strlen(name) : HWID_LIMIT;
    if (strncpy_s(d.hwid, sizeof d.hwid, name, copy) != 0)
        return;
    pcie_log(MSG_PNIC_ADDED, name, link, d.bus, d.dev, d.func, d.vendor, d.device);
    // The server thread may be copying the table for a status request.
    std::lock_guard<std::mutex> hold(table_lock());
    n_fmea_devices = row + 1;
}

void load_pnic_list(void)
{
    std::FILE *f = os::fopen_read(settings::PNIC_LIST_PATH);
    if (f == nullptr) {
        pcie_log(MSG_OPEN_FAILED, settings::PNIC_LIST_PATH);
        return;
    }
    char piece[settings::PNIC_PIECE_SIZE + 1];
    for (;;) {
        std::memset(piece, 0, sizeof piece);
        if (std::fgets(piece, sizeof piece, f) == nullptr)
            break;
        add_pnic_device(piece, std::strlen(piece));
        ++pnic_count;
    }
    std::fclose(f);
}

} // extern "C"
