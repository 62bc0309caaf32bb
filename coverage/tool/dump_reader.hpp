// Walks a dump's container record by record, checking every length
// against the bytes that remain before it is used. Only the current
// record's bytes are held: a small window that usually also brings the
// next record's header along, so a record costs one read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "prefetch.hpp"
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
    // Reads and checks the header. Throws BadInput. With a prefetcher, the
    // bytes after the window are read ahead while the window is in use.
    explicit DumpReader(const Source &source, Prefetcher *prefetcher = nullptr);
    DumpReader(const DumpReader &) = delete;
    DumpReader &operator=(const DumpReader &) = delete;
    ~DumpReader();

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

  private:
    std::span<const unsigned char> bytes(std::uint64_t offset, std::size_t n);
    std::uint32_t be32_at(std::uint64_t offset);
    bool take_prefetched(std::uint64_t offset, std::size_t n);
    void read_ahead();

    const Source &source_;
    std::uint64_t size_ = 0;
    std::uint32_t version_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t next_index_ = 0;
    std::uint64_t next_offset_ = 0;
    // The window: window_length_ bytes of the dump from window_offset_,
    // kept at window_start_ in window_.
    std::vector<unsigned char> window_;
    std::size_t window_start_ = 0;
    std::uint64_t window_offset_ = 0;
    std::size_t window_length_ = 0;
    // The bytes after the window, read ahead into spare_.
    Prefetcher *prefetcher_;
    std::vector<unsigned char> spare_;
    ReadJob ahead_;
};

// Every record's framing, the dump checked to its end.
std::vector<RecordRef> index(DumpReader &reader);

} // namespace covtool
