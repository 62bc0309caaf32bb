// The client table: registration of notified peers, their liveness test
// and the flush of a full table.
#include "app/log.h"
#include "os/os.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <array>
#include <cerrno>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_NEW_CLIENT = "linkmon: New client %d added at index %d\n";
inline constexpr const char *MSG_CLIENT_LIMIT = "linkmon: max client limit reached %d\n";

} // namespace

namespace linkmon
{

void close_all_clients_locked()
{
    for (int &fd : linkmonsockfd) {
        if (fd >= 0)
            os::close(fd);
        fd = -1;
    }
}

void find_hangups_locked(SlotFlags &hang)
{
    std::array<int, LINKMON_MAX_CLIENTS> fds;
    std::array<int, LINKMON_MAX_CLIENTS> slot_of;
    std::array<unsigned char, LINKMON_MAX_CLIENTS> seen;
    size_t n = 0;
    hang.fill(0);
    for (int i = 0; i < LINKMON_MAX_CLIENTS; ++i) {
        if (linkmonsockfd[i] >= 0) {
            slot_of[n] = i;
            fds[n++] = linkmonsockfd[i];
        }
    }
    os::poll_hangups(fds.data(), n, seen.data());
    for (size_t k = 0; k < n; ++k)
        hang[slot_of[k]] = seen[k];
}

void sweep_gone_clients_locked()
{
    SlotFlags hang;
    find_hangups_locked(hang);
    for (int i = 0; i < LINKMON_MAX_CLIENTS; ++i) {
        if (hang[i] && check_client_peer(linkmonsockfd[i]) != 0)
            linkmonsockfd[i] = -1;
    }
}

} // namespace linkmon

extern "C" int check_client_peer(int fd)
{
    if (os::getpeername(fd) != 0) {
        int err = errno;
        os::close(fd);
        return err != 0 ? err : ENOTCONN;
    }
    // A peer that closed its end leaves the socket connected in the eyes of
    // getpeername (CLOSE_WAIT); end of file on a peek tells it is gone.
    if (os::peer_closed(fd)) {
        os::close(fd);
        return ENOTCONN;
    }
    return 0;
}

extern "C" void close_all_clients(void)
{
    std::lock_guard<std::mutex> hold(net_lock());
    close_all_clients_locked();
}

extern "C" void add_linkmon_client(int fd)
{
    std::lock_guard<std::mutex> hold(net_lock());
    sweep_gone_clients_locked();
    for (int i = 0; i < LINKMON_MAX_CLIENTS; ++i) {
        if (linkmonsockfd[i] < 0) {
            linkmonsockfd[i] = fd;
            pcie_log(MSG_NEW_CLIENT, fd, i);
            return;
        }
    }
    pcie_log(MSG_CLIENT_LIMIT, LINKMON_MAX_CLIENTS);
    close_all_clients_locked();
    linkmonsockfd[0] = fd;
}
