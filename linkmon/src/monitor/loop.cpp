// The monitoring loop: about once a second every monitored row runs the
// check table until a check gives a verdict, and the verdict is acted on.
#include "app/log.h"
#include "monitor/monitor.h"
#include "nic/nic.h"
#include "os/os.h"
#include "pci/pci.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_STARTING = "Starting link monitoring\n";
inline constexpr const char *MSG_CHECK_DONE = "ID %02x %02x:%02x.%x %04x/%04x %s check done\n";

void log_check_done(unsigned row, const char *name)
{
    const FmeaDevice &d = fmea_devices[row];
    pcie_log(MSG_CHECK_DONE, row, d.bus, d.dev, d.func, d.vendor, d.device, name);
}

} // namespace

extern "C" {

CheckEntry check_table[4] = {
    {check_link, NOTIFY_LINK, "link"},
    {check_ues, NOTIFY_UES, "ues"},
    {check_pnic, NOTIFY_LINK, "pnic"},
    {check_sata, NOTIFY_LINK, "sata"},
};
uint32_t ncheck_logs = settings::NCHECK_LOGS_INITIAL;
uint64_t linkmon_pass;

void run_checks(unsigned row)
{
    for (const CheckEntry &entry : check_table) {
        int verdict = CHECK_NA;
        {
            // A check changes the row: not while a status request copies it.
            std::lock_guard<std::mutex> hold(table_lock());
            verdict = entry.check(row);
        }
        switch (verdict) {
        case CHECK_OK:
            if (linkmon_pass < ncheck_logs)
                log_check_done(row, entry.name);
            return;
        case CHECK_CHANGED:
            notify_clients(row, entry.notify_flag);
            return;
        case CHECK_BARS_CHANGED:
            notify_clients(row, NOTIFY_BARS);
            return;
        case CHECK_NIC_ERRORS:
            notify_clients(row, NOTIFY_NICERR);
            return;
        case CHECK_CRITICAL:
            reload_card(row, entry.notify_flag);
            return;
        default: // CHECK_NA and unknown verdicts: the next check
            break;
        }
    }
}

void monitor_pass(void)
{
    // The table may still grow: its size is read afresh at every row.
    for (unsigned row = 0; row < n_fmea_devices; ++row)
        if (fmea_devices[row].partner_idx != PIDX_NONE)
            run_checks(row);
}

void monitor_step(void)
{
    if (linkmonstate == settings::LINKMON_PAUSED) {
        os::sleep_for(settings::PAUSE_POLL);
        return;
    }
    os::sleep_for(settings::MONITOR_PERIOD);
    monitor_pass();
    ++linkmon_pass;
}

void monitor_loop(void)
{
    pcie_log("%s", MSG_STARTING);
    for (;;)
        monitor_step();
}

} // extern "C"
