// The linkmon server thread: the listening socket, and the thread routine
// that turns the server (pending.cpp) for ever.
#include "server/server.h"
#include "app/log.h"
#include "os/os.h"
#include "proto/proto.h"
#include "settings.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *SERVER_NAME = "accept_linkmon_connections";
inline constexpr const char *MSG_DETACH_FAILED = "%s: detach err = %d\n";
inline constexpr const char *MSG_DECODE_FAILED = "%s: Cannot decode %s\n";
inline constexpr const char *MSG_SOCKET_FAILED = "%s: socket err = %d\n";
inline constexpr const char *MSG_SETSOCKOPT_FAILED = "%s: setsockopt err = %d\n";
inline constexpr const char *MSG_SERVER_ADDRESS = "server ip address: %u ";
inline constexpr const char *MSG_BIND_FAILED = "%s: bind err = %d\n";
inline constexpr const char *MSG_LISTEN_FAILED = "%s: listen err = %d\n";
inline constexpr const char *MSG_STARTING = "Starting linkmon server..\n";
inline constexpr intptr_t DECODE_FAILURE = 89;

int fail_and_close(int fd, const char *msg)
{
    int err = errno;
    os::close(fd);
    pcie_log(msg, SERVER_NAME, err);
    return -1;
}

// At boot the server address may not be configured yet: the bind is tried
// again every few seconds, and only its first failure is logged.
void bind_until_bound(int fd, const sockaddr_in &sa)
{
    for (bool logged = false; os::bind(fd, &sa) != 0; os::sleep_for(settings::BIND_RETRY_PAUSE)) {
        if (!logged)
            pcie_log(MSG_BIND_FAILED, SERVER_NAME, errno);
        logged = true;
    }
}

} // namespace

namespace linkmon
{

MonoTime mono_now()
{
    std::timespec now = {};
    if (os::clock_monotonic(&now) != 0)
        return MonoTime{};
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

int open_linkmon_listener()
{
    in_addr addr{};
    if (inet_aton(settings::SERVER_ADDRESS, &addr) == 0) {
        pcie_log(MSG_DECODE_FAILED, SERVER_NAME, settings::SERVER_ADDRESS);
        return -2;
    }
    // Non-blocking: the server only accepts when a connection is waiting,
    // and must not hang if it went away in between.
    int fd = os::socket(SOCK_STREAM | SOCK_NONBLOCK);
    if (fd < 0) {
        pcie_log(MSG_SOCKET_FAILED, SERVER_NAME, errno);
        return -1;
    }
    if (os::setsockopt_int(fd, SOL_SOCKET, SO_REUSEADDR, 1) != 0)
        return fail_and_close(fd, MSG_SETSOCKOPT_FAILED);
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(LINKMON_PORT);
    sa.sin_addr = addr;
    pcie_log(MSG_SERVER_ADDRESS, static_cast<unsigned>(sa.sin_addr.s_addr));
    bind_until_bound(fd, sa);
    if (os::listen(fd, settings::LISTEN_BACKLOG) != 0)
        return fail_and_close(fd, MSG_LISTEN_FAILED);
    pcie_log(MSG_STARTING);
    return fd;
}

} // namespace linkmon

extern "C" void *accept_linkmon_connections(void *)
{
    int rc = os::detach_self();
    if (rc != 0) {
        pcie_log(MSG_DETACH_FAILED, SERVER_NAME, rc);
        return nullptr;
    }
    // A full client table plus the daemon's own descriptors needs more than
    // the default soft limit.
    os::raise_nofile_limit();
    int fd = open_linkmon_listener();
    if (fd == -2)
        return reinterpret_cast<void *>(DECODE_FAILURE);
    if (fd < 0)
        return nullptr;
    PendingPeers pending;
    for (;;)
        serve_turn(fd, pending);
}
