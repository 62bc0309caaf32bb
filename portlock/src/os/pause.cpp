// The pause between unlock attempts: whole seconds, resumed after signals.
#include <cerrno>
#include <ctime>

#include "port_io.h"

namespace portlock
{

void pause_seconds(unsigned seconds)
{
    timespec left{static_cast<time_t>(seconds), 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

} // namespace portlock
