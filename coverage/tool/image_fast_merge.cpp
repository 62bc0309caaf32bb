// The merge's common case: a GCC 4 series image of the same object, shaped
// exactly like the one being merged into, is added straight from its bytes
// in one pass, without being decoded first.
#include <bit>
#include <cstring>
#include <vector>

#include "image_merge.hpp"

namespace covtool
{
namespace
{

constexpr std::size_t kHeaderBytes = 12;  // magic, version, stamp
constexpr std::size_t kSummaryBytes = 88; // object and program summaries

std::uint64_t from_image(std::uint64_t v)
{
    // Images are little-endian, low word first: one 64-bit little-endian
    // value.
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap64(v);
    }
    return v;
}

// Adds (or takes back) counters stored from `p`. Four at a time through
// local copies, so that the compiler adds them as vectors without proving
// the bytes and the counters apart.
template <bool kTakeBack> void add_from_bytes(std::span<std::int64_t> into, const unsigned char *p)
{
    const std::size_t n = into.size();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4, p += 32) {
        std::uint64_t sum[4], other[4];
        std::memcpy(sum, &into[i], sizeof sum);
        std::memcpy(other, p, sizeof other);
        for (int k = 0; k < 4; ++k) {
            sum[k] = kTakeBack ? sum[k] - from_image(other[k]) : sum[k] + from_image(other[k]);
        }
        std::memcpy(&into[i], sum, sizeof sum);
    }
    for (; i < n; ++i, p += 8) {
        std::uint64_t other;
        std::memcpy(&other, p, 8);
        const auto v = static_cast<std::uint64_t>(into[i]);
        into[i] =
            static_cast<std::int64_t>(kTakeBack ? v - from_image(other) : v + from_image(other));
    }
}

bool function_matches(const unsigned char *p, std::size_t left, const Function &f)
{
    return left >= 16 && load_le32(p) == kTagFunction && load_le32(p + 4) == 2 &&
           load_le32(p + 8) == f.ident && load_le32(p + 12) == f.checksum;
}

bool block_matches(const unsigned char *p, std::size_t left, const Block &b)
{
    return left >= 8 && load_le32(p) == counter_tag(b.kind) && load_le32(p + 4) == 2 * b.count &&
           (left - 8) / 8 >= b.count;
}

bool summaries_match(const unsigned char *p, std::size_t left)
{
    return left == kSummaryBytes && load_le32(p) == kTagObjectSummary && load_le32(p + 4) == 9 &&
           load_le32(p + 44) == kTagProgramSummary && load_le32(p + 48) == 9;
}

// How far an image followed the records of `into`.
struct Walk {
    std::size_t blocks = 0;         // counter blocks added
    std::size_t pos = kHeaderBytes; // where it stopped
    bool complete = false;          // every function and block matched
};

// Walks the image along the records of `into`, adding the counters of each
// block that matches (or taking back those of the first `limit` blocks)
// until the first difference. Objects with adding kinds only.
template <bool kTakeBack>
Walk walk(DataImage &into, std::span<const unsigned char> bytes, std::size_t limit)
{
    Walk w;
    const unsigned char *p = bytes.data();
    for (const Function &f : into.functions) {
        if (!function_matches(p + w.pos, bytes.size() - w.pos, f)) {
            return w;
        }
        w.pos += 16;
        for (const Block &b : into.blocks_of(f)) {
            if (w.blocks == limit || !block_matches(p + w.pos, bytes.size() - w.pos, b)) {
                return w;
            }
            add_from_bytes<kTakeBack>(into.values_of(b), p + w.pos + 8);
            w.pos += 8 + std::size_t{b.count} * 8;
            ++w.blocks;
        }
    }
    w.complete = true;
    return w;
}

// Objects with single-value or delta counters, whose merge cannot be taken
// back: the whole shape is checked first, then the counters merged.
bool merge_checked_first(DataImage &into, std::span<const unsigned char> bytes)
{
    const unsigned char *p = bytes.data();
    std::size_t pos = kHeaderBytes;
    for (const Function &f : into.functions) {
        if (!function_matches(p + pos, bytes.size() - pos, f)) {
            return false;
        }
        pos += 16;
        for (const Block &b : into.blocks_of(f)) {
            if (!block_matches(p + pos, bytes.size() - pos, b)) {
                return false;
            }
            pos += 8 + std::size_t{b.count} * 8;
        }
    }
    if (!summaries_match(p + pos, bytes.size() - pos)) {
        return false;
    }
    std::vector<std::int64_t> other;
    pos = kHeaderBytes;
    for (const Function &f : into.functions) {
        pos += 16;
        for (const Block &b : into.blocks_of(f)) {
            other.resize(b.count);
            load_counters(p + pos + 8, other);
            merge_counters(into.family, b.kind, into.values_of(b), other);
            pos += 8 + std::size_t{b.count} * 8;
        }
    }
    return true;
}

} // namespace

bool merge_same_shape(DataImage &into, std::span<const unsigned char> bytes)
{
    const unsigned char *p = bytes.data();
    if (into.family != Family::gcc4 || bytes.size() < kHeaderBytes || load_le32(p) != kMagic ||
        load_le32(p + 4) != into.version || load_le32(p + 8) != into.stamp) {
        return false;
    }
    for (const Block &b : into.blocks) {
        if (b.kind == kGcc4Single || b.kind == kGcc4Delta) {
            return merge_checked_first(into, bytes);
        }
    }
    // One pass over the bytes, in order; a difference found on the way takes
    // back what was added before it.
    const Walk w = walk<false>(into, bytes, into.blocks.size());
    if (w.complete && summaries_match(p + w.pos, bytes.size() - w.pos)) {
        return true;
    }
    walk<true>(into, bytes, w.blocks);
    return false;
}

} // namespace covtool
