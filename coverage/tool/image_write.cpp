#include "image_write.hpp"

#include <algorithm>
#include <cstring>

namespace covtool
{
namespace
{

constexpr std::uint32_t kGcc4SummaryWords = 9;
constexpr std::uint32_t kGcc12SummaryBytes = 8;
constexpr std::uint32_t kGcc12FunctionBytes = 12;

void store_le32(unsigned char *p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

class Out
{
  public:
    explicit Out(std::vector<unsigned char> &bytes) : bytes_(bytes) {}
    void word(std::uint32_t v)
    {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + 4);
        store_le32(bytes_.data() + at, v);
    }
    void counters(std::span<const std::int64_t> values)
    {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + values.size() * 8);
        unsigned char *p = bytes_.data() + at;
        for (const std::int64_t v : values) {
            const auto u = static_cast<std::uint64_t>(v);
            store_le32(p, static_cast<std::uint32_t>(u));
            store_le32(p + 4, static_cast<std::uint32_t>(u >> 32));
            p += 8;
        }
    }

  private:
    std::vector<unsigned char> &bytes_;
};

void write_gcc4(const DataImage &image, const Gcc4Summary &object, const Gcc4Summary &program,
                std::vector<unsigned char> &bytes)
{
    Out out(bytes);
    for (const Function &f : image.functions) {
        out.word(kTagFunction);
        out.word(2);
        out.word(f.ident);
        out.word(f.checksum);
        for (const Block &b : image.blocks_of(f)) {
            out.word(counter_tag(b.kind));
            out.word(2 * b.count);
            out.counters(image.values_of(b));
        }
    }
    const std::size_t at = bytes.size();
    bytes.resize(at + 2 * kGcc4SummaryBytes);
    put_gcc4_summary(bytes.data() + at, kTagObjectSummary, object);
    put_gcc4_summary(bytes.data() + at + kGcc4SummaryBytes, kTagProgramSummary, program);
}

bool all_zero(std::span<const std::int64_t> values)
{
    return std::all_of(values.begin(), values.end(), [](std::int64_t v) { return v == 0; });
}

void write_gcc12(const DataImage &image, std::vector<unsigned char> &bytes)
{
    Out out(bytes);
    out.word(image.checksum);
    out.word(kTagObjectSummary);
    out.word(kGcc12SummaryBytes);
    out.word(image.runs);
    out.word(image.sum_max);
    for (const Function &f : image.functions) {
        out.word(kTagFunction);
        if (!f.present) {
            out.word(0);
            continue;
        }
        out.word(kGcc12FunctionBytes);
        out.word(f.ident);
        out.word(f.checksum);
        out.word(f.cfg_checksum);
        for (const Block &b : image.blocks_of(f)) {
            out.word(counter_tag(b.kind));
            const auto values = image.values_of(b);
            const std::uint32_t length = 8 * b.count;
            // All-zero counters are not stored, except for topn blocks,
            // whose length follows what they track.
            if (!is_topn(image.family, b.kind) && (b.zero || all_zero(values))) {
                out.word(0U - length);
                continue;
            }
            out.word(length);
            out.counters(values);
        }
    }
    out.word(kTagEnd);
}

} // namespace

Gcc4Summary gcc4_object_summary(const DataImage &image)
{
    Gcc4Summary s;
    if (!image.has_arcs()) {
        return s;
    }
    const ArcStats arcs = arc_stats(image);
    s.num = static_cast<std::uint32_t>(arcs.total);
    s.runs = 1;
    s.sum_all = arcs.sum;
    s.run_max = arcs.max;
    s.sum_max = static_cast<std::uint64_t>(arcs.max);
    return s;
}

void gcc4_merge_run(Gcc4Summary &program, const Gcc4Summary &run_totals)
{
    if (program.runs == 0) {
        program.num = run_totals.num;
    }
    ++program.runs;
    program.sum_all += run_totals.sum_all;
    program.run_max = std::max(program.run_max, run_totals.run_max);
    program.sum_max += static_cast<std::uint64_t>(run_totals.run_max);
}

void put_gcc4_summary(unsigned char *at, std::uint32_t tag, const Gcc4Summary &summary)
{
    const std::uint32_t words[11] = {tag,
                                     kGcc4SummaryWords,
                                     summary.checksum,
                                     summary.num,
                                     summary.runs,
                                     static_cast<std::uint32_t>(summary.sum_all),
                                     0,
                                     static_cast<std::uint32_t>(summary.run_max),
                                     0,
                                     static_cast<std::uint32_t>(summary.sum_max),
                                     0};
    for (const std::uint32_t w : words) {
        store_le32(at, w);
        at += 4;
    }
}

void write_image(const DataImage &image, const Gcc4Summary &object, const Gcc4Summary &program,
                 std::vector<unsigned char> &bytes)
{
    Out out(bytes);
    out.word(kMagic);
    out.word(image.version);
    out.word(image.stamp);
    if (image.family == Family::gcc4) {
        write_gcc4(image, object, program, bytes);
    } else {
        write_gcc12(image, bytes);
    }
}

} // namespace covtool
