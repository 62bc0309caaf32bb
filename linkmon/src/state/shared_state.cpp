// The state the daemon's threads share (see shared_state.h).
#include "state/shared_state.h"

extern "C" {

FmeaDevice fmea_devices[FMEA_MAX_DEVICES];
uint32_t n_fmea_devices;

volatile uint32_t linkmonstate;

int linkmonsockfd[LINKMON_MAX_CLIENTS];

int fi_command;
int fi_action;
int fi_bus;
int fi_dev;
int fi_func;
FmeaDevice fi_fmea_dev;

AutoClearEntry auto_clear[AUTO_CLEAR_SLOTS];
uint32_t ac_wr_idx;
uint32_t ac_rd_idx;
pthread_mutex_t auto_clear_lock = PTHREAD_MUTEX_INITIALIZER;

} // extern "C"

namespace linkmon
{

std::mutex &table_lock()
{
    static std::mutex lock;
    return lock;
}

std::mutex &net_lock()
{
    static std::mutex lock;
    return lock;
}

} // namespace linkmon
