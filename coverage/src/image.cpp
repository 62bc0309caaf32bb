// Builds the dump image: header, then per object its name and the gcov
// data image the compiler's own runtime would have written for it.
#include "image.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#include "cursor.hpp"
#include "image_gcc12.hpp"
#include "layout.hpp"
#include "settings.hpp"

namespace covdump
{
namespace
{

namespace s = settings;

// Length fields of one record: name length, image length.
constexpr std::uint64_t kRecordFields = 8;
// Start of a data image: magic, version, stamp.
constexpr std::uint64_t kDataFixed = 12;
// Object and program summaries: two tags, two lengths, 18 words.
constexpr std::uint64_t kSummaries = 88;
constexpr std::size_t kSummaryBytes = kSummaries / 2;
constexpr std::uint64_t kFunctionHeader = 16;
constexpr std::uint64_t kCounterHeader = 8;
constexpr std::uint32_t kSummaryWords = 9;

// Sum and largest value (from 0) of `n` counters. A new largest value is
// rare once the first few counters are seen, so the comparison is a branch
// that is almost never taken rather than a conditional move on every
// counter; two sums keep the additions from forming one long chain.
void accumulate(const gcov_type *v, std::uint32_t n, std::uint64_t &sum, std::int64_t &max)
{
    std::uint64_t s0 = sum, s1 = 0;
    std::int64_t m = max;
    for (std::uint32_t pairs = n / 2; pairs != 0; --pairs, v += 2) {
        s0 += static_cast<std::uint64_t>(v[0]);
        s1 += static_cast<std::uint64_t>(v[1]);
        if (v[0] > m) [[unlikely]] {
            m = v[0];
        }
        if (v[1] > m) [[unlikely]] {
            m = v[1];
        }
    }
    if ((n & 1U) != 0) {
        s0 += static_cast<std::uint64_t>(*v);
        m = std::max(m, *v);
    }
    sum = s0 + s1;
    max = m;
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
    // Per present kind, in ascending order: its block tag and the next
    // counter to write. Only the first `kinds` entries are used.
    struct Kind {
        std::uint32_t tag;
        const gcov_type *next;
    };
    Kind kind[32];
    int kinds = 0;
    for (std::uint32_t rest = obj.ctr_mask; rest != 0; rest &= rest - 1, ++kinds) {
        const auto t = static_cast<std::uint32_t>(std::countr_zero(rest));
        kind[kinds] = {s::kTagCounterBase + (t << 17), obj.counts[kinds].values};
    }
    // Arc counters, when present, are the first kind.
    const bool has_arcs = (obj.ctr_mask & 1U) != 0;

    Summary arcs;
    for (std::uint32_t f = 0; f < obj.n_functions; ++f) {
        const std::uint32_t *rec = function_record(obj, f, kinds);
        out.put32(s::kTagFunction);
        out.put32(2);
        out.put32(rec[0]);
        out.put32(rec[1]);
        for (int j = 0; j < kinds; ++j) {
            const std::uint32_t n = rec[2 + j];
            out.put32(kind[j].tag);
            out.put32(2 * n);
            out.put_counters(kind[j].next, n);
            if (j == 0 && has_arcs) {
                accumulate(kind[j].next, n, arcs.sum_all, arcs.run_max);
                arcs.num += n;
            }
            kind[j].next += n;
        }
    }
    return arcs;
}

// Bytes of one object's data image: magic, version and stamp, the function
// records with their counter blocks, the two summaries.
std::uint64_t data_image_size(const gcov_object_desc &obj)
{
    const int kinds = kinds_present(obj.ctr_mask);
    std::uint64_t size = kDataFixed + kSummaries;
    for (std::uint32_t f = 0; f < obj.n_functions; ++f) {
        const std::uint32_t *rec = function_record(obj, f, kinds);
        size += kFunctionHeader;
        for (int j = 0; j < kinds; ++j) {
            size += kCounterHeader + 8 * std::uint64_t{rec[2 + j]};
        }
    }
    return size;
}

// Bytes of one record's data image as the writer will lay it out.
std::uint64_t record_data_size(const gcov_object_desc &obj, gcc12::Size how)
{
    return is_gcc12(obj) ? gcc12::data_size(as_gcc12(obj), how) : data_image_size(obj);
}

std::uint64_t image_bytes(const gcov_object_desc *head, gcc12::Size how)
{
    std::uint64_t size = s::kImageHeaderSize;
    for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
        size += kRecordFields + std::strlen(filename_of(*obj)) + 1 + record_data_size(*obj, how);
    }
    return size;
}

// Each record's summary of the whole run needs the totals of the whole run,
// known only once every record is written. The positions of the records
// of the GCC 4 series follow from the descriptors again, so that the image
// is not read back for them: reading it would wait on one cache miss after
// another. A GCC 12 record's length depends on its counters, which may have
// moved since it was written, so its own length field is read instead.
void fill_run_summaries(unsigned char *image, const gcov_object_desc *head, std::uint32_t crc,
                        const Summary &run, std::int64_t gcc12_run_max)
{
    Summary program;
    unsigned char *record_end = image + s::kImageHeaderSize;
    for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
        unsigned char *length_field = record_end + 4 + std::strlen(filename_of(*obj)) + 1;
        unsigned char *data = length_field + 4;
        if (is_gcc12(*obj)) {
            record_end = data + get_be32(length_field);
            gcc12::put_run_max(data, gcc12_run_max);
            continue;
        }
        record_end = data + data_image_size(*obj);
        if ((obj->ctr_mask & 1U) != 0) {
            merge_run(program, run);
        }
        Cursor at(record_end - kSummaryBytes);
        put_summary(at, s::kTagProgramSummary, crc, program);
    }
}

// Writes the data image of one GCC 4 series object; returns its summary.
Summary put_gcc4_data(Cursor &at, const gcov_object_desc &obj)
{
    at.put32(s::kGcdaMagic);
    at.put32(s::kGcdaVersion);
    at.put32(obj.stamp);
    const Summary object = object_summary(obj, put_functions(at, obj));
    put_summary(at, s::kTagObjectSummary, 0, object);
    at.skip(kSummaryBytes); // the program summary, filled in below
    return object;
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
    return image_bytes(head, gcc12::Size::exact);
}

std::uint64_t image_capacity(const gcov_object_desc *head)
{
    return image_bytes(head, gcc12::Size::at_most);
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
    // summary, and the run totals grow as the objects go by. Each layout's
    // run covers the objects of that layout, as its compiler's own runtime
    // would have seen them.
    Summary run;
    std::int64_t gcc12_run_max = 0;
    for (const gcov_object_desc *obj = head; obj != nullptr; obj = obj->next) {
        const std::size_t name_len = std::strlen(filename_of(*obj)) + 1;
        at.put_be32(static_cast<std::uint32_t>(name_len));
        at.put_bytes(filename_of(*obj), name_len);
        unsigned char *length_slot = at.at();
        at.put32(0);
        unsigned char *data_start = at.at();
        if (is_gcc12(*obj)) {
            gcc12_run_max = std::max(gcc12_run_max, gcc12::write_data(at, as_gcc12(*obj)));
        } else {
            add_to_run(run, put_gcc4_data(at, *obj));
        }
        Cursor(length_slot).put_be32(static_cast<std::uint32_t>(at.at() - data_start));
    }
    fill_run_summaries(out.data(), head, crc, run, gcc12_run_max);
    const auto written = static_cast<std::size_t>(at.at() - out.data());
    return written;
}

} // namespace covdump
