// The real platform edge of the daemon's core (see os_core.h).
#include "os_core.h"
#include "settings.h"

#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace oscore {

int clock_monotonic(struct timespec *now)
{
    return ::clock_gettime(CLOCK_MONOTONIC, now);
}

std::time_t wall_time()
{
    return ::time(nullptr);
}

bool local_time(std::time_t t, struct tm *out)
{
    return ::localtime_r(&t, out) != nullptr;
}

void sleep_seconds(unsigned seconds)
{
    // A signal may cut the wait short; finish the interval from what is left.
    struct timespec left = {static_cast<time_t>(seconds), 0};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

std::FILE *popen_read(const char *command)
{
    return ::popen(command, "r");
}

int pclose(std::FILE *pipe)
{
    return ::pclose(pipe);
}

int open_read(const char *path, int *fd)
{
    *fd = ::open(path, O_RDONLY | O_CLOEXEC);
    return *fd < 0 ? errno : 0;
}

int file_size(int fd, std::size_t *size)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    *size = static_cast<std::size_t>(st.st_size);
    return 0;
}

long read(int fd, void *buf, std::size_t count)
{
    return static_cast<long>(::read(fd, buf, count));
}

void close(int fd)
{
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

int open_devmem()
{
    return ::open(linkmon::DEVMEM_PATH, O_RDWR | O_SYNC | O_CLOEXEC);
}

void *map_shared_read(int fd, std::uint64_t offset, std::size_t length)
{
    return ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, static_cast<off_t>(offset));
}

int protect(void *page, std::size_t length, bool writable)
{
    return ::mprotect(page, length, writable ? PROT_READ | PROT_WRITE : PROT_READ);
}

int start_thread(void *(*routine)(void *))
{
    pthread_t tid;
    return ::pthread_create(&tid, nullptr, routine, nullptr);
}

} // namespace oscore
