// Scriptable stand-ins for the network edge (net_os.h) in unit tests.
#ifndef LINKMON_TESTS_NET_FAKES_H
#define LINKMON_TESTS_NET_FAKES_H

#include "pcie_monitor.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <time.h>
#include <vector>

namespace netfake {

struct State {
    int next_fd = 100;
    // errno values that make the call fail; 0 = success.
    int socket_errno = 0;
    int setsockopt_errno = 0;
    int bind_errno = 0;
    int listen_errno = 0;
    int connect_errno = 0;
    int detach_result = 0;
    // Accept results in order: a descriptor, or -errno for a failure.
    std::deque<int> accept_results;
    // Receives per descriptor, in order; an absent or empty queue reads
    // end of file. recv_errno makes the next receive fail instead.
    std::map<int, std::deque<std::string>> recv_data;
    std::map<int, int> recv_errno;
    std::map<int, int> recv_timeout_ms;
    // Bytes sent per descriptor, and results forced per descriptor
    // (-1 fails with send_errno).
    std::map<int, std::string> sent;
    std::map<int, long> send_result;
    int send_errno = 0;
    std::vector<int> send_flags;
    // Peers gone (getpeername fails) and peers that closed their end.
    std::set<int> gone;
    std::set<int> peer_closed;
    std::vector<int> closed;
    // Every ethtool request: the interface name and the command block.
    std::function<int(const std::string &name, void *block)> ethtool;
    std::vector<std::string> ethtool_names;
    int ethtool_sockets = 0;
    // Sleeps, commands and clock, in order of the calls.
    std::vector<std::string> events;
    int system_result = 0;
    struct timespec now = {1000, 0};
    bool nofile_raised = false;
    // The NIC list file; absent when pnic_list_missing.
    std::string pnic_list;
    bool pnic_list_missing = false;
};

State &state();

// Runs f and returns what it wrote to standard output (the event log and
// the client's messages).
template <class F> std::string capture_stdout(F f)
{
    testing::internal::CaptureStdout();
    f();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Appends a monitored row with this address to the device table.
FmeaDevice &add_row(unsigned bus, unsigned dev, unsigned func);
// Fresh fake state, closed client table, idle injection, empty device table.
void reset();

} // namespace netfake

#endif
