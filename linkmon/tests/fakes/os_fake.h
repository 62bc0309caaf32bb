// The fake of the daemon's platform edge (src/os/os.h) for the unit tests,
// with the state the tests script and inspect. reset() restores the
// defaults.
#ifndef LINKMON_TESTS_FAKES_OS_FAKE_H
#define LINKMON_TESTS_FAKES_OS_FAKE_H

#include "settings.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fake_os
{

using Sleeps = std::vector<std::chrono::milliseconds>;

struct ProtectCall {
    void *page;
    std::size_t length;
    bool writable;
};

struct State {
    // ---- Time ----------------------------------------------------------------
    // The monotonic clock reads `mono` (or fails); the wall clock reads
    // `wall`, converted as UTC. Sleeps do not move them.
    std::timespec mono = {1000, 0};
    bool mono_fails = false;
    std::time_t wall = 0;
    // Sleeps are recorded, never slept; on_sleep runs at each one.
    Sleeps sleeps;
    std::function<void(std::chrono::milliseconds)> on_sleep;
    // Sleeps and commands in the order of the calls: "sleep 2s",
    // "sleep 100ms", "system /sbin/pdreboot -y".
    std::vector<std::string> events;
    int system_result = 0;

    // ---- Processes and threads ----------------------------------------------------
    // popen: the output of each known command; unknown commands fail.
    std::map<std::string, std::string> popen_output;
    std::vector<std::string> popen_commands;
    int pipes_open = 0;
    std::vector<void *(*)(void *)> threads;
    std::vector<int> thread_results; // consumed in order; 0 once empty
    int detach_result = 0;
    bool nofile_raised = false;

    // ---- Files ---------------------------------------------------------------------
    // open_read opens real files; paths under /sys/ are looked up below
    // sysfs_root. fopen_read serves the canned texts below by path (others
    // fail with ENOENT): the NIC list is there and empty unless a test says.
    std::string sysfs_root;
    std::map<std::string, std::string> text_files = {{linkmon::settings::PNIC_LIST_PATH, ""}};

    // ---- Physical memory ------------------------------------------------------------
    // The descriptor open_devmem gives (negative: fails with ENOENT) and the
    // memory each physical offset maps to; protections are recorded.
    int devmem_fd = 7;
    int devmem_opens = 0;
    std::map<std::uint64_t, void *> phys;
    std::vector<ProtectCall> protects;
    std::vector<int> protect_results; // consumed in order; 0 once empty

    // ---- Sockets: descriptors from next_fd on, nothing really opened ----------------------
    int next_fd = 100;
    // errno values that make the call fail; 0 = success.
    int socket_errno = 0;
    int setsockopt_errno = 0;
    int bind_errno = 0;
    int listen_errno = 0;
    int connect_errno = 0;
    // The listening socket of the server tests: the wait sees a connection
    // on it while accept_results holds one.
    int listen_fd = 3;
    // Accept results in order: a descriptor, or -errno for a failure; none
    // left reads EAGAIN.
    std::deque<int> accept_results;
    // Receives per descriptor, in order; an absent or empty queue reads end
    // of file. recv_errno makes the next receive fail instead. A silent peer
    // has sent nothing: the wait does not see it, a receive fails with
    // EAGAIN.
    std::map<int, std::deque<std::string>> recv_data;
    std::map<int, int> recv_errno;
    std::set<int> silent;
    std::vector<int> recv_flags;
    // The time-out of every wait (poll_readable), and an errno that makes
    // the next wait fail.
    std::vector<std::chrono::milliseconds> waits;
    int wait_errno = 0;
    std::chrono::milliseconds connect_timeout{0};
    // Bytes sent per descriptor, and results forced per descriptor (-1
    // fails with send_errno).
    std::map<int, std::string> sent;
    std::map<int, long> send_result;
    int send_errno = 0;
    std::vector<int> send_flags;
    // Peers gone (getpeername fails) and peers that closed their end.
    std::set<int> gone;
    std::set<int> peer_closed;
    // Sockets closed, in order (files opened by open_read are really closed
    // and not listed).
    std::vector<int> closed;
    std::set<int> open_files;
    // Every ethtool request: the interface name and the command block.
    std::function<int(const std::string &name, void *block)> ethtool;
    std::vector<std::string> ethtool_names;
    int ethtool_sockets = 0;

    // ---- Every call through the edge --------------------------------------------------------
    unsigned long calls = 0;
};

State &state();
void reset();

} // namespace fake_os

#endif
