// The platform edge of the daemon's core: every call that reaches the
// outside world (clocks, sleeps, processes, files, physical memory, page
// protection, threads) goes through here. The shipped program links
// os/core_os.cpp; the unit tests link their fakes instead.
#ifndef LINKMON_OS_CORE_H
#define LINKMON_OS_CORE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace oscore {

// Clocks and sleeps. Both clock reads return 0 or -1 like clock_gettime.
int clock_monotonic(struct timespec *now);
std::time_t wall_time();
bool local_time(std::time_t t, struct tm *out);
void sleep_seconds(unsigned seconds);

// Shell pipelines, read side (popen "r" / pclose).
std::FILE *popen_read(const char *command);
int pclose(std::FILE *pipe);

// Plain files: 0 or the errno value of the failed call.
int open_read(const char *path, int *fd);
int file_size(int fd, std::size_t *size);
long read(int fd, void *buf, std::size_t count);
void close(int fd);

// Physical memory: the /dev/mem descriptor (or -1 with errno set), a
// read-only shared mapping of it (MAP_FAILED on failure), and the page
// protection switch of the auto-clear store (0 or -1 like mprotect).
int open_devmem();
void *map_shared_read(int fd, std::uint64_t offset, std::size_t length);
int protect(void *page, std::size_t length, bool writable);

// Threads: starts a detached-or-not thread with default attributes and a
// null argument; 0 or the pthread_create error number.
int start_thread(void *(*routine)(void *));

} // namespace oscore

#endif
