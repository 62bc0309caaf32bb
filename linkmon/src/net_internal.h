// Internal interfaces of the linkmon network side, shared by its files.
#ifndef LINKMON_NET_INTERNAL_H
#define LINKMON_NET_INTERNAL_H

#include "pcie_monitor.h"

#include <array>
#include <mutex>

namespace linkmon {

// The one lock of the network side: it guards the client table
// (linkmonsockfd) and the injection state (fi_*) between the server
// thread and the monitoring thread. Notifications also hold it while they
// send and update the notified row.
std::mutex &net_lock();

// Client table, with net_lock() held. One poll over the table picks the
// slots worth the closer look of check_client_peer, so that a registration
// or a notification next to a thousand live clients stays cheap.
using SlotFlags = std::array<unsigned char, LINKMON_MAX_CLIENTS>;
void find_hangups_locked(SlotFlags &hang);
void close_all_clients_locked();
void sweep_gone_clients_locked();

// Injection state, with net_lock() held.
void fi_arm_locked(int command, unsigned bus, unsigned dev, unsigned func);
void fi_retarget_locked(unsigned bus, unsigned dev, unsigned func);
void restore_injected_device_locked(unsigned row);

// Injection state for the NIC checks (each takes net_lock() itself).
// 1 and the request's action in *action when an injection of `command` is
// pending and `row` is its target; no snapshot is taken.
int fi_target_action(int command, unsigned row, int *action);
// Copies the row into the snapshot when it is still the target of a
// pending injection of `command`.
void fi_snapshot_row(int command, unsigned row);

// Server: makes the listening socket; its descriptor, or -1 after logging
// why not, or -2 when the server address cannot be decoded.
int open_linkmon_listener();
// Accepts one connection and serves it.
void serve_next_connection(int listen_fd);

// NIC list: "8086:1533" gives the vendor ID at the start and the device ID
// after the colon.
void parse_pci_id(const char *text, uint32_t *vendor, uint32_t *device);

// Bus, device and function as packed into 16 bits: bus 15..8, device 7..3,
// function 2..0.
inline unsigned slot_bus(unsigned bdf)
{
    return (bdf >> 8) & 0xFFu;
}
inline unsigned slot_dev(unsigned bdf)
{
    return (bdf >> 3) & 0x1Fu;
}
inline unsigned slot_func(unsigned bdf)
{
    return bdf & 0x7u;
}

} // namespace linkmon

#endif
