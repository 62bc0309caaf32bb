// Pauses of the transport roads.
#include "os.h"

#include <cerrno>
#include <ctime>

namespace boardprom::os
{

void sleep_us(unsigned microseconds)
{
    timespec req{static_cast<time_t>(microseconds / 1000000u),
                 static_cast<long>(microseconds % 1000000u) * 1000L};
    timespec rem{};
    int saved = errno;
    while (nanosleep(&req, &rem) != 0 && errno == EINTR)
        req = rem;
    errno = saved;
}

} // namespace boardprom::os
