// I/O-port access rights through the kernel's per-process permission map.
// <sys/io.h> is kept to this file: its inline port functions would clash
// with the program's own inb and outb.
#include <sys/io.h>

#include "port_io.h"

namespace portlock
{

int port_access(std::uint16_t port, bool on)
{
    return ioperm(port, 1, on ? 1 : 0);
}

} // namespace portlock
