// Fakes of the daemon core's platform edge: clocks and sleeps are scripted,
// pipes give canned output, files are real (with /sys redirected), /dev/mem
// maps to test buffers and page protection is recorded.
#include "fakes/core_fakes.h"
#include "os_core.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fake_core {

State &state()
{
    static State s;
    return s;
}

void reset()
{
    state() = State{};
}

} // namespace fake_core

namespace {

fake_core::State &counted()
{
    fake_core::State &s = fake_core::state();
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

} // namespace

namespace oscore {

int clock_monotonic(struct timespec *now)
{
    fake_core::State &s = counted();
    if (s.mono_fails)
        return -1;
    *now = s.mono;
    return 0;
}

std::time_t wall_time()
{
    return counted().wall;
}

bool local_time(std::time_t t, struct tm *out)
{
    counted();
    return ::gmtime_r(&t, out) != nullptr;
}

void sleep_seconds(unsigned seconds)
{
    fake_core::State &s = counted();
    s.sleeps.push_back(seconds);
    if (s.on_sleep)
        s.on_sleep(seconds);
}

std::FILE *popen_read(const char *command)
{
    fake_core::State &s = counted();
    s.popen_commands.emplace_back(command);
    auto it = s.popen_output.find(command);
    if (it == s.popen_output.end())
        return nullptr;
    std::FILE *f = std::tmpfile();
    if (f == nullptr)
        return nullptr;
    std::fputs(it->second.c_str(), f);
    std::rewind(f);
    ++s.pipes_open;
    return f;
}

int pclose(std::FILE *pipe)
{
    --counted().pipes_open;
    return std::fclose(pipe);
}

int open_read(const char *path, int *fd)
{
    fake_core::State &s = counted();
    std::string real = path;
    if (!s.sysfs_root.empty() && real.rfind("/sys/", 0) == 0)
        real = s.sysfs_root + real;
    *fd = ::open(real.c_str(), O_RDONLY);
    return *fd < 0 ? errno : 0;
}

int file_size(int fd, std::size_t *size)
{
    counted();
    struct stat st {};
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

void close(int fd)
{
    counted();
    ::close(fd);
}

int open_devmem()
{
    fake_core::State &s = counted();
    ++s.devmem_opens;
    if (s.devmem_fd < 0)
        errno = ENOENT;
    return s.devmem_fd;
}

void *map_shared_read(int, std::uint64_t offset, std::size_t)
{
    fake_core::State &s = counted();
    auto it = s.phys.find(offset);
    if (it == s.phys.end()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    return it->second;
}

int protect(void *page, std::size_t length, bool writable)
{
    fake_core::State &s = counted();
    s.protects.push_back({page, length, writable});
    return next_result(s.protect_results);
}

int start_thread(void *(*routine)(void *))
{
    fake_core::State &s = counted();
    s.threads.push_back(routine);
    return next_result(s.thread_results);
}

} // namespace oscore
