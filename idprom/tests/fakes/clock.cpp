// Fake pauses: recorded, never waited.
#include "fake_os.h"
#include "os.h"

namespace boardprom_test
{

std::vector<unsigned> &fake_sleeps()
{
    static std::vector<unsigned> sleeps;
    return sleeps;
}

unsigned long long fake_slept_us()
{
    unsigned long long total = 0;
    for (unsigned us : fake_sleeps())
        total += us;
    return total;
}

} // namespace boardprom_test

namespace boardprom::os
{

void sleep_us(unsigned microseconds)
{
    boardprom_test::fake_sleeps().push_back(microseconds);
}

} // namespace boardprom::os
