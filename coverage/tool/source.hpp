// Where a dump's bytes come from: a file, or memory (the fuzz target and
// the tests). Reads are by offset, so a reader can jump from record to
// record. A source that can show its bytes in place (a mapped file,
// memory) saves the copy.
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
    // The bytes in place, or an empty span when they cannot be shown so.
    virtual std::span<const unsigned char> view(std::uint64_t /*offset*/, std::size_t /*n*/) const
    {
        return {};
    }
    // Bytes not needed for a while: their memory may be given back.
    virtual void release(std::uint64_t /*offset*/, std::uint64_t /*n*/) const {}
    // False once the source lost bytes it had shown in place (a file cut
    // short while mapped): what was read since may be wrong.
    virtual bool intact() const
    {
        return true;
    }
};

class MemorySource final : public Source
{
  public:
    // `in_place`: whether view() shows the bytes (otherwise every byte is
    // copied, as from a file that cannot be mapped).
    MemorySource(std::string name, std::span<const unsigned char> bytes, bool in_place = true)
        : name_(std::move(name)), bytes_(bytes), in_place_(in_place)
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
    std::span<const unsigned char> view(std::uint64_t offset, std::size_t n) const override
    {
        return in_place_ ? bytes_.subspan(static_cast<std::size_t>(offset), n)
                         : std::span<const unsigned char>();
    }

  private:
    std::string name_;
    std::span<const unsigned char> bytes_;
    bool in_place_;
};

} // namespace covtool
