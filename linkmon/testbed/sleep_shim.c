/* Preloaded before libfaketime by run.sh. libfaketime 0.9.10's own sleep()
 * sometimes computes a real sleep of years once the process has run a
 * popen(); its nanosleep() scales correctly, so sleep() is made of it.
 *
 * With TESTBED_SLEEP_LOG set, every nanosleep() request (in faked time, as
 * the program asked for it) is also appended to that file as one line
 * "SECONDS.NANOSECONDS", so that a test can check the intervals themselves
 * rather than time them on a machine that may be loaded. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef int (*nanosleep_fn)(const struct timespec *, struct timespec *);

static void log_request(const struct timespec *req)
{
    const char *path = getenv("TESTBED_SLEEP_LOG");
    char line[64];
    int len, fd;

    if (path == NULL || *path == '\0' || req == NULL)
        return;
    len = snprintf(line, sizeof line, "%lld.%09ld\n", (long long)req->tv_sec, req->tv_nsec);
    if (len <= 0 || (size_t)len >= sizeof line)
        return;
    fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (write(fd, line, (size_t)len) < 0) {
        /* Only a record for the tests: the sleep goes on regardless. */
    }
    close(fd);
}

int nanosleep(const struct timespec *req, struct timespec *rem)
{
    static nanosleep_fn next;

    if (next == NULL)
        next = (nanosleep_fn)dlsym(RTLD_NEXT, "nanosleep");
    log_request(req);
    return next(req, rem);
}

unsigned int sleep(unsigned int seconds)
{
    struct timespec req = {(time_t)seconds, 0};
    struct timespec rem = {0, 0};

    if (nanosleep(&req, &rem) == 0)
        return 0;
    return (unsigned int)rem.tv_sec + (rem.tv_nsec > 0 ? 1u : 0u);
}
