// Walks a dump's container record by record, checking every length
// against the bytes that remain before it is used. Only the current
// record's bytes are held: a small window that usually also brings the
// next record's header along, so a record costs one read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "source.hpp"

namespace covtool
{

struct RecordRef {
    std::uint32_t index = 0;        // position in the dump, from 0
    std::uint64_t offset = 0;       // of the record's name length field
    std::uint64_t image_offset = 0; // of the data image's first byte
    std::uint32_t image_length = 0;
    std::string name; // without its NUL
};

class DumpReader
{
  public:
    // Reads and checks the header. Throws BadInput.
    explicit DumpReader(const Source &source);

    const Source &source() const
    {
        return source_;
    }
    std::uint32_t version() const
    {
        return version_;
    }
    std::uint32_t count() const
    {
        return count_;
    }

    // The next record's framing; false after the last one, once the dump
    // is known to end there. Throws BadInput.
    bool next(RecordRef &record);

    // The bytes of a record's data image (any record of this dump, in any
    // order), valid until the next call of next() or image(). Images
    // larger than the window are read into `scratch`.
    std::span<const unsigned char> image(const RecordRef &record,
                                         std::vector<unsigned char> &scratch);

    // A record read out of turn is done with: its memory may go back.
    void release(const RecordRef &record);

  private:
    std::span<const unsigned char> bytes(std::uint64_t offset, std::size_t n);
    std::uint32_t be32_at(std::uint64_t offset);

    const Source &source_;
    std::uint64_t size_ = 0;
    std::uint32_t version_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t next_index_ = 0;
    std::uint64_t next_offset_ = 0;
    std::uint64_t released_ = 0; // bytes before this were given back
    std::vector<unsigned char> window_;
    std::uint64_t window_offset_ = 0;
    std::size_t window_length_ = 0;
};

// Every record's framing, the dump checked to its end.
std::vector<RecordRef> index(DumpReader &reader);

} // namespace covtool
