// Client mode: one request to a running daemon, and what comes back.
#ifndef LINKMON_CLIENT_CLIENT_H
#define LINKMON_CLIENT_CLIENT_H

extern "C" {

// argv: program, server address, action, command, bus:device.function.
// Returns the exit status.
int connect_linkmon(int argc, char **argv);

} // extern "C"

#endif
