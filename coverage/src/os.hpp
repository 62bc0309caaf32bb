// The runtime's only door to the outside world. The shipped library links
// os/os.cpp (plain system calls); the unit tests link a fake that keeps
// files under a private root and fixes the clock and the process ID.
//
// Everything a signal handler reaches here is async-signal-safe: system
// calls only, no locks, no allocation. The exceptions are marked.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstddef>
#include <ctime>

namespace covdump::os
{

// Directories. open_dir follows every link on the way, the last component
// included; open_dir_nofollow refuses a link as the last component. The
// *_at calls name one entry of an open directory and never follow it.
int open_dir(const char *path);
int open_dir_nofollow(const char *path);
int open_dir_at(int dir, const char *name);
int mkdir_at(int dir, const char *name, mode_t mode);

// One entry of an open directory as a file, never through a link and
// without blocking on a FIFO or device. Files are created 0666 as filtered
// by the umask.
enum class Access {
    append,     // write at the end, create when missing
    write,      // write, create when missing, no truncation
    read,       // read only
    create_new, // create, failing when the entry exists in any form
};
int open_at(int dir, const char *name, Access how);
// A regular file with exactly one link: nothing another user could have
// pointed elsewhere.
bool is_plain_file(int fd);
// The permission bits (with set-id and sticky bits) of an open file, or -1.
int mode_of(int fd);
int fchmod(int fd, mode_t mode);
int truncate(int fd);

ssize_t read(int fd, void *buf, std::size_t n);
bool write_all(int fd, const void *data, std::size_t n); // loops over short writes
int close(int fd);
bool exists(const char *path);
int symlink(const char *target, const char *link);
// Writes to standard output after flushing the program's buffered output
// when that is safe (not inside a signal handler).
void write_stdout(const char *text, std::size_t n, bool may_flush);

// Process.
pid_t getpid();
// The node name the kernel reports, NUL-terminated in `out`; 0 or -1.
int node_name(char *out, std::size_t n);
int setenv(const char *name, const char *value); // not in handlers
int at_exit(void (*fn)());                       // not in handlers
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
