// The library starts itself when the dynamic loader maps it: start-up is
// listed in its initialisation array. (Kept apart from start-up itself so
// that the unit tests can call it by hand.)
#include "covdump.h"

namespace
{
[[gnu::section(".init_array"), gnu::used]] void (*covdump_startup_entry)(void) = cflow_startup;
} // namespace
