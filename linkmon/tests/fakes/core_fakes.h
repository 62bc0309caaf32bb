// Fakes of the daemon core's platform edge (os_core.h), with the state the
// unit tests set and inspect. reset() restores the defaults.
#ifndef LINKMON_TESTS_CORE_FAKES_H
#define LINKMON_TESTS_CORE_FAKES_H

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fake_core {

struct ProtectCall {
    void *page;
    std::size_t length;
    bool writable;
};

struct State {
    // Clocks: the monotonic clock reads `mono` (or fails); the wall clock
    // reads `wall`, converted as UTC.
    struct timespec mono {100, 0};
    bool mono_fails = false;
    std::time_t wall = 0;
    // Sleeps are recorded, never slept; on_sleep runs at each one.
    std::vector<unsigned> sleeps;
    std::function<void(unsigned)> on_sleep;
    // popen: the output of each known command; unknown commands fail.
    std::map<std::string, std::string> popen_output;
    std::vector<std::string> popen_commands;
    int pipes_open = 0;
    // Files are real; paths under /sys/ are looked up below sysfs_root.
    std::string sysfs_root;
    // /dev/mem: the descriptor open_devmem gives (negative = fails with
    // ENOENT) and the memory each physical offset maps to.
    int devmem_fd = 7;
    int devmem_opens = 0;
    std::map<std::uint64_t, void *> phys;
    std::vector<ProtectCall> protects;
    std::vector<int> protect_results; // consumed in order; 0 once empty
    std::vector<void *(*)(void *)> threads;
    std::vector<int> thread_results; // consumed in order; 0 once empty
    // Every call through the edge.
    unsigned long calls = 0;
};

State &state();
void reset();

} // namespace fake_core

#endif
