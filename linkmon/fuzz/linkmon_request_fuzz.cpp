// The server's side of the protocol on the fake platform edge: connections
// that send request bytes, stay silent or fail arrive in any order while
// the fake clock moves, and the server turns take them, decode and carry
// out their requests, end the waits and bound the log.
//
// Input: a list of steps, each a command byte and its operands:
//   c % 4 == 0  a connection that sends the next (c / 4) % 17 bytes (0:
//               it closes without a word)
//   c % 4 == 1  a silent connection
//   c % 4 == 2  the clock moves on by (next byte) * 20 ms
//   c % 4 == 3  a connection whose receive fails
// Each step is followed by two turns of the server; at the end the clock
// moves on until every wait and the log's summary are over.
//
// Checks: every accepted connection is closed once or registered, never
// both; the injection state holds only valid commands; and every refused
// connection (worked out here from the bytes, independently of the server)
// is either logged in full, at most five a second, or counted in a summary.
#include "fakes/daemon_fixture.h"
#include "fakes/os_fake.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

#include <errno.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace
{

constexpr int kListener = 3;
constexpr int kFirstPeer = 100;
int log_fd = -1;

// The log goes to a memory file that each input starts afresh.
void clear_log()
{
    std::fflush(stdout);
    ftruncate(log_fd, 0);
    lseek(log_fd, 0, SEEK_SET);
}

std::string read_log()
{
    std::fflush(stdout);
    std::string text(static_cast<size_t>(lseek(log_fd, 0, SEEK_END)), '\0');
    pread(log_fd, text.data(), text.size(), 0);
    return text;
}

unsigned count(const std::string &text, const char *what)
{
    unsigned n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The refusals the summaries counted.
unsigned summed(const std::string &text)
{
    unsigned n = 0;
    const char *marker = "linkmon: ";
    for (auto at = text.find(" more requests rejected"); at != std::string::npos;
         at = text.find(" more requests rejected", at + 1)) {
        auto start = text.rfind(marker, at);
        n += static_cast<unsigned>(std::strtoul(text.c_str() + start + 9, nullptr, 10));
    }
    return n;
}

// Whether the server must refuse a connection that sent these bytes (one
// receive of at most 8, little-endian, missing bytes zero).
bool refused(const uint8_t *bytes, size_t len)
{
    if (len == 0)
        return true;
    uint64_t word = 0;
    for (size_t i = 0; i < std::min<size_t>(len, 8); ++i)
        word |= uint64_t{bytes[i]} << (8 * i);
    const unsigned action = (word >> 24) & 0xFF;
    const unsigned command = (word >> 16) & 0xFF;
    return (word >> 48) != 0x1234 || (action != 0 && action != 2) || command > 7;
}

void advance(std::chrono::milliseconds ms)
{
    std::timespec &t = fake_os::state().mono;
    long long ns = t.tv_nsec + std::chrono::nanoseconds(ms).count();
    t.tv_sec += static_cast<time_t>(ns / 1000000000);
    t.tv_nsec = static_cast<long>(ns % 1000000000);
}

void turns(linkmon::PendingPeers &pending, int n)
{
    for (int i = 0; i < n; ++i)
        linkmon::serve_turn(kListener, pending);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    log_fd = memfd_create("linkmon-log", 0);
    if (log_fd < 0 || dup2(log_fd, 1) < 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fake_os::reset();
    fake_os::reset_daemon_globals();
    fake_os::state().listen_fd = kListener;
    fake_os::add_row(1, 0, 0);
    fake_os::add_row(2, 0, 0);
    fake_os::add_row(2, 3, 1).vendor = 0;
    clear_log();

    linkmon::PendingPeers pending;
    const std::timespec start = fake_os::state().mono;
    int next_fd = kFirstPeer;
    unsigned expected_refusals = 0;
    for (size_t at = 0; at < size;) {
        const uint8_t c = data[at++];
        fake_os::State &s = fake_os::state();
        switch (c % 4) {
        case 0: {
            size_t len = std::min<size_t>((c / 4) % 17, size - at);
            if (len != 0)
                s.recv_data[next_fd].push_back(
                    std::string(reinterpret_cast<const char *>(data + at), len));
            expected_refusals += refused(data + at, len);
            at += len;
            s.accept_results.push_back(next_fd++);
            break;
        }
        case 1:
            s.silent.insert(next_fd);
            s.accept_results.push_back(next_fd++);
            ++expected_refusals;
            break;
        case 2:
            if (at < size)
                advance(std::chrono::milliseconds(20 * data[at++]));
            break;
        default:
            s.recv_errno[next_fd] = ECONNRESET;
            s.accept_results.push_back(next_fd++);
            ++expected_refusals;
            break;
        }
        turns(pending, 2);
    }
    // Every connection is taken, every wait ends, the last summary is due.
    while (!fake_os::state().accept_results.empty())
        turns(pending, 1);
    advance(linkmon::settings::REQUEST_TIMEOUT);
    turns(pending, 1);
    advance(linkmon::settings::REFUSAL_WINDOW);
    turns(pending, 1);
    if (pending.size() != 0)
        std::abort();

    const fake_os::State &s = fake_os::state();
    std::set<int> closed;
    for (int fd : s.closed)
        if (!closed.insert(fd).second)
            std::abort(); // closed twice
    std::set<int> registered;
    for (int fd : linkmonsockfd) {
        if (fd >= 0 && (closed.count(fd) != 0 || !registered.insert(fd).second))
            std::abort(); // registered and closed, or registered twice
    }
    for (int fd = kFirstPeer; fd < next_fd; ++fd)
        if (closed.count(fd) == 0 && registered.count(fd) == 0)
            std::abort(); // neither served nor refused
    if (fi_command != 0 && (fi_command < 2 || fi_command > 6))
        std::abort();

    const std::string log = read_log();
    const unsigned full = count(log, "Client connect: Invalid vdi ") + count(log, " on recv\n");
    if (full + summed(log) != expected_refusals)
        std::abort();
    const long seconds = fake_os::state().mono.tv_sec - start.tv_sec + 1;
    if (full > linkmon::settings::REFUSALS_LOGGED_PER_SECOND * static_cast<unsigned>(seconds))
        std::abort();
    return 0;
}
