// Local-time stamps of the log lines ("%Y%m%d%H%M%S"), formatted without
// the time-zone lock so that signal handlers can use them.
#pragma once

#include <ctime>

namespace covdump
{

inline constexpr std::size_t kStampLength = 14;

// Formats `utc + offset` seconds as 14 digits plus a NUL.
void format_stamp(std::time_t utc, long offset, char (&out)[kStampLength + 1]);

// Re-reads the local offset from UTC (not from a signal handler).
void refresh_utc_offset();

// Current local time from the last offset read.
void current_stamp(char (&out)[kStampLength + 1]);

} // namespace covdump
