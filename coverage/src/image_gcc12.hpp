// The data image of one GCC 12 object: what GCC 12's own runtime writes
// into a fresh .gcda file for it at the end of a run.
#pragma once

#include <cstdint>

#include "covdump.h"
#include "cursor.hpp"

namespace covdump::gcc12
{

// Counter kinds 3 and 4 (top-N values, indirect calls) keep linked lists
// the runtime does not write; objects with them are not registered.
bool has_list_counters(const gcov12_object_desc &obj);

// Bytes of the data image. A block whose counters are all zero is written
// without them, so the exact size depends on the counters at that moment;
// `at_most` is the size with every block written in full, which no later
// change of the counters can exceed.
enum class Size {
    exact,
    at_most,
};
std::uint64_t data_size(const gcov12_object_desc &obj, Size how);

// Writes the data image with a run maximum of 0 and returns the largest arc
// counter of the object, over all its functions.
std::int64_t write_data(Cursor &out, const gcov12_object_desc &obj);

// Puts the largest arc counter of the whole run into a written data image.
void put_run_max(unsigned char *data, std::int64_t run_max);

// Sets every non-zero arc counter of the object to 0.
void clear_arcs(const gcov12_object_desc &obj);

} // namespace covdump::gcc12
