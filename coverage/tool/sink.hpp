// Where a merged dump goes: a file (written aside and renamed into place)
// or memory. Bytes are appended; a few fields known only at the end (the
// record count, the program summaries) are patched in place.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace covtool
{

class Sink
{
  public:
    virtual ~Sink() = default;
    virtual void write(std::span<const unsigned char> bytes) = 0;
    // Overwrites bytes already written at `offset`.
    virtual void patch(std::uint64_t offset, std::span<const unsigned char> bytes) = 0;
};

class MemorySink final : public Sink
{
  public:
    void write(std::span<const unsigned char> bytes) override
    {
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    void patch(std::uint64_t offset, std::span<const unsigned char> bytes) override
    {
        std::memcpy(data.data() + offset, bytes.data(), bytes.size());
    }
    std::vector<unsigned char> data;
};

} // namespace covtool
