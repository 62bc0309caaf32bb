// The globals of the daemon's unit tests (see daemon_fixture.h).
#include "fakes/daemon_fixture.h"
#include "app/app.h"
#include "monitor/monitor.h"
#include "nic/nic.h"
#include "pci/pci.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <cstring>

namespace fake_os
{

void reset_daemon_globals()
{
    std::memset(fmea_devices, 0, sizeof fmea_devices);
    n_fmea_devices = 0;
    sata_did = 0;
    sata_vaddr = nullptr;
    sata_PxSSTS_addr[0] = sata_PxSSTS_addr[1] = nullptr;
    select_board(27065);
    for (TrackedDevice *list :
         {tracked_devices_MOSKA_RP, tracked_devices_MOSKA_LC, tracked_devices_BRUVEL_LC_C,
          sata_devices_list_MOSKA, sata_devices_list})
        for (TrackedDevice *row = list; row->vendor != 0; ++row)
            row->match_count = 0;
    linkmon_pass = 0;
    linkmonstate = 0;
    ncheck_logs = 1;
    ac_wr_idx = ac_rd_idx = 0;
    skiptime = {0, 0};
    devmem_fd = -1;
    for (int &fd : linkmonsockfd)
        fd = -1;
    fi_command = 0;
    fi_action = 0;
    fi_bus = fi_dev = fi_func = 0;
    std::memset(&fi_fmea_dev, 0, sizeof fi_fmea_dev);
    ethtool_sock = -1;
    pnic_count = 0;
    std::memset(boardtype_arr, 0, sizeof boardtype_arr);
    is_boardtype_set = 0;
    client_mode = 0;
    linkmon::refusal_log = linkmon::RefusalLog{};
}

FmeaDevice &add_row(unsigned bus, unsigned dev, unsigned func)
{
    FmeaDevice &d = fmea_devices[n_fmea_devices];
    std::memset(&d, 0, sizeof d);
    d.index = n_fmea_devices++;
    d.vendor = 0x8086;
    d.device = 0x1533;
    d.bus = bus;
    d.dev = dev;
    d.func = func;
    d.partner_idx = 0;
    return d;
}

} // namespace fake_os
