// Where a dump's bytes come from: a file read with pread, or memory (the
// fuzz target and the tests). Reads are by offset, so a reader can jump
// from record to record without holding the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace covtool
{

class Source
{
  public:
    virtual ~Source() = default;
    // The name used in messages.
    virtual const std::string &name() const = 0;
    virtual std::uint64_t size() const = 0;
    // Fills `out` from `offset`; the range lies within size(). Throws
    // Failure when the bytes cannot be read.
    virtual void read(std::uint64_t offset, std::span<unsigned char> out) const = 0;
};

class MemorySource final : public Source
{
  public:
    MemorySource(std::string name, std::span<const unsigned char> bytes)
        : name_(std::move(name)), bytes_(bytes)
    {
    }
    const std::string &name() const override
    {
        return name_;
    }
    std::uint64_t size() const override
    {
        return bytes_.size();
    }
    void read(std::uint64_t offset, std::span<unsigned char> out) const override;

  private:
    std::string name_;
    std::span<const unsigned char> bytes_;
};

} // namespace covtool
