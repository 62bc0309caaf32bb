// The progress hook a calling program may set with idprom_set_progress.
#pragma once

#include "boardprom.h"

namespace boardprom
{

// Tells the hook, if one is set, that `done` of `total` bytes of a page
// transfer have been moved.
void report_progress(int done, int total);

} // namespace boardprom
