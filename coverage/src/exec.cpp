// The instrumentation's fork and exec entry points. Nothing is dumped or
// cleared here: a child inherits the counts so far, and an image replaced
// by exec loses what was not dumped before.
#include <alloca.h>

#include <cstdarg>
#include <cstddef>

#include "covdump.h"
#include "export.hpp"
#include "os.hpp"

namespace
{

// Number of further arguments before the terminating null.
std::size_t count_args(va_list *ap)
{
    va_list copy;
    va_copy(copy, *ap);
    std::size_t n = 0;
    while (va_arg(copy, char *) != nullptr) {
        ++n;
    }
    va_end(copy);
    return n;
}

// argv = arg, the further arguments, null; consumes the terminating null.
// The list is passed by address so that the caller's position moves on
// whatever va_list is on the target.
void fill_args(char **argv, const char *arg, std::size_t further, va_list *ap)
{
    argv[0] = const_cast<char *>(arg);
    for (std::size_t i = 1; i <= further; ++i) {
        argv[i] = va_arg(*ap, char *);
    }
    argv[further + 1] = nullptr;
    (void)va_arg(*ap, char *);
}

} // namespace

// The vector lives on the caller's stack, hence a macro rather than a
// function for the allocation.
#define COVDUMP_BUILD_ARGV(argv, arg, ap)                                                          \
    va_list ap;                                                                                    \
    va_start(ap, arg);                                                                             \
    const std::size_t further = (arg) == nullptr ? 0 : count_args(&ap);                            \
    char **argv = static_cast<char **>(alloca((further + 2) * sizeof(char *)));                    \
    if ((arg) == nullptr) {                                                                        \
        argv[0] = nullptr;                                                                         \
    } else {                                                                                       \
        fill_args(argv, arg, further, &ap);                                                        \
    }

extern "C" {

COVDUMP_EXPORT pid_t __gcov_fork(void)
{
    return covdump::os::fork();
}

COVDUMP_EXPORT int __gcov_execl(const char *path, const char *arg, ...)
{
    COVDUMP_BUILD_ARGV(argv, arg, ap)
    va_end(ap);
    return covdump::os::execv(path, argv);
}

COVDUMP_EXPORT int __gcov_execlp(const char *file, const char *arg, ...)
{
    COVDUMP_BUILD_ARGV(argv, arg, ap)
    va_end(ap);
    return covdump::os::execvp(file, argv);
}

COVDUMP_EXPORT int __gcov_execle(const char *path, const char *arg, ...)
{
    COVDUMP_BUILD_ARGV(argv, arg, ap)
    char **envp = va_arg(ap, char **);
    va_end(ap);
    return covdump::os::execve(path, argv, envp);
}

COVDUMP_EXPORT int __gcov_execv(const char *path, char *const argv[])
{
    return covdump::os::execv(path, argv);
}

COVDUMP_EXPORT int __gcov_execvp(const char *file, char *const argv[])
{
    return covdump::os::execvp(file, argv);
}

COVDUMP_EXPORT int __gcov_execve(const char *path, char *const argv[], char *const envp[])
{
    return covdump::os::execve(path, argv, envp);
}

} // extern "C"
