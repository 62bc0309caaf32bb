// The common end of a batch program and a restore: the changed fields, the
// question, the write and the read-back check.
#pragma once

#include "field_names.h"

namespace idpromtool
{

struct ChangeCount {
    int fields = 0;      // rows show prints whose bytes change
    int other_bytes = 0; // changed bytes outside those rows
};

// Prints "NAME: old -> new" for every row whose bytes differ between the
// images, then a line for the changed bytes no such row holds.
ChangeCount print_changes(const Prom &prom, const Fields &fields, const Image &before,
                          const Image &after);

// Shows what changes from `before` (the PROM's contents) to `after`, asks
// unless --yes, writes `after` and reads it back unless --no-verify.  The
// exit status.
int apply_image(const Request &request, const Prom &prom, const Image &before, const Image &after);

} // namespace idpromtool
