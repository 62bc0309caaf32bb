// One command to the driver: the record, the ioctl and the result rules.
#pragma once

#include "sse_device.h"

namespace ssecall
{

// sse_call's work on a given device: the driver's result when it is 0 or
// more, otherwise the errno value of the failed ioctl or open.
int sse_call_on(SseDevice &device, int cmd, void *arg);

} // namespace ssecall
