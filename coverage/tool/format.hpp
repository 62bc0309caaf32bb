// The dump container and the two kinds of gcov data image it carries:
// magic numbers, tags, version words and counter kinds, and the word loads
// every reader here uses.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace covtool
{

// Container: big-endian version and record count, then per record the
// name length, the name with its NUL, the image length and the image.
inline constexpr std::uint32_t kContainerVersion = 3;
inline constexpr std::uint64_t kContainerHeader = 8;

// Data images: words in the producing machine's order (little-endian on
// every target this runtime serves).
inline constexpr std::uint32_t kMagic = 0x67636461; // "gcda"
inline constexpr std::uint32_t kTagEnd = 0;
inline constexpr std::uint32_t kTagFunction = 0x01000000;
inline constexpr std::uint32_t kTagCounterBase = 0x01A10000;
inline constexpr std::uint32_t kTagObjectSummary = 0xA1000000;
inline constexpr std::uint32_t kTagProgramSummary = 0xA3000000;

constexpr std::uint32_t counter_tag(unsigned kind)
{
    return kTagCounterBase + (static_cast<std::uint32_t>(kind) << 17);
}

// The two image layouts, told apart by the version word's leading
// characters: '4' for the GCC 4 series ("402*"), "B2" for GCC 12 ("B22*").
enum class Family { gcc4, gcc12 };

std::optional<Family> family_of(std::uint32_t version);
std::string_view family_name(Family f);
// The version word as its four characters (others shown as '?').
std::string version_text(std::uint32_t version);

// Counter kinds of each layout. GCC 4 series: arcs, interval, pow2,
// single value, delta. GCC 12: arcs, interval, pow2, topn, indirect_call,
// average, ior, time_profiler.
inline constexpr unsigned kGcc4Kinds = 5;
inline constexpr unsigned kGcc12Kinds = 8;
unsigned kind_count(Family f);
std::string_view kind_name(Family f, unsigned kind);

// GCC 4 series kinds with their own merge rules.
inline constexpr unsigned kGcc4Single = 3;
inline constexpr unsigned kGcc4Delta = 4;
// GCC 12 kinds with their own layout or merge rule.
inline constexpr unsigned kGcc12Topn = 3;
inline constexpr unsigned kGcc12Indirect = 4;
inline constexpr unsigned kGcc12Ior = 6;
inline constexpr unsigned kGcc12TimeProfile = 7;
// Most values a topn counter tracks.
inline constexpr std::size_t kTopnTracked = 32;

constexpr bool is_topn(Family f, unsigned kind)
{
    return f == Family::gcc12 && (kind == kGcc12Topn || kind == kGcc12Indirect);
}

inline std::uint32_t load_le32(const unsigned char *p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

inline std::uint32_t load_be32(const unsigned char *p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// A 64-bit counter: low word, then high word.
inline std::int64_t load_counter(const unsigned char *p)
{
    const std::uint64_t v = std::uint64_t{load_le32(p)} | (std::uint64_t{load_le32(p + 4)} << 32);
    return static_cast<std::int64_t>(v);
}

// Counters stored back to back from `p`, into `out`.
inline void load_counters(const unsigned char *p, std::span<std::int64_t> out)
{
    if (out.empty()) {
        return;
    }
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out.data(), p, out.size() * 8);
    } else {
        for (std::int64_t &v : out) {
            v = load_counter(p);
            p += 8;
        }
    }
}

} // namespace covtool
