// The linkmon server thread: the listening socket and the accept loop.
#include "net_internal.h"
#include "net_os.h"
#include "net_settings.h"

#include <arpa/inet.h>
#include <errno.h>
#include <stdint.h>
#include <string.h>
#include <sys/socket.h>

namespace linkmon {

inline constexpr const char *kServerName = "accept_linkmon_connections";
inline constexpr const char *kDetachErrMsg = "%s: detach err = %d\n";
inline constexpr const char *kDecodeErrMsg = "%s: Cannot decode %s\n";
inline constexpr const char *kSocketErrMsg = "%s: socket err = %d\n";
inline constexpr const char *kSetsockoptErrMsg = "%s: setsockopt err = %d\n";
inline constexpr const char *kServerAddrMsg = "server ip address: %u ";
inline constexpr const char *kBindErrMsg = "%s: bind err = %d\n";
inline constexpr const char *kListenErrMsg = "%s: listen err = %d\n";
inline constexpr const char *kStartingMsg = "Starting linkmon server..\n";
inline constexpr const char *kAcceptErrMsg = "%s: accept err = %d\n";
inline constexpr intptr_t kDecodeFailure = 89;

namespace {

int fail_and_close(int fd, const char *msg)
{
    int err = errno;
    netos_close(fd);
    pcie_log(msg, kServerName, err);
    return -1;
}

} // namespace

int open_linkmon_listener()
{
    in_addr addr{};
    if (inet_aton(kServerAddress, &addr) == 0) {
        pcie_log(kDecodeErrMsg, kServerName, kServerAddress);
        return -2;
    }
    int fd = netos_socket(SOCK_STREAM);
    if (fd < 0) {
        pcie_log(kSocketErrMsg, kServerName, errno);
        return -1;
    }
    if (netos_setsockopt_int(fd, SOL_SOCKET, SO_REUSEADDR, 1) != 0)
        return fail_and_close(fd, kSetsockoptErrMsg);
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(LINKMON_PORT);
    sa.sin_addr = addr;
    pcie_log(kServerAddrMsg, static_cast<unsigned>(sa.sin_addr.s_addr));
    if (netos_bind(fd, &sa) != 0)
        return fail_and_close(fd, kBindErrMsg);
    if (netos_listen(fd, kListenBacklog) != 0)
        return fail_and_close(fd, kListenErrMsg);
    pcie_log(kStartingMsg);
    return fd;
}

void serve_next_connection(int listen_fd)
{
    int fd = netos_accept(listen_fd);
    if (fd < 0) {
        pcie_log(kAcceptErrMsg, kServerName, errno);
        // Out of descriptors, say: pause rather than spin.
        netos_sleep_ms(kAcceptRetryPauseMs);
        return;
    }
    service_client(fd);
}

} // namespace linkmon

extern "C" void *accept_linkmon_connections(void *)
{
    using namespace linkmon;
    int rc = netos_detach_self();
    if (rc != 0) {
        pcie_log(kDetachErrMsg, kServerName, rc);
        return nullptr;
    }
    // A full client table plus the daemon's own descriptors needs more than
    // the default soft limit.
    netos_raise_nofile_limit();
    int fd = open_linkmon_listener();
    if (fd == -2)
        return reinterpret_cast<void *>(kDecodeFailure);
    if (fd < 0)
        return nullptr;
    for (;;)
        serve_next_connection(fd);
}
