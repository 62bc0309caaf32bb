#include "dump_reader.hpp"

#include <algorithm>
#include <cstring>

#include "bad_input.hpp"
#include "format.hpp"

namespace covtool
{
namespace
{

// Reads fetch at least this much, so that the next records' lengths, names
// and images usually arrive with the current one: a dump read in its own
// order costs one read per 64 KiB, not one per record.
constexpr std::size_t kReadSize = 64 * 1024;
// Larger images are read on their own into the caller's scratch buffer, so
// that the window (one per open dump) stays small.
constexpr std::size_t kWindowCap = 64 * 1024;
// Bytes shown in place are given back behind the reader in steps of this
// size, so that a dump read to its end does not stay in memory.
constexpr std::uint64_t kReleaseStep = 128 * 1024;
// Name length, name of at least one byte, image length.
constexpr std::uint64_t kSmallestRecord = 9;

std::string record_text(std::uint32_t index)
{
    return "record " + std::to_string(index + 1);
}

} // namespace

void MemorySource::read(std::uint64_t offset, std::span<unsigned char> out) const
{
    if (out.empty()) {
        return;
    }
    std::memcpy(out.data(), bytes_.data() + offset, out.size());
}

DumpReader::DumpReader(const Source &source) : source_(source), size_(source.size())
{
    if (size_ < kContainerHeader) {
        throw BadInput(0, "the dump has " + std::to_string(size_) +
                              " bytes, fewer than its 8-byte header");
    }
    version_ = be32_at(0);
    if (version_ != kContainerVersion) {
        throw BadInput(0, "container version " + std::to_string(version_) + " is not " +
                              std::to_string(kContainerVersion));
    }
    count_ = be32_at(4);
    const std::uint64_t rest = size_ - kContainerHeader;
    if (count_ > rest / kSmallestRecord) {
        throw BadInput(4, "record count " + std::to_string(count_) + " cannot fit in the " +
                              std::to_string(rest) + " bytes that follow");
    }
    next_offset_ = kContainerHeader;
}

bool DumpReader::next(RecordRef &record)
{
    const std::uint64_t at = next_offset_;
    if (next_index_ == count_) {
        if (at != size_) {
            throw BadInput(at, std::to_string(size_ - at) + " bytes after the last record");
        }
        return false;
    }
    const std::string which = record_text(next_index_);
    if (size_ - at < 4) {
        throw BadInput(at, "the dump ends inside the name length of " + which);
    }
    const std::uint32_t name_length = be32_at(at);
    const std::uint64_t after_length = size_ - at - 4;
    if (name_length == 0) {
        throw BadInput(at, which + " has a name length of 0");
    }
    if (name_length > after_length) {
        throw BadInput(at, "name length " + std::to_string(name_length) + " of " + which +
                               " exceeds the " + std::to_string(after_length) +
                               " bytes that remain");
    }
    const std::uint64_t name_at = at + 4;
    record.name.resize(name_length);
    if (name_length <= kWindowCap) {
        const auto name = bytes(name_at, name_length);
        std::memcpy(record.name.data(), name.data(), name_length);
    } else {
        source_.read(name_at,
                     {reinterpret_cast<unsigned char *>(record.name.data()), record.name.size()});
    }
    if (record.name.back() != '\0') {
        throw BadInput(name_at + name_length - 1, "name of " + which + " does not end with a NUL");
    }
    const std::size_t nul = record.name.find('\0');
    if (nul + 1 != name_length) {
        throw BadInput(name_at + nul, "name of " + which + " holds a NUL before its end");
    }
    record.name.pop_back();

    const std::uint64_t length_at = name_at + name_length;
    if (size_ - length_at < 4) {
        throw BadInput(length_at, "the dump ends inside the image length of " + which);
    }
    const std::uint32_t image_length = be32_at(length_at);
    const std::uint64_t after_image_length = size_ - length_at - 4;
    if (image_length > after_image_length) {
        throw BadInput(length_at, "image length " + std::to_string(image_length) + " of " + which +
                                      " exceeds the " + std::to_string(after_image_length) +
                                      " bytes that remain");
    }
    if (at - released_ >= kReleaseStep) {
        // From a step boundary, so that no page is left between two steps.
        source_.release(released_, at - released_);
        released_ = at & ~(kReleaseStep - 1);
    }
    record.index = next_index_;
    record.offset = at;
    record.image_offset = length_at + 4;
    record.image_length = image_length;
    next_offset_ = record.image_offset + image_length;
    ++next_index_;
    return true;
}

std::span<const unsigned char> DumpReader::image(const RecordRef &record,
                                                 std::vector<unsigned char> &scratch)
{
    if (const auto in_place = source_.view(record.image_offset, record.image_length);
        in_place.size() == record.image_length && !in_place.empty()) {
        return in_place;
    }
    if (record.image_length <= kWindowCap) {
        return bytes(record.image_offset, record.image_length);
    }
    scratch.resize(record.image_length);
    source_.read(record.image_offset, scratch);
    return scratch;
}

void DumpReader::release(const RecordRef &record)
{
    source_.release(record.offset, record.image_offset + record.image_length - record.offset);
}

std::span<const unsigned char> DumpReader::bytes(std::uint64_t offset, std::size_t n)
{
    if (const auto in_place = source_.view(offset, n); in_place.size() == n && n != 0) {
        return in_place;
    }
    const std::uint64_t window_end = window_offset_ + window_length_;
    if (offset >= window_offset_ && offset + n <= window_end) {
        return {window_.data() + (offset - window_offset_), n};
    }
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max(n, kReadSize), size_ - offset));
    // Bytes the window already holds from `offset` on are moved to its
    // front rather than read again.
    std::size_t keep = 0;
    if (offset >= window_offset_ && offset < window_end) {
        keep = static_cast<std::size_t>(window_end - offset);
        std::memmove(window_.data(), window_.data() + (offset - window_offset_), keep);
    }
    if (window_.size() < want) {
        window_.resize(want);
    }
    source_.read(offset + keep, {window_.data() + keep, want - keep});
    window_offset_ = offset;
    window_length_ = want;
    return {window_.data(), n};
}

std::vector<RecordRef> index(DumpReader &reader)
{
    std::vector<RecordRef> records;
    for (RecordRef r; reader.next(r);) {
        records.push_back(std::move(r));
    }
    return records;
}

std::uint32_t DumpReader::be32_at(std::uint64_t offset)
{
    return load_be32(bytes(offset, 4).data());
}

} // namespace covtool
