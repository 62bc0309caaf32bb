// One object's data image, decoded: function records and their counter
// blocks, in either layout. Counters of all blocks share one array; a
// GCC 12 block whose counters are all zero is kept as a count alone (the
// image stores no values for it), so a hostile length never sizes memory.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format.hpp"

namespace covtool
{

struct Block {
    std::uint32_t kind = 0;
    std::uint32_t first = 0; // index of the first value in DataImage::values
    std::uint32_t count = 0; // 64-bit values, as stored in the image
    bool zero = false;       // GCC 12: all zero, no values stored
};

struct Function {
    std::uint32_t ident = 0;
    std::uint32_t checksum = 0;     // GCC 12: the line-number checksum
    std::uint32_t cfg_checksum = 0; // GCC 12 only
    bool present = true;            // GCC 12: false for an empty function record
    std::uint32_t first_block = 0;
    std::uint32_t blocks = 0;
};

struct DataImage {
    Family family = Family::gcc4;
    std::uint32_t version = 0;
    std::uint32_t stamp = 0;
    std::uint32_t checksum = 0; // GCC 12: the object's checksum
    // GCC 4 series: as read from the summaries (rewritten on output).
    std::uint32_t object_runs = 0;
    std::uint32_t program_checksum = 0;
    // GCC 12: the object summary.
    std::uint32_t runs = 0;
    std::uint32_t sum_max = 0;

    std::vector<Function> functions;
    std::vector<Block> blocks;
    std::vector<std::int64_t> values;

    std::span<const Block> blocks_of(const Function &f) const
    {
        return std::span<const Block>(blocks).subspan(f.first_block, f.blocks);
    }
    std::span<std::int64_t> values_of(const Block &b)
    {
        return std::span<std::int64_t>(values).subspan(b.first, b.zero ? 0 : b.count);
    }
    std::span<const std::int64_t> values_of(const Block &b) const
    {
        return std::span<const std::int64_t>(values).subspan(b.first, b.zero ? 0 : b.count);
    }
    // Whether a GCC 4 series object has arc counters (its summary counts a
    // run, or a function has an arc block).
    bool has_arcs() const;
};

// Decodes `bytes`, the data image found at `offset` in the dump (offsets in
// messages are the dump's). `out` is reused. Throws BadInput.
void parse_image(std::span<const unsigned char> bytes, std::uint64_t offset, DataImage &out);

// Arc counters of one function, or of the whole object.
struct ArcStats {
    std::uint64_t total = 0;
    std::uint64_t nonzero = 0;
    std::uint64_t sum = 0;
    std::int64_t max = 0;
};
ArcStats arc_stats(const DataImage &image, const Function &f);
ArcStats arc_stats(const DataImage &image);

} // namespace covtool
