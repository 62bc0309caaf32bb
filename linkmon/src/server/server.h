// The linkmon server and what it serves: the server thread and its requests,
// the client table, fault injection, and the notifications (with the card
// reload) that the monitoring loop sends to the registered clients.
#ifndef LINKMON_SERVER_SERVER_H
#define LINKMON_SERVER_SERVER_H

#include "settings.h"
#include "state/shared_state.h"

#include <linkmon/linkmon_request.h>

#include <array>
#include <chrono>
#include <cstddef>
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
// Times of the one monotonic clock, as a duration since its start.
using MonoTime = std::chrono::nanoseconds;
MonoTime mono_now();

// Makes the listening socket (non-blocking): its descriptor, or -1 after
// logging why not, or -2 when the server address cannot be decoded. A
// failing bind is tried again every few seconds until it succeeds.
int open_linkmon_listener();

// The connections taken whose request has not arrived yet, oldest first.
class PendingPeers
{
  public:
    struct Peer {
        int fd;
        MonoTime since;
    };
    std::size_t size() const
    {
        return n_;
    }
    const Peer &operator[](std::size_t i) const
    {
        return peers_[i];
    }
    // Adds a peer taken at `now`. When the set is full the oldest peer is
    // taken out to make room: its descriptor is returned, else -1.
    int add(int fd, MonoTime now);
    // Takes peer i out of the set; its descriptor.
    int take(std::size_t i);

  private:
    std::array<Peer, settings::PENDING_PEERS_MAX> peers_{};
    std::size_t n_ = 0;
};

// One turn of the server thread: waits until a pending peer has sent
// something, a connection is waiting or a wait runs out, then serves every
// peer whose request has come (one at a time, oldest first), ends the wait
// of peers whose time is up, and takes new connections into the set.
void serve_turn(int listen_fd, PendingPeers &pending);

// ---- refusals.cpp: the log of refused connections ------------------------------------
// Bounds what refused connections (bad requests, peers that sent none)
// write to the log: the first few of each second are logged in full, the
// rest are counted and summed up in one line once that second is over.
class RefusalLog
{
  public:
    // Counts a refusal at `now`: true when its lines are to be logged. A
    // summary still owed for an earlier second is logged first.
    bool admit(MonoTime now);
    // Logs the summary once its second is over.
    void flush(MonoTime now);
    // When a summary is owed: true, and the time it is due.
    bool flush_due(MonoTime *due) const;

  private:
    bool open_ = false;
    MonoTime start_{};
    unsigned logged_ = 0;
    unsigned counted_ = 0;
};
// The server thread's.
extern RefusalLog refusal_log;

} // namespace linkmon

#endif
