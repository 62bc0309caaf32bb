// Platform edge of the power-module presence check: opening the chassis-
// type file.  The shipped library opens the real file (src/os/chassis_file.cpp);
// the unit tests hand out streams of their own (tests/fakes/chassis_file.cpp).
#pragma once

#include <cstdio>

namespace boardprom::os
{

// The file opened for reading, or null.  The caller closes it.
std::FILE *open_chassis_file(const char *path);

} // namespace boardprom::os
