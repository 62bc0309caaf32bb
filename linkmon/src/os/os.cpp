// The shipped platform edge (see os.h): thin wrappers over libc.
#include "os/os.h"
#include "settings.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace linkmon::os
{

// ---- Time --------------------------------------------------------------------

int clock_monotonic(std::timespec *now)
{
    return ::clock_gettime(CLOCK_MONOTONIC, now);
}

std::time_t wall_time()
{
    return ::time(nullptr);
}

bool local_time(std::time_t t, std::tm *out)
{
    return ::localtime_r(&t, out) != nullptr;
}

void sleep_for(std::chrono::milliseconds interval)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(interval);
    const auto rest = std::chrono::duration_cast<std::chrono::nanoseconds>(interval - seconds);
    std::timespec left = {static_cast<std::time_t>(seconds.count()),
                          static_cast<long>(rest.count())};
    // A signal may cut the wait short; finish the interval from what is left.
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// ---- Processes and threads -----------------------------------------------------

std::FILE *popen_read(const char *command)
{
    return ::popen(command, "r");
}

int pclose(std::FILE *pipe)
{
    return ::pclose(pipe);
}

int system(const char *command)
{
    return std::system(command);
}

int start_thread(void *(*routine)(void *))
{
    pthread_t tid;
    return ::pthread_create(&tid, nullptr, routine, nullptr);
}

int detach_self()
{
    return ::pthread_detach(::pthread_self());
}

void raise_nofile_limit()
{
    rlimit lim = {};
    if (::getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
        lim.rlim_cur = lim.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &lim);
    }
}

// ---- Files -------------------------------------------------------------------

int open_read(const char *path, int *fd)
{
    *fd = ::open(path, O_RDONLY | O_CLOEXEC);
    return *fd < 0 ? errno : 0;
}

int file_size(int fd, std::size_t *size)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return errno;
    *size = static_cast<std::size_t>(st.st_size);
    return 0;
}

long read(int fd, void *buf, std::size_t count)
{
    return static_cast<long>(::read(fd, buf, count));
}

std::FILE *fopen_read(const char *path)
{
    return std::fopen(path, "r");
}

int close(int fd)
{
    const int saved = errno;
    const int rc = ::close(fd);
    errno = saved;
    return rc;
}

// ---- Physical memory -------------------------------------------------------------

int open_devmem()
{
    return ::open(settings::DEVMEM_PATH, O_RDWR | O_SYNC | O_CLOEXEC);
}

void *map_shared_read(int fd, std::uint64_t offset, std::size_t length)
{
    return ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, static_cast<off_t>(offset));
}

int protect(void *page, std::size_t length, bool writable)
{
    return ::mprotect(page, length, writable ? PROT_READ | PROT_WRITE : PROT_READ);
}

// ---- Sockets and the ethtool ioctl -----------------------------------------------

int socket(int type)
{
    return ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
}

int setsockopt_int(int fd, int level, int option, int value)
{
    return ::setsockopt(fd, level, option, &value, sizeof value);
}

int bind(int fd, const sockaddr_in *addr)
{
    return ::bind(fd, reinterpret_cast<const sockaddr *>(addr), sizeof *addr);
}

int listen(int fd, int backlog)
{
    return ::listen(fd, backlog);
}

int accept(int fd)
{
    return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}

namespace
{

// The end of a non-blocking connect: 0, or -1 with errno.
int finish_connect(int fd, std::chrono::milliseconds timeout)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now());
        if (left.count() <= 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        pollfd pfd = {fd, POLLOUT, 0};
        const int rc = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return -1;
        if (rc > 0)
            break;
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return -1;
    errno = err;
    return err == 0 ? 0 : -1;
}

} // namespace

int connect(int fd, const sockaddr_in *addr, std::chrono::milliseconds timeout)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return -1;
    int rc = ::connect(fd, reinterpret_cast<const sockaddr *>(addr), sizeof *addr);
    if (rc != 0 && errno == EINPROGRESS)
        rc = finish_connect(fd, timeout);
    // A connected client waits for its reply as long as it must.
    const int saved = errno;
    ::fcntl(fd, F_SETFL, flags);
    errno = saved;
    return rc;
}

ssize_t send(int fd, const void *buf, std::size_t len, int flags)
{
    return ::send(fd, buf, len, flags);
}

ssize_t recv(int fd, void *buf, std::size_t len, int flags)
{
    return ::recv(fd, buf, len, flags);
}

int getpeername(int fd)
{
    sockaddr_storage peer = {};
    socklen_t len = sizeof peer;
    return ::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len);
}

bool peer_closed(int fd)
{
    char byte;
    const int saved = errno;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    errno = saved;
    return n == 0;
}

int poll_hangups(const int *fds, std::size_t n, unsigned char *hang)
{
    std::vector<pollfd> pfds(n);
    for (std::size_t i = 0; i < n; ++i)
        pfds[i] = {fds[i], POLLRDHUP, 0};
    const int rc = ::poll(pfds.data(), n, 0);
    for (std::size_t i = 0; i < n; ++i)
        hang[i] = rc < 0 || (pfds[i].revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
    return rc < 0 ? -1 : 0;
}

int poll_readable(const int *fds, std::size_t n, unsigned char *ready,
                  std::chrono::milliseconds timeout)
{
    std::vector<pollfd> pfds(n);
    for (std::size_t i = 0; i < n; ++i)
        pfds[i] = {fds[i], POLLIN, 0};
    const long long ms = timeout.count();
    const int wait = ms < 0 ? -1 : ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
    const int rc = ::poll(pfds.data(), n, wait);
    for (std::size_t i = 0; i < n; ++i)
        ready[i] = rc > 0 && (pfds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    return rc;
}

int ioctl_ethtool(int fd, ifreq *ifr)
{
    return ::ioctl(fd, SIOCETHTOOL, ifr);
}

} // namespace linkmon::os
