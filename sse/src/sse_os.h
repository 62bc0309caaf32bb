// The platform edge of libssecall: the device open, the command ioctl and
// the record the driver reads. The shipped library links src/os/sse_os.cpp;
// the unit tests link a fake driver instead. No other file calls open or
// ioctl.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ssecall
{

// The command record handed to the driver by address with every command.
struct SseRecord {
    std::int32_t status;      // 0 before every call
    std::uint8_t reserved[4]; // alignment of the pointer; zeroed
    void *arg;                // the caller's argument, passed through unchanged
};

static_assert(sizeof(SseRecord) == 16, "the driver expects a 16-byte record");
static_assert(offsetof(SseRecord, status) == 0, "status at offset 0");
static_assert(offsetof(SseRecord, reserved) == 4, "reserved bytes at offset 4");
static_assert(offsetof(SseRecord, arg) == 8, "the argument pointer at offset 8");

// open(path, flags): a descriptor, or -1 with errno set.
int sse_os_open(const char *path, int flags);

// ioctl(fd, request, record): the driver's result, or -1 with errno set.
int sse_os_ioctl(int fd, unsigned long request, SseRecord *record);

} // namespace ssecall
