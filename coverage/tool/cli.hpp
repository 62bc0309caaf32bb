// The command line of covtool.
#pragma once

#include <ostream>

namespace covtool
{

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // a bad or unreadable dump, or a failed write
inline constexpr int kExitUsage = 2;

// Runs one command line; returns the exit status.
int run(int argc, const char *const argv[], std::ostream &out, std::ostream &err);

} // namespace covtool
