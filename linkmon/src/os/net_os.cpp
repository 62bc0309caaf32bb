// The real network edge of the link monitor: thin wrappers over libc.
#include "net_os.h"
#include "net_settings.h"

#include <errno.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

int netos_socket(int type)
{
    return socket(AF_INET, type, 0);
}

int netos_setsockopt_int(int fd, int level, int option, int value)
{
    return setsockopt(fd, level, option, &value, sizeof value);
}

int netos_set_recv_timeout(int fd, int ms)
{
    struct timeval tv = {ms / 1000, (ms % 1000) * 1000};
    return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

int netos_bind(int fd, const struct sockaddr_in *addr)
{
    return bind(fd, reinterpret_cast<const sockaddr *>(addr), sizeof *addr);
}

int netos_listen(int fd, int backlog)
{
    return listen(fd, backlog);
}

int netos_accept(int fd)
{
    return accept(fd, nullptr, nullptr);
}

int netos_connect(int fd, const struct sockaddr_in *addr)
{
    return connect(fd, reinterpret_cast<const sockaddr *>(addr), sizeof *addr);
}

ssize_t netos_send(int fd, const void *buf, size_t len, int flags)
{
    return send(fd, buf, len, flags);
}

ssize_t netos_recv(int fd, void *buf, size_t len, int flags)
{
    return recv(fd, buf, len, flags);
}

int netos_close(int fd)
{
    int saved = errno;
    int rc = close(fd);
    errno = saved;
    return rc;
}

int netos_getpeername(int fd)
{
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    return getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len);
}

int netos_peer_closed(int fd)
{
    char byte;
    int saved = errno;
    ssize_t n = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    errno = saved;
    return n == 0;
}

int netos_poll_hangups(const int *fds, size_t n, unsigned char *hang)
{
    std::vector<pollfd> pfds(n);
    for (size_t i = 0; i < n; ++i)
        pfds[i] = {fds[i], POLLRDHUP, 0};
    int rc = poll(pfds.data(), n, 0);
    for (size_t i = 0; i < n; ++i)
        hang[i] = rc < 0 || (pfds[i].revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
    return rc < 0 ? -1 : 0;
}

int netos_ioctl_ethtool(int fd, struct ifreq *ifr)
{
    return ioctl(fd, SIOCETHTOOL, ifr);
}

int netos_detach_self(void)
{
    return pthread_detach(pthread_self());
}

void netos_raise_nofile_limit(void)
{
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
        lim.rlim_cur = lim.rlim_max;
        setrlimit(RLIMIT_NOFILE, &lim);
    }
}

int netos_system(const char *command)
{
    return system(command);
}

void netos_sleep_sec(unsigned sec)
{
    netos_sleep_ms(sec * 1000u);
}

void netos_sleep_ms(unsigned ms)
{
    timespec ts = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int netos_monotonic(struct timespec *now)
{
    return clock_gettime(CLOCK_MONOTONIC, now);
}

FILE *netos_open_pnic_list(void)
{
    return fopen(linkmon::kPnicListPath, "r");
}
