// The merge of several dumps into one, object by object: each input is
// walked once in its own order and only the object being merged is held,
// so memory follows the largest object, not the inputs.
#pragma once

#include <ostream>
#include <span>

#include "sink.hpp"
#include "source.hpp"

namespace covtool
{

struct MergeOptions {
    // Objects that do not match the first of their name are left out and
    // reported instead of stopping the merge.
    bool skip_mismatch = false;
};

// Writes the merged dump to `out`. Objects keep the order of the first
// input that holds them; the k-th object of a name in one dump matches the
// k-th of that name in another. Reports left-out objects on `err`. Throws
// BadInput (naming the file) and Failure.
void merge_dumps(std::span<const Source *const> inputs, Sink &out, const MergeOptions &options,
                 std::ostream &err);

} // namespace covtool
