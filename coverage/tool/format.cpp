#include "format.hpp"

#include <array>

namespace covtool
{
namespace
{

constexpr std::array<std::string_view, kGcc4Kinds> kGcc4KindNames = {"arcs", "interval", "pow2",
                                                                     "single", "delta"};
constexpr std::array<std::string_view, kGcc12Kinds> kGcc12KindNames = {
    "arcs", "interval", "pow2", "topn", "indirect_call", "average", "ior", "time_profiler"};

char version_char(std::uint32_t version, int index)
{
    return static_cast<char>((version >> (24 - 8 * index)) & 0xFFU);
}

} // namespace

std::optional<Family> family_of(std::uint32_t version)
{
    if (version_char(version, 0) == '4') {
        return Family::gcc4;
    }
    if (version_char(version, 0) == 'B' && version_char(version, 1) == '2') {
        return Family::gcc12;
    }
    return std::nullopt;
}

std::string_view family_name(Family f)
{
    return f == Family::gcc4 ? "GCC 4 series" : "GCC 12";
}

std::string version_text(std::uint32_t version)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = version_char(version, i);
        text += (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') ? c : '?';
    }
    return text;
}

unsigned kind_count(Family f)
{
    return f == Family::gcc4 ? kGcc4Kinds : kGcc12Kinds;
}

std::string_view kind_name(Family f, unsigned kind)
{
    if (f == Family::gcc4) {
        return kind < kGcc4Kinds ? kGcc4KindNames[kind] : "?";
    }
    return kind < kGcc12Kinds ? kGcc12KindNames[kind] : "?";
}

} // namespace covtool
