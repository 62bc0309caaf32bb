// The dump image: a big-endian container of one gcov data image per
// registered object, in the data format of the object's compiler. Pure
// functions over the registry and a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "covdump.h"

namespace covdump
{

// Arc-counter totals of one object, of a whole run, or the running
// program summary.
struct Summary {
    std::uint32_t num = 0;
    std::uint32_t runs = 0;
    std::uint64_t sum_all = 0;
    std::int64_t run_max = 0;
    std::uint64_t sum_max = 0;
};

// Number of counter kinds present in `mask`.
int kinds_present(std::uint32_t mask);

// Totals of the arc counters of one object (all zero without arc counters).
Summary arc_totals(const gcov_object_desc &obj);

// The object summary, from the totals `seen` while its functions were
// written when they cover its arc counters exactly.
Summary object_summary(const gcov_object_desc &obj, const Summary &seen);

// Exact size in bytes of the image of the objects from `head` on, for the
// counters as they are now; the header alone for an empty list.
std::uint64_t image_size(const gcov_object_desc *head);

// A size the image cannot exceed whatever the counters become: GCC 12
// records leave out the counters of blocks that are all zero, so their
// exact size moves with the counters. The same as image_size for records
// of the GCC 4 series.
std::uint64_t image_capacity(const gcov_object_desc *head);

// Writes the image of the objects from `head` on into `out`, which holds
// at least image_capacity(head) bytes; `crc` is the program summary's
// checksum. Returns the number of bytes written.
std::size_t write_image(const gcov_object_desc *head, std::uint32_t crc,
                        std::span<unsigned char> out);

} // namespace covdump
