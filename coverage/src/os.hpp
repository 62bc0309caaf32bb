// The runtime's only door to the outside world. The shipped library links
// os/os.cpp (plain system calls); the unit tests link a fake that keeps
// files under a private root and fixes the clock and the process ID.
//
// Everything a signal handler reaches here is async-signal-safe: system
// calls only, no locks, no allocation.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstddef>
#include <ctime>

namespace covdump::os
{

// Files and directories. Each returns what the system call returns.
int open_append(const char *path);   // "a+": create, append, read and write
int open_truncate(const char *path); // "w+b": create or truncate
int open_read(const char *path);
ssize_t read(int fd, void *buf, std::size_t n);
bool write_all(int fd, const void *data, std::size_t n); // loops over short writes
int close(int fd);
int mkdir(const char *path, mode_t mode);
int chmod(const char *path, mode_t mode);
bool exists(const char *path);
int symlink(const char *target, const char *link);
// Writes to standard output after flushing the program's buffered output
// when that is safe (not inside a signal handler).
void write_stdout(const char *text, std::size_t n, bool may_flush);

// Process.
pid_t getpid();
int system(const char *command);
int setenv(const char *name, const char *value);
int at_exit(void (*fn)());
const char *program_name();

// Time: seconds since the epoch, and the local offset from UTC in seconds
// at `when` (reads the time zone; not for signal handlers).
std::time_t now();
long utc_offset(std::time_t when);

// Zero-filled memory that does not come from the heap.
void *map_zeroed(std::size_t n);
void unmap(void *p, std::size_t n);

// Signals, reaching the system library's own functions.
sighandler_t real_signal(int sig, sighandler_t handler);
int real_sigaction(int sig, const struct sigaction *act, struct sigaction *oldact);
int raise(int sig);

// Fork and exec.
pid_t fork();
int execv(const char *path, char *const argv[]);
int execvp(const char *file, char *const argv[]);
int execve(const char *path, char *const argv[], char *const envp[]);

} // namespace covdump::os
