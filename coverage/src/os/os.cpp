// The platform layer of the shipped library: plain system calls.
#include "os.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace covdump::os
{

namespace
{
constexpr mode_t kFileMode = 0666;
constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Repeats a call that a signal interrupted.
template <typename Call> int on_eintr(Call call)
{
    int result = 0;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

int flags_of(Access how)
{
    constexpr int kAlways = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    switch (how) {
    case Access::append:
        return kAlways | O_WRONLY | O_CREAT | O_APPEND;
    case Access::write:
        return kAlways | O_WRONLY | O_CREAT;
    case Access::create_new:
        return kAlways | O_WRONLY | O_CREAT | O_EXCL;
    case Access::read:
        break;
    }
    return kAlways | O_RDONLY;
}
} // namespace

int open_dir(const char *path)
{
    return on_eintr([&] { return ::open(path, kDirFlags); });
}
int open_dir_nofollow(const char *path)
{
    return on_eintr([&] { return ::open(path, kDirFlags | O_NOFOLLOW); });
}
int open_dir_at(int dir, const char *name)
{
    return on_eintr([&] { return ::openat(dir, name, kDirFlags | O_NOFOLLOW); });
}
int mkdir_at(int dir, const char *name, mode_t mode)
{
    return ::mkdirat(dir, name, mode);
}

int open_at(int dir, const char *name, Access how)
{
    return on_eintr([&] { return ::openat(dir, name, flags_of(how), kFileMode); });
}

bool is_plain_file(int fd)
{
    struct stat st {
    };
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
}

int mode_of(int fd)
{
    struct stat st {
    };
    return ::fstat(fd, &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

int fchmod(int fd, mode_t mode)
{
    return ::fchmod(fd, mode);
}

int truncate(int fd)
{
    return on_eintr([&] { return ::ftruncate(fd, 0); });
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
int node_name(char *out, std::size_t n)
{
    struct utsname names {
    };
    if (n == 0 || ::uname(&names) != 0) {
        return -1;
    }
    const std::size_t len = ::strnlen(names.nodename, sizeof names.nodename);
    if (len >= n) {
        return -1;
    }
    std::memcpy(out, names.nodename, len);
    out[len] = '\0';
    return 0;
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
