// The show and program walk over a SPROM layout and its confirmation.
#pragma once

#include "boardprom.h"

#include <cstdint>

namespace boardprom
{

// Walks `layout` over `image`; program mode edits the image, shows it again
// and asks for confirmation.  0, SPROM_RC_BAD_DEFINITION or
// SPROM_RC_CANCELLED (also when standard input ends).
int walk_layout(const sprom_field_def *layout, uint8_t *image, int endian, bool program);

// The question after a program-mode walk: 0 to write, SPROM_RC_CANCELLED not to.
int confirm_programming();

} // namespace boardprom
