// The monitoring loop of the main thread: about once a second every
// monitored row runs the check table until a check gives a verdict, and the
// verdict is acted on; the auto-clear thread writes back the error bits the
// UES check queues.
#ifndef LINKMON_MONITOR_MONITOR_H
#define LINKMON_MONITOR_MONITOR_H

#include <cstdint>

extern "C" {

// ---- loop.cpp: the loop and the check table -----------------------------------
typedef int (*check_fn)(unsigned row);
typedef struct CheckEntry {
    check_fn check;
    uint32_t notify_flag;
    const char *name;
} CheckEntry;
extern CheckEntry check_table[4];
extern uint32_t ncheck_logs;
extern uint64_t linkmon_pass;
void monitor_loop(void) __attribute__((noreturn));
// One turn of the loop: a 2-second pause poll while paused, else the
// 1-second sleep, one pass and its count.
void monitor_step(void);
// One pass over the table, without the sleep and the count.
void monitor_pass(void);
void run_checks(unsigned row);

// ---- checks.cpp: link, uncorrectable-error and SATA checks -----------------------
enum { LINK_STATUS_MASK = 0x23FF, UE_AUTOCLEAR_MASK = 0x5C000 };
int check_link(unsigned row);
int check_ues(unsigned row);
int check_sata(unsigned row);

// ---- autoclear.cpp: the auto-clear ring and thread ------------------------------------
void enqueue_auto_clear(volatile uint32_t *reg, uint32_t bits);
void *auto_clear_thread(void *arg);
void clear_ue_status(volatile uint32_t *reg, uint32_t bits);
// Carries out every queued clear; the thread runs it every 6 seconds.
void auto_clear_drain(void);

} // extern "C"

#endif
