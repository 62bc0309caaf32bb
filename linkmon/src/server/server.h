// The linkmon server and what it serves: the server thread and its requests,
// the client table, fault injection, and the notifications (with the card
// reload) that the monitoring loop sends to the registered clients.
#ifndef LINKMON_SERVER_SERVER_H
#define LINKMON_SERVER_SERVER_H

#include "state/shared_state.h"

#include <linkmon/linkmon_request.h>

#include <array>
#include <ctime>

extern "C" {

// ---- server.cpp, service.cpp: the server thread and one request -------------
void *accept_linkmon_connections(void *arg);
void service_client(int fd);
void show_device_status(unsigned bus, unsigned dev, unsigned func);

// ---- clients.cpp: the client table ---------------------------------------------
void add_linkmon_client(int fd);
void close_all_clients(void);
int check_client_peer(int fd);

// ---- injection.cpp: the end of an injection --------------------------------------
void restore_injected_device(unsigned row);

// ---- notify.cpp: notifications and card reload --------------------------------------
void notify_clients(unsigned row, unsigned mask);
int reload_card(unsigned row, unsigned mask);
int in_skip_window(const struct timespec *t);

} // extern "C"

namespace linkmon
{

// ---- Fault injection ------------------------------------------------------------------
// The checks' one way into the injection state, safe against the server
// thread. It returns 1, with the request's action in *action, when an
// injection of `command` is pending and `row` is its target (for "sata": any
// row the SATA check runs on); else 0. FI_SNAPSHOT then also copies the row
// into fi_fmea_dev, so that the restore after the notification puts the row
// back as it is now: the checks that change the row after the look take it
// there. FI_LOOK leaves the row alone: the NIC error turn looks first and asks
// again with FI_SNAPSHOT once the row holds the sample the restore must keep.
enum FiProbe { FI_LOOK, FI_SNAPSHOT };
int fi_probe(int command, unsigned row, FiProbe mode, int *action);

// With net_lock() held: a new injection, a new target (status "show"), and
// the restore of the notified row.
void fi_arm_locked(int command, unsigned bus, unsigned dev, unsigned func);
void fi_retarget_locked(unsigned bus, unsigned dev, unsigned func);
void restore_injected_device_locked(unsigned row);

// ---- Client table, with net_lock() held ---------------------------------------------
// One poll over the table picks the slots worth the closer look of
// check_client_peer, so that a registration or a notification next to a
// thousand live clients stays cheap.
using SlotFlags = std::array<unsigned char, LINKMON_MAX_CLIENTS>;
void find_hangups_locked(SlotFlags &hang);
void close_all_clients_locked();
void sweep_gone_clients_locked();

// ---- Server thread ---------------------------------------------------------------------
// Makes the listening socket: its descriptor, or -1 after logging why not,
// or -2 when the server address cannot be decoded.
int open_linkmon_listener();
// Accepts one connection and serves it.
void serve_next_connection(int listen_fd);

} // namespace linkmon

#endif
