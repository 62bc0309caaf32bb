#include "image_merge.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "text.hpp"

namespace covtool
{
namespace
{

std::string versus(std::uint32_t a, std::uint32_t b)
{
    return hex32(a) + " against " + hex32(b);
}

std::string function_name(const Function &f)
{
    return "function " + std::to_string(f.ident);
}

// The number of counters a topn block tracks.
std::size_t topn_counters(std::span<const std::int64_t> v)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < v.size(); i += 2 + 2 * static_cast<std::size_t>(v[i + 1])) {
        ++n;
    }
    return n;
}

std::string block_difference(const DataImage &a, const Block &x, const DataImage &b, const Block &y)
{
    const std::string kind(kind_name(a.family, x.kind));
    if (x.kind != y.kind) {
        return "counter kinds " + kind + " against " + std::string(kind_name(b.family, y.kind));
    }
    if (is_topn(a.family, x.kind)) {
        const std::size_t m = topn_counters(a.values_of(x)), n = topn_counters(b.values_of(y));
        if (m != n) {
            return std::to_string(m) + " " + kind + " counters against " + std::to_string(n);
        }
    } else if (x.count != y.count) {
        return std::to_string(x.count) + " " + kind + " counters against " +
               std::to_string(y.count);
    }
    return {};
}

std::string function_difference(const DataImage &a, const Function &f, const DataImage &b,
                                const Function &g)
{
    if (f.present != g.present) {
        return "function record " + std::string(f.present ? "present" : "empty") + " against " +
               (g.present ? "present" : "empty");
    }
    if (f.ident != g.ident) {
        return "function ident " + std::to_string(f.ident) + " against " + std::to_string(g.ident);
    }
    if (f.checksum != g.checksum) {
        return function_name(f) + ": checksum " + versus(f.checksum, g.checksum);
    }
    if (f.cfg_checksum != g.cfg_checksum) {
        return function_name(f) + ": cfg checksum " + versus(f.cfg_checksum, g.cfg_checksum);
    }
    if (f.blocks != g.blocks) {
        return function_name(f) + ": " + std::to_string(f.blocks) + " counter kinds against " +
               std::to_string(g.blocks);
    }
    const auto xs = a.blocks_of(f), ys = b.blocks_of(g);
    for (std::size_t i = 0; i < xs.size(); ++i) {
        if (std::string d = block_difference(a, xs[i], b, ys[i]); !d.empty()) {
            return function_name(f) + ": " + d;
        }
    }
    return {};
}

void add(std::span<std::int64_t> into, std::span<const std::int64_t> other)
{
    for (std::size_t i = 0; i < into.size(); ++i) {
        into[i] = static_cast<std::int64_t>(static_cast<std::uint64_t>(into[i]) +
                                            static_cast<std::uint64_t>(other[i]));
    }
}

std::int64_t wrap_add(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// The most common value in (value, count, total) triples: the same value
// adds, otherwise the larger count wins and keeps the difference.
void merge_single(std::span<std::int64_t> into, std::span<const std::int64_t> other,
                  std::size_t stride)
{
    // A stride of 4 (delta counters) starts with the last value measured,
    // which stays the one in memory.
    const std::size_t skip = stride - 3;
    for (std::size_t i = 0; i + stride <= into.size(); i += stride) {
        std::int64_t *t = &into[i + skip];
        const std::int64_t *o = &other[i + skip];
        if (t[0] == o[0]) {
            t[1] = wrap_add(t[1], o[1]);
        } else if (o[1] > t[1]) {
            t[0] = o[0];
            t[1] = wrap_add(o[1], -t[1]);
        } else {
            t[1] = wrap_add(t[1], -o[1]);
        }
        t[2] = wrap_add(t[2], o[2]);
    }
}

struct Tracked {
    std::int64_t total = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> values; // value, count
};

// Adds one value to a topn counter; true when it was full and a value had
// to make way.
bool track(Tracked &t, std::int64_t value, std::int64_t count)
{
    std::pair<std::int64_t, std::int64_t> *least = nullptr;
    for (auto &node : t.values) {
        if (node.first == value) {
            node.second = wrap_add(node.second, count);
            return false;
        }
        if (least == nullptr || node.second < least->second) {
            least = &node;
        }
    }
    if (t.values.size() == kTopnTracked) {
        least->second = wrap_add(least->second, -1);
        if (least->second < count) {
            *least = {value, count};
        }
        return true;
    }
    t.values.emplace_back(value, count);
    return false;
}

// Topn counters: totals add (a negative total marks a counter that lost
// values), tracked values merge one by one.
std::vector<std::int64_t> merge_topn(std::span<const std::int64_t> into,
                                     std::span<const std::int64_t> other)
{
    std::vector<std::int64_t> out;
    std::size_t i = 0, j = 0;
    while (i < into.size()) {
        Tracked t;
        t.total = into[i];
        const auto n = static_cast<std::size_t>(into[i + 1]);
        for (std::size_t k = 0; k < n; ++k) {
            t.values.emplace_back(into[i + 2 + 2 * k], into[i + 3 + 2 * k]);
        }
        i += 2 + 2 * n;

        const std::int64_t all = other[j];
        const auto m = static_cast<std::size_t>(other[j + 1]);
        bool full = all < 0;
        t.total = wrap_add(t.total, full ? wrap_add(0, -all) : all);
        for (std::size_t k = 0; k < m; ++k) {
            full |= track(t, other[j + 2 + 2 * k], other[j + 3 + 2 * k]);
        }
        j += 2 + 2 * m;
        if (full) {
            t.total = wrap_add(0, -t.total);
        }
        out.push_back(t.total);
        out.push_back(static_cast<std::int64_t>(t.values.size()));
        for (const auto &[value, count] : t.values) {
            out.push_back(value);
            out.push_back(count);
        }
    }
    return out;
}

} // namespace

