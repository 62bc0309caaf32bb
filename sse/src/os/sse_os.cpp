#include "sse_os.h"

#include <fcntl.h>
#include <sys/ioctl.h>

namespace ssecall
{

int sse_os_open(const char *path, int flags)
{
    return open(path, flags);
}

int sse_os_ioctl(int fd, unsigned long request, SseRecord *record)
{
    return ioctl(fd, request, record);
}

} // namespace ssecall
