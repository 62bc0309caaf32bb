// Encoding of a decoded data image, byte for byte as the runtimes write
// it, and the GCC 4 series summaries the dump writer computes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image.hpp"

namespace covtool
{

// A GCC 4 series summary: 64-bit sums are written as their low word and a
// zero word.
struct Gcc4Summary {
    std::uint32_t checksum = 0;
    std::uint32_t num = 0;
    std::uint32_t runs = 0;
    std::uint64_t sum_all = 0;
    std::int64_t run_max = 0;
    std::uint64_t sum_max = 0;
};

inline constexpr std::size_t kGcc4SummaryBytes = 44;

// The object summary the dump writer gives an object: one run over its arc
// counters, or all zero without them.
Gcc4Summary gcc4_object_summary(const DataImage &image);

// Running program summary: merged once per record with arc counters, from
// the totals of the whole dump.
void gcc4_merge_run(Gcc4Summary &program, const Gcc4Summary &run_totals);

// The summary's 44 bytes at `at`.
void put_gcc4_summary(unsigned char *at, std::uint32_t tag, const Gcc4Summary &summary);

// Appends the image to `out`. A GCC 4 series image gets `object` as its
// object summary and `program` as its program summary, which are the last
// kGcc4SummaryBytes bytes.
void write_image(const DataImage &image, const Gcc4Summary &object, const Gcc4Summary &program,
                 std::vector<unsigned char> &out);

} // namespace covtool
