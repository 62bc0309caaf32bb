// The platform layer of the shipped library: plain system calls.
#include "os.hpp"

#include <cstdio>
#include <cstdlib>
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace covdump::os
{

namespace
{
constexpr mode_t kFileMode = 0666;

int open_retry(const char *path, int flags)
{
    int fd = 0;
    do {
        fd = ::open(path, flags | O_CLOEXEC, kFileMode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
} // namespace

int open_append(const char *path)
{
    return open_retry(path, O_RDWR | O_CREAT | O_APPEND);
}
int open_truncate(const char *path)
{
    return open_retry(path, O_RDWR | O_CREAT | O_TRUNC);
}
int open_read(const char *path)
{
    return open_retry(path, O_RDONLY);
}

ssize_t read(int fd, void *buf, std::size_t n)
{
    ssize_t got = 0;
    do {
        got = ::read(fd, buf, n);
    } while (got < 0 && errno == EINTR);
    return got;
}

bool write_all(int fd, const void *data, std::size_t n)
{
    const auto *p = static_cast<const char *>(data);
    while (n > 0) {
        const ssize_t put = ::write(fd, p, n);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

int close(int fd)
{
    return ::close(fd);
}
int mkdir(const char *path, mode_t mode)
{
    return ::mkdir(path, mode);
}
int chmod(const char *path, mode_t mode)
{
    return ::chmod(path, mode);
}
bool exists(const char *path)
{
    return ::access(path, F_OK) == 0;
}
int symlink(const char *target, const char *link)
{
    return ::symlink(target, link);
}

void write_stdout(const char *text, std::size_t n, bool may_flush)
{
    if (may_flush) {
        std::fflush(stdout);
    }
    const int saved = errno;
    (void)write_all(STDOUT_FILENO, text, n);
    errno = saved;
}

pid_t getpid()
{
    return ::getpid();
}
int system(const char *command)
{
    return std::system(command);
}
int setenv(const char *name, const char *value)
{
    return ::setenv(name, value, 1);
}
// atexit from a shared object is bound to that object (it passes the
// object's handle), so the handler also runs when the library is unloaded.
int at_exit(void (*fn)())
{
    return ::atexit(fn);
}
const char *program_name()
{
    return program_invocation_short_name;
}

std::time_t now()
{
    return std::time(nullptr);
}

long utc_offset(std::time_t when)
{
    struct tm local {
    };
    if (::localtime_r(&when, &local) == nullptr) {
        return 0;
    }
    return local.tm_gmtoff;
}

void *map_zeroed(std::size_t n)
{
    void *p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void unmap(void *p, std::size_t n)
{
    ::munmap(p, n);
}

sighandler_t real_signal(int sig, sighandler_t handler)
{
    return ::signal(sig, handler);
}
int real_sigaction(int sig, const struct sigaction *act, struct sigaction *oldact)
{
    return ::sigaction(sig, act, oldact);
}
int raise(int sig)
{
    return ::raise(sig);
}

pid_t fork()
{
    return ::fork();
}
int execv(const char *path, char *const argv[])
{
    return ::execv(path, argv);
}
int execvp(const char *file, char *const argv[])
{
    return ::execvp(file, argv);
}
int execve(const char *path, char *const argv[], char *const envp[])
{
    return ::execve(path, argv, envp);
}

} // namespace covdump::os
