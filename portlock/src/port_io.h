// The platform edge of portlock: I/O-port access rights, the two port
// transactions and the pause between unlock attempts. The shipped program
// links src/os/*.cpp; the unit tests link a simulated firmware instead.
// No other file touches ports, ioperm or the clock.
#pragma once

#include <cstdint>

extern "C" {
// The classic port functions: read one byte from a 16-bit I/O port, and
// write one byte (value first, port second).
unsigned char inb(unsigned short port);
void outb(unsigned char value, unsigned short port);
}

namespace portlock
{

// Grants (on = true) or releases access to one I/O port, as
// ioperm(port, 1, on). Returns 0, or -1 with errno set.
int port_access(std::uint16_t port, bool on);

// Sleeps the given number of whole seconds, resuming after signals.
void pause_seconds(unsigned seconds);

} // namespace portlock
