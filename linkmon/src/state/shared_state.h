// The state the daemon's threads share, and the locks that guard it.
//
//   device table     fmea_devices, n_fmea_devices: filled and checked by the
//                    main thread, which changes rows and the count only
//                    under table_lock; the server thread copies rows under it
//                    for status requests, possibly while discovery is still
//                    filling the table.
//   pause word       linkmonstate: written by the server thread, polled by
//                    the monitoring loop.
//   client table     linkmonsockfd: under net_lock; the server thread
//                    registers and flushes, the main thread sends and closes.
//   injection state  fi_*: under net_lock; the server thread arms and
//                    retargets, the main thread's checks consume and restore.
//   auto-clear ring  auto_clear, ac_wr_idx, ac_rd_idx: under auto_clear_lock;
//                    the main thread queues, the auto-clear thread drains.
#ifndef LINKMON_STATE_SHARED_STATE_H
#define LINKMON_STATE_SHARED_STATE_H

#include <linkmon/fmea_device.h>

#include <pthread.h>

#include <cstdint>
#include <mutex>

extern "C" {

extern FmeaDevice fmea_devices[FMEA_MAX_DEVICES];
extern uint32_t n_fmea_devices;

extern volatile uint32_t linkmonstate;

enum { LINKMON_MAX_CLIENTS = 1000 };
extern int linkmonsockfd[LINKMON_MAX_CLIENTS];

extern int fi_command;
extern int fi_action;
extern int fi_bus;
extern int fi_dev;
extern int fi_func;
extern FmeaDevice fi_fmea_dev;

typedef struct AutoClearEntry {
    volatile uint32_t *reg;
    uint32_t bits;
} AutoClearEntry;
enum { AUTO_CLEAR_SLOTS = 64 };
extern AutoClearEntry auto_clear[AUTO_CLEAR_SLOTS];
extern uint32_t ac_wr_idx;
extern uint32_t ac_rd_idx;
extern pthread_mutex_t auto_clear_lock;

} // extern "C"

namespace linkmon
{

// Guards the device table's rows and count between the main thread, which
// changes them, and the server thread's status requests. Taken before
// net_lock when both are needed (a check that looks at the injection, a
// notification); never while net_lock is held.
std::mutex &table_lock();

// Guards the client table and the injection state between the server
// thread and the main thread. Notifications hold it while they send and
// update the notified row.
std::mutex &net_lock();

} // namespace linkmon

#endif
