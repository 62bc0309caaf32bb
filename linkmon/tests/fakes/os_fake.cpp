// The fake of the daemon's platform edge (see os_fake.h): the clock is
// scripted, sleeps and commands are recorded, pipes give canned output,
// files are real (with /sys redirected), /dev/mem maps to test buffers and
// sockets are numbers whose peers the tests play.
#include "fakes/os_fake.h"
#include "os/os.h"

#include <fcntl.h>
#include <net/if.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fake_os
{

State &state()
{
    static State s;
    return s;
}

void reset()
{
    for (int fd : state().open_files)
        ::close(fd);
    state() = State{};
}

} // namespace fake_os

namespace
{

fake_os::State &counted()
{
    fake_os::State &s = fake_os::state();
    ++s.calls;
    return s;
}

int next_result(std::vector<int> &results)
{
    if (results.empty())
        return 0;
    const int rc = results.front();
    results.erase(results.begin());
    return rc;
}

int fail(int err)
{
    errno = err;
    return err != 0 ? -1 : 0;
}

std::FILE *text_file(const std::string &text)
{
    std::FILE *f = std::tmpfile();
    if (f == nullptr)
        return nullptr;
    std::fputs(text.c_str(), f);
    std::rewind(f);
    return f;
}

} // namespace

namespace linkmon::os
{

// ---- Time --------------------------------------------------------------------

int clock_monotonic(std::timespec *now)
{
    fake_os::State &s = counted();
    if (s.mono_fails)
        return -1;
    *now = s.mono;
    return 0;
}

std::time_t wall_time()
{
    return counted().wall;
}

bool local_time(std::time_t t, std::tm *out)
{
    counted();
    return ::gmtime_r(&t, out) != nullptr;
}

void sleep_for(std::chrono::milliseconds interval)
{
    fake_os::State &s = counted();
    s.sleeps.push_back(interval);
    const long long ms = interval.count();
    s.events.push_back(ms % 1000 == 0 ? "sleep " + std::to_string(ms / 1000) + "s"
                                      : "sleep " + std::to_string(ms) + "ms");
    if (s.on_sleep)
        s.on_sleep(interval);
}

// ---- Processes and threads -----------------------------------------------------

std::FILE *popen_read(const char *command)
{
    fake_os::State &s = counted();
    s.popen_commands.emplace_back(command);
    auto it = s.popen_output.find(command);
    if (it == s.popen_output.end())
        return nullptr;
    std::FILE *f = text_file(it->second);
    if (f != nullptr)
        ++s.pipes_open;
    return f;
}

int pclose(std::FILE *pipe)
{
    --counted().pipes_open;
    return std::fclose(pipe);
}

int system(const char *command)
{
    fake_os::State &s = counted();
    s.events.push_back(std::string("system ") + command);
    return s.system_result;
}

int start_thread(void *(*routine)(void *))
{
    fake_os::State &s = counted();
    s.threads.push_back(routine);
    return next_result(s.thread_results);
}

int detach_self()
{
    return counted().detach_result;
}

void raise_nofile_limit()
{
    counted().nofile_raised = true;
}

// ---- Files -------------------------------------------------------------------

int open_read(const char *path, int *fd)
{
    fake_os::State &s = counted();
    std::string real = path;
    if (!s.sysfs_root.empty() && real.rfind("/sys/", 0) == 0)
        real = s.sysfs_root + real;
    *fd = ::open(real.c_str(), O_RDONLY);
    if (*fd < 0)
        return errno;
    s.open_files.insert(*fd);
    return 0;
}

int file_size(int fd, std::size_t *size)
{
    counted();
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return errno;
    *size = static_cast<std::size_t>(st.st_size);
    return 0;
}

long read(int fd, void *buf, std::size_t count)
{
    counted();
    return static_cast<long>(::read(fd, buf, count));
}

std::FILE *fopen_read(const char *path)
{
    fake_os::State &s = counted();
    auto it = s.text_files.find(path);
    if (it == s.text_files.end()) {
        errno = ENOENT;
        return nullptr;
    }
    return text_file(it->second);
}

int close(int fd)
{
    fake_os::State &s = counted();
    if (s.open_files.erase(fd) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return 0;
    }
    s.closed.push_back(fd);
    return 0;
}

// ---- Physical memory -------------------------------------------------------------

int open_devmem()
{
    fake_os::State &s = counted();
    ++s.devmem_opens;
    if (s.devmem_fd < 0)
        errno = ENOENT;
    return s.devmem_fd;
}

void *map_shared_read(int, std::uint64_t offset, std::size_t)
{
    fake_os::State &s = counted();
    auto it = s.phys.find(offset);
    if (it == s.phys.end()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    return it->second;
}

int protect(void *page, std::size_t length, bool writable)
{
    fake_os::State &s = counted();
    s.protects.push_back({page, length, writable});
    return next_result(s.protect_results);
}

// ---- Sockets and the ethtool ioctl -----------------------------------------------

int socket(int type)
{
    fake_os::State &s = counted();
    if (s.socket_errno != 0)
        return fail(s.socket_errno);
    if ((type & ~(SOCK_NONBLOCK | SOCK_CLOEXEC)) == SOCK_DGRAM)
        ++s.ethtool_sockets;
    return s.next_fd++;
}

int setsockopt_int(int, int, int, int)
{
    return fail(counted().setsockopt_errno);
}

int bind(int, const sockaddr_in *)
{
    return fail(counted().bind_errno);
}

int listen(int, int)
{
    return fail(counted().listen_errno);
}

int accept(int)
{
    auto &q = counted().accept_results;
    const int r = q.empty() ? -EAGAIN : q.front();
    if (!q.empty())
        q.pop_front();
    return r < 0 ? fail(-r) : r;
}

int connect(int, const sockaddr_in *, std::chrono::milliseconds timeout)
{
    fake_os::State &s = counted();
    s.connect_timeout = timeout;
    return fail(s.connect_errno);
}

ssize_t send(int fd, const void *buf, std::size_t len, int flags)
{
    fake_os::State &s = counted();
    s.send_flags.push_back(flags);
    auto forced = s.send_result.find(fd);
    if (forced != s.send_result.end()) {
        if (forced->second < 0)
            return fail(s.send_errno);
        s.sent[fd].append(static_cast<const char *>(buf), static_cast<std::size_t>(forced->second));
        return forced->second;
    }
    s.sent[fd].append(static_cast<const char *>(buf), len);
    return static_cast<ssize_t>(len);
}

ssize_t recv(int fd, void *buf, std::size_t len, int flags)
{
    fake_os::State &s = counted();
    s.recv_flags.push_back(flags);
    auto err = s.recv_errno.find(fd);
    if (err != s.recv_errno.end())
        return fail(err->second);
    if (s.silent.count(fd) != 0)
        return fail(EAGAIN);
    auto &q = s.recv_data[fd];
    if (q.empty())
        return 0;
    const std::string chunk = q.front();
    q.pop_front();
    const std::size_t n = chunk.size() < len ? chunk.size() : len;
    std::memcpy(buf, chunk.data(), n);
    return static_cast<ssize_t>(n);
}

int getpeername(int fd)
{
    return counted().gone.count(fd) != 0 ? fail(ENOTCONN) : 0;
}

bool peer_closed(int fd)
{
    return counted().peer_closed.count(fd) != 0;
}

int poll_hangups(const int *fds, std::size_t n, unsigned char *hang)
{
    fake_os::State &s = counted();
    for (std::size_t i = 0; i < n; ++i)
        hang[i] = s.gone.count(fds[i]) != 0 || s.peer_closed.count(fds[i]) != 0;
    return 0;
}

int poll_readable(const int *fds, std::size_t n, unsigned char *ready,
                  std::chrono::milliseconds timeout)
{
    fake_os::State &s = counted();
    s.waits.push_back(timeout);
    if (s.wait_errno != 0) {
        errno = s.wait_errno;
        s.wait_errno = 0;
        return -1;
    }
    int count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (fds[i] == s.listen_fd)
            ready[i] = !s.accept_results.empty();
        else
            ready[i] = s.silent.count(fds[i]) == 0;
        count += ready[i];
    }
    return count;
}

int ioctl_ethtool(int, ifreq *ifr)
{
    fake_os::State &s = counted();
    s.ethtool_names.push_back(ifr->ifr_name);
    if (!s.ethtool)
        return fail(ENODEV);
    return s.ethtool(ifr->ifr_name, ifr->ifr_data);
}

} // namespace linkmon::os
