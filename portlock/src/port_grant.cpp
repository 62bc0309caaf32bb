#include "port_grant.h"

#include <cerrno>
#include <cstring>

#include "port_io.h"
#include "settings.h"

namespace portlock
{

// Printed instead of touching any port when the kernel refuses access.
inline constexpr const char *kRefusedFormat =
    "portlock: access to I/O port 0x%x refused: %s; no port was touched\n";

PortGrant::PortGrant(std::uint16_t port) : port_(port), held_(port_access(port, true) == 0) {}

PortGrant::~PortGrant()
{
    release();
}

void PortGrant::release()
{
    if (!held_)
        return;
    const int saved = errno;
    (void)port_access(port_, false);
    errno = saved;
    held_ = false;
}

int report_refused(std::FILE *err, std::uint16_t port, int error)
{
    std::fprintf(err, kRefusedFormat, static_cast<unsigned>(port), std::strerror(error));
    return kExitFailure;
}

} // namespace portlock
