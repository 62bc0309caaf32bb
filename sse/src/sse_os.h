// The platform edge of libssecall: the device open and the command ioctl.
// The shipped library links src/os/sse_os.cpp; the unit tests link a fake
// driver instead. No other file calls open or ioctl.
#pragma once

#include "sse_record.h"

namespace ssecall
{

// open(path, flags): a descriptor, or -1 with errno set.
int sse_os_open(const char *path, int flags);

// ioctl(fd, request, record): the driver's result, or -1 with errno set.
int sse_os_ioctl(int fd, unsigned long request, SseRecord *record);

} // namespace ssecall
