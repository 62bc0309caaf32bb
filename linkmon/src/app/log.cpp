// The event log: every message of the daemon goes through pcie_log, which
// writes a time-stamp prefix and the formatted text to standard output.
#include "app/log.h"
#include "os/os.h"
#include "settings.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *PREFIX_WITH_DATE = "[%5ld.%06ld] [%s] ";
inline constexpr const char *PREFIX_PLAIN = "[%5ld.%06ld] ";
inline constexpr const char *DATE_FORMAT = "%D %T";

} // namespace

extern "C" {

void log_prefix(void)
{
    const int saved = errno;
    std::timespec mono = {};
    if (os::clock_monotonic(&mono) == 0) {
        char date[settings::LOG_DATE_SIZE] = {};
        std::tm local = {};
        std::size_t len = 0;
        if (os::local_time(os::wall_time(), &local))
            len = std::strftime(date, sizeof date, DATE_FORMAT, &local);
        const long usec = mono.tv_nsec / 1000;
        if (len != 0)
            std::printf(PREFIX_WITH_DATE, static_cast<long>(mono.tv_sec), usec, date);
        else
            std::printf(PREFIX_PLAIN, static_cast<long>(mono.tv_sec), usec);
    }
    errno = saved;
}

int pcie_log(const char *fmt, ...)
{
    char message[settings::LOG_MESSAGE_SIZE] = {};
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(message, settings::LOG_MESSAGE_SIZE - 1, fmt, args);
    va_end(args);
    log_prefix();
    // The text is written as formatted: a '%' in an argument stays as it is.
    std::fputs(message, stdout);
    return std::fflush(stdout);
}

} // extern "C"