void merge_counters(Family family, unsigned kind, std::span<std::int64_t> into,
                    std::span<const std::int64_t> other)
{
    if (family == Family::gcc4 && kind == kGcc4Single) {
        merge_single(into, other, 3);
    } else if (family == Family::gcc4 && kind == kGcc4Delta) {
        merge_single(into, other, 4);
    } else if (family == Family::gcc12 && kind == kGcc12Ior) {
        for (std::size_t i = 0; i < into.size(); ++i) {
            into[i] |= other[i];
        }
    } else if (family == Family::gcc12 && kind == kGcc12TimeProfile) {
        // The earliest first visit of any run that saw the function.
        for (std::size_t i = 0; i < into.size(); ++i) {
            if (other[i] != 0 && (into[i] == 0 || other[i] < into[i])) {
                into[i] = other[i];
            }
        }
    } else {
        add(into, other);
    }
}

namespace
{

// Gives a block values of its own, all zero, at the end of the array.
void materialise(DataImage &image, Block &b)
{
    b.first = static_cast<std::uint32_t>(image.values.size());
    image.values.resize(image.values.size() + b.count);
    b.zero = false;
}

// Replaces a block's values with ones of another length, at the end of the
// array (the old ones stay unused until the image is read again).
void replace_values(DataImage &image, Block &b, const std::vector<std::int64_t> &values)
{
    b.first = static_cast<std::uint32_t>(image.values.size());
    b.count = static_cast<std::uint32_t>(values.size());
    image.values.insert(image.values.end(), values.begin(), values.end());
}

// Drops the values that merged topn blocks left behind once they outgrow
// the live ones, so that merging many dumps keeps one object's size.
void compact(DataImage &image)
{
    std::size_t live = 0;
    for (const Block &b : image.blocks) {
        live += b.zero ? 0 : b.count;
    }
    if (image.values.size() <= 2 * live) {
        return;
    }
    std::vector<std::int64_t> packed;
    packed.reserve(live);
    for (Block &b : image.blocks) {
        if (!b.zero) {
            const auto v = image.values_of(b);
            b.first = static_cast<std::uint32_t>(packed.size());
            packed.insert(packed.end(), v.begin(), v.end());
        }
    }
    image.values.swap(packed);
}

} // namespace

std::string first_difference(const DataImage &a, const DataImage &b)
{
    if (a.family != b.family || a.version != b.version) {
        return "version " + versus(a.version, b.version);
    }
    if (a.stamp != b.stamp) {
        return "stamp " + versus(a.stamp, b.stamp);
    }
    if (a.checksum != b.checksum) {
        return "checksum " + versus(a.checksum, b.checksum);
    }
    if (a.functions.size() != b.functions.size()) {
        return std::to_string(a.functions.size()) + " functions against " +
               std::to_string(b.functions.size());
    }
    for (std::size_t i = 0; i < a.functions.size(); ++i) {
        if (std::string d = function_difference(a, a.functions[i], b, b.functions[i]); !d.empty()) {
            return d;
        }
    }
    return {};
}

void merge_into(DataImage &into, const DataImage &other)
{
    into.runs += other.runs;
    into.sum_max += other.sum_max;
    for (std::size_t i = 0; i < into.blocks.size(); ++i) {
        Block &b = into.blocks[i];
        const Block &o = other.blocks[i];
        // Merging all-zero counters changes nothing.
        if (o.zero) {
            continue;
        }
        if (is_topn(into.family, b.kind)) {
            replace_values(into, b, merge_topn(into.values_of(b), other.values_of(o)));
            continue;
        }
        if (b.zero) {
            materialise(into, b);
        }
        merge_counters(into.family, b.kind, into.values_of(b), other.values_of(o));
    }
    compact(into);
}

} // namespace covtool
