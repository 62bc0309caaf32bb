// Fault injection: the pending one-shot injection, the look and the
// snapshot the checks take of its target row, and the restore that ends it.
#include "server/server.h"
#include "state/shared_state.h"

#include <cstring>

using namespace linkmon;

namespace
{

// Set when the check of the pending injection has copied its target into
// fi_fmea_dev; a restore without it would copy a stale snapshot.
bool fi_snapshot_taken;
// The row the snapshot was copied from. A "sata" injection snapshots the SATA
// row whatever its address says, so the row notified under that address may
// be another one; a snapshot goes back only onto its own row.
unsigned fi_snapshot_origin;

bool is_injection_command(int command)
{
    return command >= LINKMON_CMD_SATA && command <= LINKMON_CMD_PNICERR;
}

bool row_is_target(unsigned row)
{
    const FmeaDevice &d = fmea_devices[row];
    return d.bus == static_cast<uint32_t>(fi_bus) && d.dev == static_cast<uint32_t>(fi_dev) &&
           d.func == static_cast<uint32_t>(fi_func);
}

bool applies_locked(int command, unsigned row)
{
    if (row >= FMEA_MAX_DEVICES || fi_command != command || !is_injection_command(command))
        return false;
    return command == LINKMON_CMD_SATA || row_is_target(row);
}

void snapshot_locked(unsigned row)
{
    std::memcpy(&fi_fmea_dev, &fmea_devices[row], sizeof fi_fmea_dev);
    fi_snapshot_taken = true;
    fi_snapshot_origin = row;
}

} // namespace

namespace linkmon
{

int fi_probe(int command, unsigned row, FiProbe mode, int *action)
{
    std::lock_guard<std::mutex> hold(net_lock());
    if (!applies_locked(command, row))
        return 0;
    if (mode == FI_SNAPSHOT)
        snapshot_locked(row);
    *action = fi_action;
    return 1;
}

void fi_arm_locked(int command, unsigned bus, unsigned dev, unsigned func)
{
    fi_command = command;
    fi_bus = static_cast<int>(bus);
    fi_dev = static_cast<int>(dev);
    fi_func = static_cast<int>(func);
    fi_snapshot_taken = false;
}

void fi_retarget_locked(unsigned bus, unsigned dev, unsigned func)
{
    // A snapshot of the old target must never be copied over the new one.
    if (static_cast<unsigned>(fi_bus) != bus || static_cast<unsigned>(fi_dev) != dev ||
        static_cast<unsigned>(fi_func) != func)
        fi_snapshot_taken = false;
    fi_bus = static_cast<int>(bus);
    fi_dev = static_cast<int>(dev);
    fi_func = static_cast<int>(func);
}

void restore_injected_device_locked(unsigned row)
{
    if (row >= FMEA_MAX_DEVICES || !is_injection_command(fi_command) || !row_is_target(row))
        return;
    // An injection whose check has not run yet stays pending.
    if (!fi_snapshot_taken || fi_snapshot_origin != row)
        return;
    std::memcpy(&fmea_devices[row], &fi_fmea_dev, sizeof fi_fmea_dev);
    fi_command = 0;
    fi_snapshot_taken = false;
}

} // namespace linkmon

extern "C" void restore_injected_device(unsigned row)
{
    std::lock_guard<std::mutex> hold_table(table_lock());
    std::lock_guard<std::mutex> hold(net_lock());
    restore_injected_device_locked(row);
}
