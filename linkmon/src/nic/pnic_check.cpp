// The link turn of a physical NIC: arming, link changes and the "RP"
// partner rule.
#include "app/app.h"
#include "app/log.h"
#include "monitor/monitor.h"
#include "nic/nic.h"
#include "pci/pci.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_LINK_CHANGE = "%s pnic link status change\n";
inline constexpr const char *MSG_DOWN_BUT_UP = "%s pnic link is down but %s pnic is up\n";
inline constexpr uint32_t ARMING_TURNS = 3;

bool is_rp_board()
{
    return is_boardtype_set && std::strcmp(boardtype_arr, "RP") == 0;
}

unsigned nic_link(const FmeaDevice &d)
{
    return get_nic_link(d.hwid, strnlen(d.hwid, sizeof d.hwid));
}

int change_verdict(const FmeaDevice &d)
{
    return (d.flags & FLAG_CRITICAL) ? CHECK_CRITICAL : CHECK_CHANGED;
}

// The partner row on an "RP" board: the next row for names whose fourth
// character is '6' or '3', else the previous one; -1 when it would lie
// outside the table (its link then reads as down).
int partner_row(unsigned row)
{
    char fourth = fmea_devices[row].hwid[3];
    bool next = fourth == '6' || fourth == '3';
    if (next ? row + 1 >= FMEA_MAX_DEVICES : row == 0)
        return -1;
    return static_cast<int>(next ? row + 1 : row - 1);
}

int unarmed_turn(FmeaDevice &d, unsigned reading)
{
    if (reading == 0) {
        d.debounce = 0;
        return CHECK_OK;
    }
    if (d.debounce < ARMING_TURNS) {
        ++d.debounce;
        return CHECK_OK;
    }
    d.new_link_status = reading;
    log_device(&d);
    d.disc_link_status = reading;
    d.link_status = reading;
    d.new_link_status = 0;
    return CHECK_OK;
}

int armed_turn(unsigned row, unsigned reading)
{
    FmeaDevice &d = fmea_devices[row];
    int action = 0;
    // The snapshot is taken before the row changes, so that the restore
    // puts it back exactly as it was.
    bool injected = fi_probe(LINKMON_CMD_PNICLNK, row, FI_SNAPSHOT, &action) != 0;
    d.new_link_status = reading;
    if (injected) {
        reading = settings::NIC_INJECTED_LINK;
        if (action == LINKMON_ACTION_SET)
            d.new_link_status = settings::NIC_INJECTED_LINK;
    }
    bool rp = is_rp_board();
    if (d.link_status != reading) {
        pcie_log(MSG_LINK_CHANGE, d.hwid);
        return change_verdict(d);
    }
    int partner = rp ? partner_row(row) : -1;
    if (reading == 0 && partner >= 0 && nic_link(fmea_devices[partner]) != 0) {
        pcie_log(MSG_DOWN_BUT_UP, d.hwid, fmea_devices[partner].hwid);
        d.link_status = d.disc_link_status;
        d.disc_link_status = d.new_link_status;
        return change_verdict(d);
    }
    return CHECK_OK;
}

} // namespace

extern "C" int check_pnic(unsigned row)
{
    if (row >= FMEA_MAX_DEVICES)
        return CHECK_NA;
    FmeaDevice &d = fmea_devices[row];
    if (d.partner_idx != PIDX_PNIC)
        return CHECK_NA;
    if (pnic_count <= 0)
        return CHECK_OK;
    uint64_t n = static_cast<uint64_t>(pnic_count);
    uint64_t pass = linkmon_pass;
    if (row % n != pass % n)
        return CHECK_OK;
    if (row % n == pass % (10 * n))
        return check_nic_errors(row, d.hwid);
    unsigned reading = nic_link(d);
    if (d.disc_link_status == 0)
        return unarmed_turn(d, reading);
    return armed_turn(row, reading);
}
