#include "stamp.hpp"

#include <atomic>
#include <cstdint>

#include "os.hpp"

namespace covdump
{
namespace
{

std::atomic<long> g_offset{0};

// Days since 1970-01-01 to a proleptic Gregorian date.
struct Date {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

Date civil_from_days(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

void put_digits(char *at, std::int64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

} // namespace

void format_stamp(std::time_t utc, long offset, char (&out)[kStampLength + 1])
{
    const std::int64_t local = static_cast<std::int64_t>(utc) + offset;
    std::int64_t days = local / 86400;
    std::int64_t secs = local % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    const Date date = civil_from_days(days);
    put_digits(out, date.year < 0 ? 0 : date.year, 4);
    put_digits(out + 4, date.month, 2);
    put_digits(out + 6, date.day, 2);
    put_digits(out + 8, secs / 3600, 2);
    put_digits(out + 10, secs / 60 % 60, 2);
    put_digits(out + 12, secs % 60, 2);
    out[kStampLength] = '\0';
}

void refresh_utc_offset()
{
    g_offset.store(os::utc_offset(os::now()), std::memory_order_relaxed);
}

void current_stamp(char (&out)[kStampLength + 1])
{
    format_stamp(os::now(), g_offset.load(std::memory_order_relaxed), out);
}

} // namespace covdump
