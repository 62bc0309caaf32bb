// Compiled-in settings of libssecall.
#pragma once

#include <fcntl.h>

namespace ssecall
{

// The SSE kernel driver's character device.
inline constexpr const char *kDevicePath = "/dev/klm_sse";
// Opened read-write, once per process, and never closed.
inline constexpr int kOpenFlags = O_RDWR;

} // namespace ssecall
