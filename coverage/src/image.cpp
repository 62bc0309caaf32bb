// Builds the dump image: header, then per object its name and the gcov
// data image the compiler's own runtime would have written for it.
#include "image.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#include "settings.hpp"

namespace covdump
{
namespace
{

namespace s = settings;

// Fixed words of one object's record around its functions: name length,
// image length, magic, version, stamp.
constexpr std::uint64_t kRecordFixed = 20;
// Object and program summaries: two tags, two lengths, 18 words.
constexpr std::uint64_t kSummaries = 88;
constexpr std::uint64_t kFunctionHeader = 16;
constexpr std::uint64_t kCounterHeader = 8;
constexpr std::uint32_t kSummaryWords = 9;

// Writes words and bytes at a moving position.
class Cursor
{
  public:
    explicit Cursor(unsigned char *at) : at_(at) {}
    void put_be32(std::uint32_t v)
    {
        const unsigned char bytes[4] = {
            static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
        put_bytes(bytes, sizeof bytes);
    }
    void put32(std::uint32_t v)
    {
        put_bytes(&v, sizeof v);
    }
    void put_bytes(const void *data, std::size_t n)
    {
        std::memcpy(at_, data, n);
        at_ += n;
    }
    // Counters as low word then high word, each in native order.
    void put_counters(const gcov_type *values, std::uint32_t n)
    {
        if constexpr (std::endian::native == std::endian::little) {
            put_bytes(values, std::size_t{n} * sizeof(gcov_type));
        } else {
            for (std::uint32_t i = 0; i < n; ++i) {
                const auto v = static_cast<std::uint64_t>(values[i]);
                put32(static_cast<std::uint32_t>(v));
                put32(static_cast<std::uint32_t>(v >> 32));
            }
        }
    }
    // 64-bit summary value: low word, then a high word of 0.
    void put_low_and_zero(std::uint64_t v)
    {
        put32(static_cast<std::uint32_t>(v));
        put32(0);
    }
    unsigned char *at() const
    {
        return at_;
    }

  private:
    unsigned char *at_;
};

// Sum and largest value (from 0) of `n` counters, in four independent lanes
// so that the loop is not one long dependency chain.
void accumulate(const gcov_type *v, std::uint32_t n, std::uint64_t &sum, std::int64_t &max)
{
    std::uint64_t s0 = sum, s1 = 0, s2 = 0, s3 = 0;
    std::int64_t m0 = max, m1 = 0, m2 = 0, m3 = 0;
    std::uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += static_cast<std::uint64_t>(v[i]);
        s1 += static_cast<std::uint64_t>(v[i + 1]);
        s2 += static_cast<std::uint64_t>(v[i + 2]);
        s3 += static_cast<std::uint64_t>(v[i + 3]);
        m0 = std::max(m0, v[i]);
        m1 = std::max(m1, v[i + 1]);
        m2 = std::max(m2, v[i + 2]);
        m3 = std::max(m3, v[i + 3]);
    }
    for (; i < n; ++i) {
        s0 += static_cast<std::uint64_t>(v[i]);
        m0 = std::max(m0, v[i]);
    }
    sum = s0 + s1 + s2 + s3;
    max = std::max(std::max(m0, m1), std::max(m2, m3));
}

const std::uint32_t *function_record(const gcov_object_desc &obj, std::uint32_t index, int kinds)
{
    const auto *words = reinterpret_cast<const std::uint32_t *>(obj.functions);
    return words + std::size_t{index} * static_cast<std::size_t>(2 + kinds);
}

void add_to_run(Summary &run, const Summary &one)
{
    run.num += one.num;
    run.sum_all += one.sum_all;
    run.run_max = std::max(run.run_max, one.run_max);
}

// One record with arc counters merges the run's totals into the running
// program summary.
void merge_run(Summary &program, const Summary &run)
{
    if (program.runs == 0) {
        program.num = run.num;
    }
    ++program.runs;
    program.sum_all += run.sum_all;
    if (run.run_max > program.run_max) {
        program.run_max = run.run_max;
    }
    program.sum_max += static_cast<std::uint64_t>(run.run_max);
}

void put_summary(Cursor &out, std::uint32_t tag, std::uint32_t checksum, const Summary &sum)
{
    out.put32(tag);
    out.put32(kSummaryWords);
    out.put32(checksum);
    out.put32(sum.num);
    out.put32(sum.runs);
    out.put_low_and_zero(sum.sum_all);
    out.put_low_and_zero(static_cast<std::uint64_t>(sum.run_max));
    out.put_low_and_zero(sum.sum_max);
}

// Writes the function records and counter blocks; totals the arc counters
// on the way, while they are in cache (num counts the arc counters seen).
Summary put_functions(Cursor &out, const gcov_object_desc &obj)
{
    Summary arcs;
    const int kinds = kinds_present(obj.ctr_mask);
    const gcov_type *cursor[32] = {};
    for (int j = 0; j < kinds; ++j) {
        cursor[j] = obj.counts[j].values;
    }
    for (std::uint32_t f = 0; f < obj.n_functions; ++f) {
        const std::uint32_t *rec = function_record(obj, f, kinds);
        out.put32(s::kTagFunction);
        out.put32(2);
        out.put32(rec[0]);
        out.put32(rec[1]);
        int j = 0;
        for (std::uint32_t rest = obj.ctr_mask; rest != 0; rest &= rest - 1, ++j) {
            const auto t = static_cast<std::uint32_t>(std::countr_zero(rest));
            const std::uint32_t n = rec[2 + j];
            out.put32(s::kTagCounterBase + (t << 17));
            out.put32(2 * n);
            out.put_counters(cursor[j], n);
            if (t == 0) {
                accumulate(cursor[j], n, arcs.sum_all, arcs.run_max);
                arcs.num += n;
            }
            cursor[j] += n;
        }
    }
    return arcs;
}

std::uint32_t get_be32(const unsigned char *p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// Each record's program summary needs the totals of the whole run, known
// only once every record is written: walk the records and fill them in.
void fill_program_summaries(std::span<unsigned char> image, std::uint32_t crc, const Summary &run)
{
    constexpr std::size_t kSummaryBytes = kSummaries / 2;
    constexpr std::size_t kRunsOffset = 16; // tag, length, checksum, num
    Summary program;
    std::size_t pos = s::kImageHeaderSize;
    while (pos < image.size()) {
        pos += 4 + get_be32(&image[pos]);
        const std::size_t length = get_be32(&image[pos]);
        pos += 4 + length;
        unsigned char *program_at = &image[pos - kSummaryBytes];
        std::uint32_t object_runs = 0;
        std::memcpy(&object_runs, program_at - kSummaryBytes + kRunsOffset, 4);
        if (object_runs != 0) {
            merge_run(program, run);
        }
        Cursor at(program_at);
        put_summary(at, s::kTagProgramSummary, crc, program);
    }
}

} // namespace

Summary object_summary(const gcov_object_desc &obj, const Summary &seen)
{
    if ((obj.ctr_mask & 1U) == 0) {
        return {};
    }
    if (seen.num != obj.counts[0].num) {
        // The function records do not cover the arc counters one for one.
        return arc_totals(obj);
    }
    Summary sum = seen;
    sum.runs = 1;
    sum.sum_max = static_cast<std::uint64_t>(seen.run_max);
    return sum;
}

int kinds_present(std::uint32_t mask)
{
    return std::popcount(mask);
}

Summary arc_totals(const gcov_object_desc &obj)
{
    Summary sum;
    if ((obj.ctr_mask & 1U) == 0) {
        return sum;
    }
    const gcov_ctr_desc &arcs = obj.counts[0];
    sum.num = arcs.num;
    sum.runs = 1;
    accumulate(arcs.values, arcs.num, sum.sum_all, sum.run_max);
    sum.sum_max = static_cast<std::uint64_t>(sum.run_max);
    return sum;
}

std::uint64_t image_size(const gcov_object_desc *head)
{
    std::uint64_t size = s::kImageHeaderSize;
    for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
        const int kinds = kinds_present(obj->ctr_mask);
        size += std::strlen(obj->filename) + 1 + kRecordFixed + kSummaries;
        for (std::uint32_t f = 0; f < obj->n_functions; ++f) {
            const std::uint32_t *rec = function_record(*obj, f, kinds);
            size += kFunctionHeader;
            for (int j = 0; j < kinds; ++j) {
                size += kCounterHeader + 8 * std::uint64_t{rec[2 + j]};
            }
        }
    }
    return size;
}

std::size_t write_image(const gcov_object_desc *head, std::uint32_t crc,
                        std::span<unsigned char> out)
{
    Cursor at(out.data());
    std::uint32_t count = 0;
    for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
        ++count;
    }
    at.put_be32(static_cast<std::uint32_t>(s::kImageVersion));
    at.put_be32(count);

    // One pass over the counters: each record is written with its object
    // summary, and the run totals grow as the objects go by.
    Summary run;
    for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
        const std::size_t name_len = std::strlen(obj->filename) + 1;
        at.put_be32(static_cast<std::uint32_t>(name_len));
        at.put_bytes(obj->filename, name_len);
        unsigned char *length_slot = at.at();
        at.put32(0);
        unsigned char *data_start = at.at();
        at.put32(s::kGcdaMagic);
        at.put32(s::kGcdaVersion);
        at.put32(obj->stamp);
        const Summary object = object_summary(*obj, put_functions(at, *obj));
        put_summary(at, s::kTagObjectSummary, 0, object);
        put_summary(at, s::kTagProgramSummary, crc, Summary{}); // filled below
        Cursor(length_slot).put_be32(static_cast<std::uint32_t>(at.at() - data_start));
        add_to_run(run, object);
    }
    const auto written = static_cast<std::size_t>(at.at() - out.data());
    fill_program_summaries(out.first(written), crc, run);
    return written;
}

} // namespace covdump
