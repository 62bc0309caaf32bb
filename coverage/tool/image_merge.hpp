// Adding one run's data image into another's, with the rules of GCC's own
// runtime for each counter kind.
#pragma once

#include <string>

#include "image.hpp"

namespace covtool
{

// Empty when `other` can be merged into `into`: the same layout, version,
// stamp, checksums, functions and counter shapes. Otherwise the first
// difference, in words.
std::string first_difference(const DataImage &into, const DataImage &other);

// Merges `other`, which has the shape of `into`, into `into`. `into` plays
// the part of the counters in memory and `other` that of the data file read
// back, as in GCC's runtime and merge tool.
void merge_into(DataImage &into, const DataImage &other);

// Merges counters of one kind, `into` holding those in memory.
void merge_counters(Family family, unsigned kind, std::span<std::int64_t> into,
                    std::span<const std::int64_t> other);

// The common case, without decoding: when `bytes` is a GCC 4 series image
// of exactly the shape of `into`, merges its counters straight from the
// bytes and returns true. Otherwise changes nothing and returns false; the
// image is then decoded and compared in full.
bool merge_same_shape(DataImage &into, std::span<const unsigned char> bytes);

} // namespace covtool
