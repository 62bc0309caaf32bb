// An independent reader of dump images for the tests: walks the bytes field
// by field and keeps every word as it was found.
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

struct DecodedFunction {
    std::uint32_t tag = 0, length = 0, ident = 0, checksum = 0;
    std::vector<DecodedCounters> counters;
};

struct DecodedRecord {
    std::uint32_t name_length = 0;
    std::string name; // without the NUL, which is checked
    std::uint32_t image_length = 0;
    std::uint32_t magic = 0, version = 0, stamp = 0;
    std::vector<DecodedFunction> functions;
    DecodedSummary object, program;
};

struct DecodedImage {
    std::uint32_t version = 0, count = 0;
    std::vector<DecodedRecord> records;
    std::size_t consumed = 0;
    std::string error; // empty when the whole image read cleanly
};

DecodedImage decode_image(std::span<const unsigned char> bytes);

} // namespace covdump::test
