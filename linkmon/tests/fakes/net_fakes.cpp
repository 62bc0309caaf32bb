// Fakes of the network edge: sockets, ethtool, shell, sleeps and clock.
#include "fakes/net_fakes.h"

#include "net_os.h"
#include "pcie_monitor.h"

#include <errno.h>
#include <net/if.h>
#include <string.h>
#include <sys/socket.h>

namespace netfake {

State &state()
{
    static State s;
    return s;
}

void reset()
{
    state() = State{};
    for (int &fd : linkmonsockfd)
        fd = -1;
    fi_command = 0;
    fi_action = 0;
    fi_bus = fi_dev = fi_func = 0;
    memset(&fi_fmea_dev, 0, sizeof fi_fmea_dev);
    memset(fmea_devices, 0, sizeof(FmeaDevice) * FMEA_MAX_DEVICES);
    n_fmea_devices = 0;
    ethtool_sock = -1;
    pnic_count = 0;
    linkmon_pass = 0;
    linkmonstate = 0;
    skiptime = {0, 0};
    is_boardtype_set = 0;
    memset(boardtype_arr, 0, sizeof boardtype_arr);
}

FmeaDevice &add_row(unsigned bus, unsigned dev, unsigned func)
{
    FmeaDevice &d = fmea_devices[n_fmea_devices];
    memset(&d, 0, sizeof d);
    d.index = n_fmea_devices++;
    d.vendor = 0x8086;
    d.device = 0x1533;
    d.bus = bus;
    d.dev = dev;
    d.func = func;
    d.partner_idx = 0;
    return d;
}

namespace {

int fail(int err)
{
    errno = err;
    return err != 0 ? -1 : 0;
}

} // namespace
} // namespace netfake

using netfake::state;

int netos_socket(int type)
{
    if (state().socket_errno != 0)
        return netfake::fail(state().socket_errno);
    if (type == SOCK_DGRAM)
        ++state().ethtool_sockets;
    return state().next_fd++;
}

int netos_setsockopt_int(int, int, int, int)
{
    return netfake::fail(state().setsockopt_errno);
}

int netos_set_recv_timeout(int fd, int ms)
{
    state().recv_timeout_ms[fd] = ms;
    return 0;
}

int netos_bind(int, const struct sockaddr_in *)
{
    return netfake::fail(state().bind_errno);
}

int netos_listen(int, int)
{
    return netfake::fail(state().listen_errno);
}

int netos_accept(int)
{
    auto &q = state().accept_results;
    int r = q.empty() ? -EBADF : q.front();
    if (!q.empty())
        q.pop_front();
    return r < 0 ? netfake::fail(-r) : r;
}

int netos_connect(int, const struct sockaddr_in *)
{
    return netfake::fail(state().connect_errno);
}

ssize_t netos_send(int fd, const void *buf, size_t len, int flags)
{
    state().send_flags.push_back(flags);
    auto forced = state().send_result.find(fd);
    if (forced != state().send_result.end()) {
        if (forced->second < 0)
            return netfake::fail(state().send_errno);
        state().sent[fd].append(static_cast<const char *>(buf), static_cast<size_t>(forced->second));
        return forced->second;
    }
    state().sent[fd].append(static_cast<const char *>(buf), len);
    return static_cast<ssize_t>(len);
}

ssize_t netos_recv(int fd, void *buf, size_t len, int)
{
    auto err = state().recv_errno.find(fd);
    if (err != state().recv_errno.end())
        return netfake::fail(err->second);
    auto &q = state().recv_data[fd];
    if (q.empty())
        return 0;
    std::string chunk = q.front();
    q.pop_front();
    size_t n = chunk.size() < len ? chunk.size() : len;
    memcpy(buf, chunk.data(), n);
    return static_cast<ssize_t>(n);
}

int netos_close(int fd)
{
    state().closed.push_back(fd);
    return 0;
}

int netos_getpeername(int fd)
{
    return state().gone.count(fd) ? netfake::fail(ENOTCONN) : 0;
}

int netos_peer_closed(int fd)
{
    return state().peer_closed.count(fd) ? 1 : 0;
}

int netos_ioctl_ethtool(int, struct ifreq *ifr)
{
    state().ethtool_names.push_back(ifr->ifr_name);
    if (!state().ethtool)
        return netfake::fail(ENODEV);
    return state().ethtool(ifr->ifr_name, ifr->ifr_data);
}

int netos_poll_hangups(const int *fds, size_t n, unsigned char *hang)
{
    for (size_t i = 0; i < n; ++i)
        hang[i] = state().gone.count(fds[i]) || state().peer_closed.count(fds[i]);
    return 0;
}

int netos_detach_self(void)
{
    return state().detach_result;
}

void netos_raise_nofile_limit(void)
{
    state().nofile_raised = true;
}

int netos_system(const char *command)
{
    state().events.push_back(std::string("system ") + command);
    return state().system_result;
}

void netos_sleep_sec(unsigned sec)
{
    state().events.push_back("sleep " + std::to_string(sec));
    state().now.tv_sec += sec;
}

void netos_sleep_ms(unsigned ms)
{
    state().events.push_back("sleep_ms " + std::to_string(ms));
}

int netos_monotonic(struct timespec *now)
{
    *now = state().now;
    return 0;
}

FILE *netos_open_pnic_list(void)
{
    if (state().pnic_list_missing)
        return nullptr;
    FILE *f = tmpfile();
    if (f != nullptr) {
        fwrite(state().pnic_list.data(), 1, state().pnic_list.size(), f);
        rewind(f);
    }
    return f;
}
