// The image writer over random registries of both descriptor layouts: the
// image must read back with the tests' independent decoder field by field
// as what the descriptors hold, and cflow_data_size must be the size
// written. Descriptors of other versions, GCC 12 objects without
// functions or with list counters must stay out of the image.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "covdump.h"
#include "fake_object.hpp"
#include "image_decoder.hpp"

namespace
{

using covdump::test::DecodedFunction;
using covdump::test::DecodedRecord;
using covdump::test::DecodedSummary;
using covdump::test::FakeObject;
using covdump::test::FakeObject12;

[[noreturn]] void fault(const char *what, std::size_t record)
{
    std::fprintf(stderr, "image writer: %s (record %zu)\n", what, record);
    std::abort();
}

void expect(bool ok, const char *what, std::size_t record = 0)
{
    if (!ok) {
        fault(what, record);
    }
}

class Input
{
  public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte()
    {
        return pos_ < size_ ? data_[pos_++] : 0;
    }
    std::uint64_t wide()
    {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) {
            v = v << 8 | byte();
        }
        return v;
    }
    // Many zeros (so that whole blocks are zero), small and wide values.
    gcov_type counter()
    {
        switch (byte() % 5) {
        case 0:
        case 1:
            return 0;
        case 2:
            return byte();
        case 3:
            return -static_cast<gcov_type>(byte());
        default:
            return static_cast<gcov_type>(wide());
        }
    }

