// The daemon's only door to the outside world. Every call that reaches the
// system goes through here: the clock and the sleep, processes and threads,
// files, physical memory, sockets and the ethtool ioctl. The shipped program
// links os/os.cpp (thin wrappers over libc); the unit tests link the fake in
// tests/fakes/os_fake.cpp, which scripts the clock, records sleeps and
// commands, maps physical memory to test buffers and plays the network peers.
//
// Unless a comment says otherwise, a call returns what the libc call of the
// same name returns, with errno set on failure. Every call may be made from
// any of the daemon's threads.
#ifndef LINKMON_OS_OS_H
#define LINKMON_OS_OS_H

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

struct ifreq;
struct sockaddr_in;

namespace linkmon::os
{

// ---- Time ----------------------------------------------------------------
// The one monotonic clock (CLOCK_MONOTONIC) behind every time the daemon
// keeps: the quiet period, link losses, notifications, NIC error episodes
// and the log's stamps. 0 or -1 like clock_gettime.
int clock_monotonic(std::timespec *now);
// The wall clock and its local form, for the log's date only.
std::time_t wall_time();
bool local_time(std::time_t t, std::tm *out);
// The one sleep: the whole interval, resumed after a signal.
void sleep_for(std::chrono::milliseconds interval);

// ---- Processes and threads -------------------------------------------------
// Shell pipelines, read side (popen "r" / pclose), and commands (system).
std::FILE *popen_read(const char *command);
int pclose(std::FILE *pipe);
int system(const char *command);
// Starts a thread with default attributes and a null argument; 0 or the
// pthread_create error number.
int start_thread(void *(*routine)(void *));
// Detaches the calling thread; 0 or the pthread_detach error number.
int detach_self();
// Raises the soft limit of open descriptors to the hard one.
void raise_nofile_limit();

// ---- Files -------------------------------------------------------------------
// 0 or the errno value of the failed call.
int open_read(const char *path, int *fd);
int file_size(int fd, std::size_t *size);
long read(int fd, void *buf, std::size_t count);
// A text file for stdio reading (fopen "r"); the caller fcloses it.
std::FILE *fopen_read(const char *path);
// Closes a file or socket descriptor; errno is kept.
int close(int fd);

// ---- Physical memory -----------------------------------------------------------
// The /dev/mem descriptor (or -1 with errno set), a read-only shared mapping
// of it (MAP_FAILED on failure), and the page protection switch of the
// auto-clear store (0 or -1 like mprotect).
int open_devmem();
void *map_shared_read(int fd, std::uint64_t offset, std::size_t length);
int protect(void *page, std::size_t length, bool writable);

// ---- Sockets (IPv4) and the ethtool ioctl -------------------------------------
// Every socket is close-on-exec: none leaks into the shell commands. type may
// carry SOCK_NONBLOCK.
int socket(int type);
int setsockopt_int(int fd, int level, int option, int value);
int bind(int fd, const sockaddr_in *addr);
int listen(int fd, int backlog);
// A connection taken from a listening socket, close-on-exec and blocking;
// -1 with errno EAGAIN when none is waiting on a non-blocking listener.
int accept(int fd);
// Connects within `timeout`: 0, or -1 with errno (ETIMEDOUT when the time
// ran out). The socket is blocking again afterwards.
int connect(int fd, const sockaddr_in *addr, std::chrono::milliseconds timeout);
ssize_t send(int fd, const void *buf, std::size_t len, int flags);
ssize_t recv(int fd, void *buf, std::size_t len, int flags);
// 0 while the socket has a peer, else -1 with errno set.
int getpeername(int fd);
// True when the peer has closed its end (a non-blocking peek reads end of
// file); errno is kept.
bool peer_closed(int fd);
// One look at many sockets without waiting: hang[i] becomes 1 when fds[i]
// shows a hang-up, an error or a peer that closed its end, else 0. Returns
// 0, or -1 when the look failed (hang[] then all 1).
int poll_hangups(const int *fds, std::size_t n, unsigned char *hang);
// Waits up to `timeout` (negative: without limit) until one of the sockets
// can be read without waiting (data, a connection to accept, end of file or
// an error): ready[i] becomes 1 for each such fds[i], else 0. Returns the
// number of ready sockets, 0 when the time ran out, or -1 (errno EINTR
// after a signal).
int poll_readable(const int *fds, std::size_t n, unsigned char *ready,
                  std::chrono::milliseconds timeout);
int ioctl_ethtool(int fd, ifreq *ifr);

} // namespace linkmon::os

#endif
