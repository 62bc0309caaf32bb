/* The fake SSE driver: see fake_klm_sse.h. */
#define _GNU_SOURCE
#include "fake_klm_sse.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <time.h>

#define DEVICE_PATH "/dev/klm_sse"
#define MAX_FD 1024

typedef int (*open_fn)(const char *, int, ...);
typedef int (*ioctl_fn)(int, unsigned long, ...);

static atomic_int configured;     /* FAKE_KLM_SSE read */
static atomic_int device_present; /* 1 or 0 */
static atomic_int device_error;
static atomic_uint open_delay_us;
static atomic_int open_attempts;
static atomic_int opens;
static atomic_int last_flags = -1;
static atomic_ulong last_request;
static atomic_bool fake_fd[MAX_FD];

static void configure_from_environment(void)
{
    if (atomic_exchange(&configured, 1))
        return;
    const char *mode = getenv("FAKE_KLM_SSE");
    if (mode != NULL && strcmp(mode, "absent") == 0)
        fake_klm_sse_set_device(0, ENOENT);
    else if (mode != NULL && strcmp(mode, "denied") == 0)
        fake_klm_sse_set_device(0, EACCES);
    else
        fake_klm_sse_set_device(1, 0);
}

void fake_klm_sse_set_device(int present, int error)
{
    atomic_store(&configured, 1);
    atomic_store(&device_present, present);
    atomic_store(&device_error, error);
}

void fake_klm_sse_set_open_delay(unsigned microseconds)
{
    atomic_store(&open_delay_us, microseconds);
}

int fake_klm_sse_open_attempts(void)
{
    return atomic_load(&open_attempts);
}

int fake_klm_sse_opens(void)
{
    return atomic_load(&opens);
}

int fake_klm_sse_last_flags(void)
{
    return atomic_load(&last_flags);
}

unsigned long fake_klm_sse_last_request(void)
{
    return atomic_load(&last_request);
}

static int real_open(const char *path, int flags, mode_t mode)
{
    static _Atomic(open_fn) next;
    if (atomic_load(&next) == NULL)
        atomic_store(&next, (open_fn)dlsym(RTLD_NEXT, "open"));
    return atomic_load(&next)(path, flags, mode);
}

static int open_device(int flags)
{
    configure_from_environment();
    atomic_fetch_add(&open_attempts, 1);
    atomic_store(&last_flags, flags);
    const unsigned delay = atomic_load(&open_delay_us);
    if (delay != 0) {
        struct timespec pause = {0, (long)delay * 1000L};
        nanosleep(&pause, NULL);
    }
    if (!atomic_load(&device_present)) {
        errno = atomic_load(&device_error);
        return -1;
    }
    /* A real descriptor stands for the device, so a leaked one stays visible. */
    const int fd = real_open("/dev/null", O_RDWR, 0);
    if (fd < 0 || fd >= MAX_FD)
        abort();
    atomic_store(&fake_fd[fd], 1);
    atomic_fetch_add(&opens, 1);
    return fd;
}

static int intercept_open(const char *path, int flags, va_list modes)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
        mode = va_arg(modes, mode_t);
    if (path != NULL && strcmp(path, DEVICE_PATH) == 0)
        return open_device(flags);
    return real_open(path, flags, mode);
}

int open(const char *path, int flags, ...)
{
    va_list modes;
    va_start(modes, flags);
    const int fd = intercept_open(path, flags, modes);
    va_end(modes);
    return fd;
}

/* The same entry point under its large-file name. */
int open64(const char *path, int flags, ...) __attribute__((alias("open")));

/* The driver's side of one command, on the record it was handed. */
static int drive(unsigned long request, unsigned char *record)
{
    atomic_store(&last_request, request);
    void *arg;
    memcpy(&arg, record + 8, sizeof arg);
    switch (request) {
    case FAKE_SSE_ECHO:
        memcpy(arg, record, 16);
        memset(record, 0xA5, 8);
        return 0;
    case FAKE_SSE_COUNT:
        return 7;
    default:
        errno = EINVAL;
        return -1;
    }
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    if (fd >= 0 && fd < MAX_FD && atomic_load(&fake_fd[fd]))
        return drive(request, arg);
    static _Atomic(ioctl_fn) next;
    if (atomic_load(&next) == NULL)
        atomic_store(&next, (ioctl_fn)dlsym(RTLD_NEXT, "ioctl"));
    return atomic_load(&next)(fd, request, arg);
}