  private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// One object of the registry with what the image must show of it.
struct Object {
    std::unique_ptr<FakeObject> g4;
    std::unique_ptr<FakeObject12> g12;
    std::string name;
    bool registers = false;
};

std::vector<std::vector<std::uint32_t>> random_counts(Input &in, int kinds, int functions)
{
    std::vector<std::vector<std::uint32_t>> counts(static_cast<std::size_t>(functions));
    for (auto &fn : counts) {
        for (int j = 0; j < kinds; ++j) {
            fn.push_back(in.byte() % 5);
        }
    }
    return counts;
}

Object make_gcc4(Input &in, std::string name)
{
    const std::uint32_t mask = in.byte() % 32;
    const int kinds = std::popcount(mask);
    Object o;
    o.g4 = std::make_unique<FakeObject>(name, mask, random_counts(in, kinds, in.byte() % 4),
                                        static_cast<std::uint32_t>(in.wide()));
    for (int j = 0; j < kinds; ++j) {
        for (gcov_type &v : o.g4->values(j)) {
            v = in.counter();
        }
    }
    const std::uint8_t version = in.byte();
    if (version % 8 == 0) {
        // Another compiler: first character anything but '4' and 'B'.
        o.g4->desc()->version = (version == '4' || version == 'B' ? 1U : version) << 24 | 0x30322AU;
    }
    o.registers = version % 8 != 0;
    o.name = std::move(name);
    return o;
}

Object make_gcc12(Input &in, std::string name, std::vector<Object> &earlier)
{
    // Kinds 3 and 4 (list counters) only now and then.
    std::uint32_t mask = in.byte();
    if (in.byte() % 8 != 0) {
        mask &= ~0x18U;
    }
    const int kinds = std::popcount(mask);
    const int functions = in.byte() % 4;
    Object o;
    o.g12 = std::make_unique<FakeObject12>(name, mask, random_counts(in, kinds, functions),
                                           static_cast<std::uint32_t>(in.wide()));
    o.g12->desc()->version = 0x42320000U | ('0' + in.byte() % 10U) << 8 | '*';
    o.g12->desc()->checksum = static_cast<std::uint32_t>(in.wide());
    for (int f = 0; f < functions; ++f) {
        for (int j = 0; j < kinds; ++j) {
            for (gcov_type &v : o.g12->values(static_cast<std::size_t>(f), j)) {
                v = in.counter();
            }
        }
        // Now and then a copy kept from an earlier object of the same kinds,
        // or no record at all.
        const std::uint8_t shape = in.byte() % 16;
        if (shape == 0) {
            o.g12->set_function(static_cast<std::size_t>(f), nullptr);
        } else if (shape == 1 && !earlier.empty() && earlier.back().g12 &&
                   earlier.back().g12->desc()->n_functions > 0 &&
                   std::equal(std::begin(earlier.back().g12->desc()->merge),
                              std::end(earlier.back().g12->desc()->merge),
                              std::begin(o.g12->desc()->merge))) {
            o.g12->set_function(static_cast<std::size_t>(f), earlier.back().g12->function(0));
        }
    }
    o.registers = functions > 0 && (mask & 0x18U) == 0;
    o.name = std::move(name);
    return o;
}

std::uint32_t low(std::uint64_t v)
{
    return static_cast<std::uint32_t>(v);
}

// The bit-serial CRC of the names, by its definition.
std::uint32_t names_crc(const std::vector<const Object *> &registered)
{
    std::uint32_t crc = 0;
    for (const Object *o : registered) {
        for (std::size_t i = 0; i <= o->name.size(); ++i) {
            const auto byte = static_cast<std::uint8_t>(i < o->name.size() ? o->name[i] : 0);
            for (int bit = 7; bit >= 0; --bit) {
                const bool top = ((crc >> 31) ^ (byte >> bit & 1U)) != 0;
                crc = (crc << 1) ^ (top ? 0x04C11DB7U : 0U);
            }
        }
    }
    return crc;
}

struct ArcTotals {
    std::uint32_t num = 0;
    std::uint64_t sum = 0;
    std::int64_t max = 0;
};

ArcTotals gcc4_arcs(FakeObject &o)
{
    ArcTotals t;
    if ((o.desc()->ctr_mask & 1U) == 0) {
        return t;
    }
    for (gcov_type v : o.values(0)) {
        ++t.num;
        t.sum += static_cast<std::uint64_t>(v);
        t.max = v > t.max ? v : t.max;
    }
    return t;
}

std::int64_t gcc12_largest_arc(const gcov12_object_desc &d)
{
    std::int64_t max = 0;
    for (std::uint32_t f = 0; d.merge[0] != nullptr && f < d.n_functions; ++f) {
        const gcov12_fn_desc *fn = d.functions[f];
        for (std::uint32_t i = 0; fn != nullptr && i < fn->ctrs[0].num; ++i) {
            max = fn->ctrs[0].values[i] > max ? fn->ctrs[0].values[i] : max;
        }
    }
    return max;
}

std::vector<std::uint32_t> words_of(const gcov_type *v, std::uint32_t n)
{
    std::vector<std::uint32_t> words;
    for (std::uint32_t i = 0; i < n; ++i) {
        words.push_back(low(static_cast<std::uint64_t>(v[i])));
        words.push_back(low(static_cast<std::uint64_t>(v[i]) >> 32));
    }
    return words;
}

void check_summary(const DecodedSummary &s, std::uint32_t tag, std::uint32_t checksum,
                   std::uint32_t num, std::uint32_t runs, std::uint64_t sum_all,
                   std::int64_t run_max, std::uint64_t sum_max, std::size_t r)
{
    expect(s.tag == tag && s.length == 9 && s.checksum == checksum, "summary header", r);
    expect(s.num == num && s.runs == runs, "summary counts", r);
    expect(s.sum_all[0] == low(sum_all) && s.sum_all[1] == 0, "sum_all", r);
    expect(s.run_max[0] == low(static_cast<std::uint64_t>(run_max)) && s.run_max[1] == 0, "run_max",
           r);
    expect(s.sum_max[0] == low(sum_max) && s.sum_max[1] == 0, "sum_max", r);
}

void check_gcc4(const DecodedRecord &rec, FakeObject &o, const ArcTotals &run, int arc_records,
                std::uint32_t crc, std::size_t r)
{
    gcov_object_desc &d = *o.desc();
    expect(rec.magic == 0x67636461U && rec.version == 0x3430322AU && rec.stamp == d.stamp,
           "GCC 4 header", r);
    const int kinds = std::popcount(d.ctr_mask);
    const auto *words = reinterpret_cast<const std::uint32_t *>(d.functions);
    expect(rec.functions.size() == d.n_functions, "function count", r);
    std::vector<std::size_t> next(static_cast<std::size_t>(kinds), 0);
    for (std::uint32_t f = 0; f < d.n_functions; ++f) {
        const DecodedFunction &fn = rec.functions[f];
        const std::uint32_t *fw = words + f * static_cast<std::uint32_t>(2 + kinds);
        expect(fn.tag == 0x01000000U && fn.length == 2 && fn.ident == fw[0] &&
                   fn.checksum == fw[1] && fn.counters.size() == static_cast<std::size_t>(kinds),
               "GCC 4 function", r);
        int j = 0;
        for (std::uint32_t t = 0; t < 5; ++t) {
            if ((d.ctr_mask >> t & 1U) == 0) {
                continue;
            }
            const std::uint32_t n = fw[2 + j];
            auto &c = fn.counters[static_cast<std::size_t>(j)];
            expect(c.tag == 0x01A10000U + (t << 17) && c.length == 2 * n, "GCC 4 block", r);
            auto &cursor = next[static_cast<std::size_t>(j)];
            expect(c.words == words_of(o.values(j).data() + cursor, n), "GCC 4 counters", r);
            cursor += n;
            ++j;
        }
    }
    const ArcTotals own = gcc4_arcs(o);
    const bool arcs = (d.ctr_mask & 1U) != 0;
    check_summary(rec.object, 0xA1000000U, 0, own.num, arcs ? 1 : 0, own.sum, own.max,
                  static_cast<std::uint64_t>(own.max), r);
    const auto k = static_cast<std::uint64_t>(arc_records);
    const ArcTotals seen = arc_records > 0 ? run : ArcTotals{};
    check_summary(rec.program, 0xA3000000U, crc, seen.num, static_cast<std::uint32_t>(arc_records),
                  k * seen.sum, seen.max, k * static_cast<std::uint64_t>(seen.max), r);
}

void check_gcc12(const DecodedRecord &rec, FakeObject12 &o, std::int64_t run_max, std::size_t r)
{
    const gcov12_object_desc &d = *o.desc();
    expect(rec.gcc12 && rec.magic == 0x67636461U && rec.version == d.version &&
               rec.stamp == d.stamp && rec.g12.checksum == d.checksum,
           "GCC 12 header", r);
    expect(rec.g12.summary_tag == 0xA1000000U && rec.g12.summary_length == 8 && rec.g12.runs == 1 &&
               rec.g12.run_max == low(static_cast<std::uint64_t>(run_max)),
           "GCC 12 summary", r);
    expect(rec.g12.end == 0 && rec.functions.size() == d.n_functions, "GCC 12 functions", r);
    for (std::uint32_t f = 0; f < d.n_functions; ++f) {
        const DecodedFunction &fn = rec.functions[f];
        const gcov12_fn_desc *desc = d.functions[f];
        if (desc == nullptr || desc->key != &d) {
            expect(fn.tag == 0x01000000U && fn.length == 0 && fn.counters.empty(),
                   "GCC 12 record of another object", r);
            continue;
        }
        expect(fn.tag == 0x01000000U && fn.length == 12 && fn.ident == desc->ident &&
                   fn.checksum == desc->lineno_checksum && fn.cfg_checksum == desc->cfg_checksum,
               "GCC 12 function", r);
        std::size_t j = 0;
        for (std::uint32_t t = 0; t < GCOV12_COUNTER_KINDS; ++t) {
            if (d.merge[t] == nullptr) {
                continue;
            }
            expect(j < fn.counters.size(), "GCC 12 block missing", r);
            const auto &c = fn.counters[j];
            const gcov12_ctr_desc &ctr = desc->ctrs[j];
            bool zeros = true;
            for (std::uint32_t i = 0; i < ctr.num; ++i) {
                zeros = zeros && ctr.values[i] == 0;
            }
            expect(c.tag == 0x01A10000U + (t << 17), "GCC 12 block tag", r);
            if (zeros) {
                expect(c.length == 0U - 8 * ctr.num && c.words.empty(), "GCC 12 zero block", r);
            } else {
                expect(c.length == 8 * ctr.num && c.words == words_of(ctr.values, ctr.num),
                       "GCC 12 counters", r);
            }
            ++j;
        }
        expect(j == fn.counters.size(), "GCC 12 extra blocks", r);
    }
}

struct FreeDeleter {
    void operator()(void *p) const
    {
        std::free(p);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    covdump::test::reset_registry();
    Input in(data, size);
    std::vector<Object> objects;
    const int count = 1 + in.byte() % 6;
    for (int i = 0; i < count; ++i) {
        std::string name = "/fuzz/" + std::string(in.byte() % 24, static_cast<char>('a' + i)) +
                           std::to_string(i) + ".gcda";
        objects.push_back((in.byte() & 1U) == 0 ? make_gcc4(in, std::move(name))
                                                : make_gcc12(in, std::move(name), objects));
    }
    std::vector<const Object *> registered;
    for (Object &o : objects) {
        if (o.g4) {
            o.g4->register_it();
        } else {
            o.g12->register_it();
        }
        if (o.registers) {
            registered.push_back(&o);
        }
    }

    // What every record's summaries hold: each layout totals its own objects.
    ArcTotals run;
    std::int64_t run_max12 = 0;
    for (const Object *o : registered) {
        if (o->g4) {
            const ArcTotals t = gcc4_arcs(*o->g4);
            run.num += t.num;
            run.sum += t.sum;
            run.max = t.max > run.max ? t.max : run.max;
        } else {
            const std::int64_t m = gcc12_largest_arc(*o->g12->desc());
            run_max12 = m > run_max12 ? m : run_max12;
        }
    }

    const int expected_size = cflow_data_size();
    int written = -1;
    const std::unique_ptr<unsigned char, FreeDeleter> image(
        static_cast<unsigned char *>(cflow_writetobuffer(&written)));
    expect(cflow_data_count() == static_cast<int>(registered.size()), "registry size");
    if (registered.empty()) {
        expect(!image && written == 0 && expected_size == 8, "empty registry");
        covdump::test::reset_registry();
        return 0;
    }
    expect(image && written == expected_size, "cflow_data_size is not the size written");
    const auto decoded =
        covdump::test::decode_image({image.get(), static_cast<std::size_t>(written)});
    expect(decoded.error.empty(), decoded.error.c_str());
    expect(decoded.version == 3 && decoded.count == registered.size(), "image header");
    const std::uint32_t crc = names_crc(registered);
    expect(gcov_crc32 == crc, "names checksum");
    int arc_records = 0;
    for (std::size_t r = 0; r < registered.size(); ++r) {
        const Object &o = *registered[registered.size() - 1 - r]; // last registered first
        const DecodedRecord &rec = decoded.records[r];
        expect(rec.name == o.name && rec.name_length == o.name.size() + 1, "record name", r);
        if (o.g4) {
            arc_records += (o.g4->desc()->ctr_mask & 1U) != 0 ? 1 : 0;
            check_gcc4(rec, *o.g4, run, arc_records, crc, r);
        } else {
            check_gcc12(rec, *o.g12, run_max12, r);
        }
    }
    covdump::test::reset_registry();
    return 0;
}
