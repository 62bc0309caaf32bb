// The log of refused connections: anyone who can reach the port can make
// the server refuse connections, so their lines are bounded to a few a
// second and the rest are counted.
#include "app/log.h"
#include "server/server.h"
#include "settings.h"

namespace
{

inline constexpr const char *MSG_REFUSALS_COUNTED =
    "linkmon: %d more requests rejected in the last second\n";

} // namespace

namespace linkmon
{

RefusalLog refusal_log;

bool RefusalLog::admit(MonoTime now)
{
    flush(now);
    if (!open_) {
        open_ = true;
        start_ = now;
        logged_ = 0;
        counted_ = 0;
    }
    if (logged_ < settings::REFUSALS_LOGGED_PER_SECOND) {
        ++logged_;
        return true;
    }
    ++counted_;
    return false;
}

void RefusalLog::flush(MonoTime now)
{
    if (!open_ || now - start_ < settings::REFUSAL_WINDOW)
        return;
    if (counted_ != 0)
        pcie_log(MSG_REFUSALS_COUNTED, static_cast<int>(counted_));
    open_ = false;
}

bool RefusalLog::flush_due(MonoTime *due) const
{
    if (!open_ || counted_ == 0)
        return false;
    *due = start_ + settings::REFUSAL_WINDOW;
    return true;
}

} // namespace linkmon
