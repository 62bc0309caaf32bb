#include "sse_gateway.h"

#include <cerrno>

#include "sse_os.h"
#include "sse_record.h"

namespace ssecall
{

int sse_call_on(SseDevice &device, int cmd, void *arg)
{
    const int fd = sse_device_descriptor(device);
    if (fd < 0)
        return -fd;
    SseRecord record = make_record(arg);
    const int result = sse_os_ioctl(fd, request_number(cmd), &record);
    // The driver works through record.arg; the record is not read back.
    return result >= 0 ? result : errno;
}

} // namespace ssecall
