// An independent reader of dump images for the tests: walks the bytes field
// by field and keeps every word as it was found. A data image whose version
// word starts with 'B' is read in GCC 12's format (lengths in bytes, a
// two-word summary before the functions, blocks of zero counters without
// their counters, a closing 0 word), any other in the GCC 4 series format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace covdump::test
{

struct DecodedSummary {
    std::uint32_t tag = 0, length = 0, checksum = 0, num = 0, runs = 0;
    std::uint32_t sum_all[2] = {}, run_max[2] = {}, sum_max[2] = {};
};

struct DecodedCounters {
    std::uint32_t tag = 0, length = 0;
    std::vector<std::uint32_t> words; // low, high, low, high, ...
};

// GCC 12: checksum is the line-number checksum; a record of length 0 has
// no other fields.
struct DecodedFunction {
    std::uint32_t tag = 0, length = 0, ident = 0, checksum = 0, cfg_checksum = 0;
    std::vector<DecodedCounters> counters;
};

// What only GCC 12 data images carry.
struct DecodedGcc12 {
    std::uint32_t checksum = 0;
    std::uint32_t summary_tag = 0, summary_length = 0, runs = 0, run_max = 0;
    std::uint32_t end = 0xFFFFFFFF; // the closing word
};

struct DecodedRecord {
    std::uint32_t name_length = 0;
    std::string name; // without the NUL, which is checked
    std::uint32_t image_length = 0;
    std::uint32_t magic = 0, version = 0, stamp = 0;
    std::vector<DecodedFunction> functions;
    DecodedSummary object, program; // GCC 4 series only
    bool gcc12 = false;
    DecodedGcc12 g12;
};

struct DecodedImage {
    std::uint32_t version = 0, count = 0;
    std::vector<DecodedRecord> records;
    std::size_t consumed = 0;
    std::string error; // empty when the whole image read cleanly
};

DecodedImage decode_image(std::span<const unsigned char> bytes);

} // namespace covdump::test
