// The pauses the library asked for, from the fake clock of the unit-test
// build (tests/fakes/clock.cpp).
#pragma once

#include "fake_os.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace boardprom_test
{

inline void reset_sleeps()
{
    reset_platform();
    fake_sleeps().clear();
}

inline const std::vector<unsigned> &sleeps()
{
    return fake_sleeps();
}

inline size_t count_sleeps(unsigned microseconds)
{
    return static_cast<size_t>(
        std::count(fake_sleeps().begin(), fake_sleeps().end(), microseconds));
}

} // namespace boardprom_test
