// The client table: registration of notified peers, their liveness test
// and the flush of a full table.
#include "net_internal.h"
#include "net_os.h"

#include <array>
#include <errno.h>

extern "C" {
int linkmonsockfd[LINKMON_MAX_CLIENTS];
}

namespace linkmon {
namespace {

inline constexpr const char *kNewClientMsg = "linkmon: New client %d added at index %d\n";
inline constexpr const char *kClientLimitMsg = "linkmon: max client limit reached %d\n";

} // namespace

void close_all_clients_locked()
{
    for (int &fd : linkmonsockfd) {
        if (fd >= 0)
            netos_close(fd);
        fd = -1;
    }
}

void sweep_gone_clients_locked()
{
    // One poll over the table picks the slots worth a closer look, so that
    // a registration next to a thousand live clients stays cheap; the peer
    // test decides for those.
    std::array<int, LINKMON_MAX_CLIENTS> fds;
    std::array<int *, LINKMON_MAX_CLIENTS> slots;
    std::array<unsigned char, LINKMON_MAX_CLIENTS> hang;
    size_t n = 0;
    for (int &fd : linkmonsockfd) {
        if (fd >= 0) {
            slots[n] = &fd;
            fds[n++] = fd;
        }
    }
    netos_poll_hangups(fds.data(), n, hang.data());
    for (size_t i = 0; i < n; ++i) {
        if (hang[i] && check_client_peer(fds[i]) != 0)
            *slots[i] = -1;
    }
}

} // namespace linkmon

extern "C" int check_client_peer(int fd)
{
    if (netos_getpeername(fd) != 0) {
        int err = errno;
        netos_close(fd);
        return err != 0 ? err : ENOTCONN;
    }
    // A peer that closed its end leaves the socket connected in the eyes of
    // getpeername (CLOSE_WAIT); end of file on a peek tells it is gone.
    if (netos_peer_closed(fd)) {
        netos_close(fd);
        return ENOTCONN;
    }
    return 0;
}

extern "C" void close_all_clients(void)
{
    std::lock_guard<std::mutex> hold(linkmon::net_lock());
    linkmon::close_all_clients_locked();
}

extern "C" void add_linkmon_client(int fd)
{
    std::lock_guard<std::mutex> hold(linkmon::net_lock());
    linkmon::sweep_gone_clients_locked();
    for (int i = 0; i < LINKMON_MAX_CLIENTS; ++i) {
        if (linkmonsockfd[i] < 0) {
            linkmonsockfd[i] = fd;
            pcie_log(linkmon::kNewClientMsg, fd, i);
            return;
        }
    }
    pcie_log(linkmon::kClientLimitMsg, LINKMON_MAX_CLIENTS);
    linkmon::close_all_clients_locked();
    linkmonsockfd[0] = fd;
}
