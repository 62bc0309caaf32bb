// The lock request: one lock SMI, no answer check and no retry; the byte
// the firmware leaves in the command port is printed for information.
#include <cerrno>
#include <cstdint>

#include "port_grant.h"
#include "port_io.h"
#include "portlock.h"
#include "settings.h"

namespace portlock
{

namespace
{

inline constexpr const char *kLockLine = "Me Lock\n";
inline constexpr const char *kLockFormat = "LOCK: I/O port 0xB2 read: 0x%x\n";

} // namespace

int lock(std::FILE *out, std::FILE *err)
{
    std::fputs(kLockLine, out);
    std::fflush(out);
    PortGrant command_port(kSmiCommandPort);
    if (!command_port.held())
        return report_refused(err, kSmiCommandPort, errno);

    (void)inb(kSmiCommandPort);
    outb(kLockCommand, kSmiCommandPort);
    const std::uint8_t command_byte = inb(kSmiCommandPort);
    std::fprintf(out, kLockFormat, static_cast<unsigned>(command_byte));
    command_port.release();
    return kExitOk;
}

} // namespace portlock
