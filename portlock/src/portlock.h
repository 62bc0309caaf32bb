// The portlock command: banner, option dispatch, the unlock and lock
// requests and the exit status. All port traffic goes through port_io.h.
#pragma once

#include <cstdio>

namespace portlock
{

// Runs the command line; standard output and error are passed in so the
// whole tool can run against a simulated firmware. Returns the exit status.
int run(int argc, const char *const argv[], std::FILE *out, std::FILE *err);

// Unlock request (-U): returns kExitOk when the firmware answered,
// kExitFailure when every attempt failed or the ports are refused.
int unlock(std::FILE *out, std::FILE *err);

// Lock request (-L): returns kExitOk once the request is made,
// kExitFailure when the port is refused.
int lock(std::FILE *out, std::FILE *err);

} // namespace portlock
