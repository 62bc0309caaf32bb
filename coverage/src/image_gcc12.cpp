#include "image_gcc12.hpp"

#include "settings.hpp"

namespace covdump::gcc12
{
namespace
{

namespace s = settings;

// Magic, version, stamp and checksum; the object summary (tag, length,
// runs, largest counter of the run); the closing 0 word.
constexpr std::uint64_t kHeader = 16;
constexpr std::uint64_t kSummary = 16;
constexpr std::uint64_t kEnd = 4;
constexpr std::size_t kRunMaxOffset = 28;
constexpr std::uint64_t kTagAndLength = 8;
constexpr std::uint32_t kRunsOfOneRun = 1;

// Block tags of the present kinds, ascending; the function records hold
// one counter set per present kind in the same order.
struct Kinds {
    std::uint32_t tag[GCOV12_COUNTER_KINDS];
    int count = 0;
};

Kinds kinds_of(const gcov12_object_desc &obj)
{
    Kinds kinds;
    for (std::uint32_t t = 0; t < GCOV12_COUNTER_KINDS; ++t) {
        if (obj.merge[t] != nullptr) {
            kinds.tag[kinds.count++] = s::kTagCounterBase + (t << 17);
        }
    }
    return kinds;
}

bool has_arcs(const gcov12_object_desc &obj)
{
    return obj.merge[0] != nullptr;
}

// A function record of another object (a shared copy kept from elsewhere)
// is written as an empty record.
bool written_here(const gcov12_object_desc &obj, const gcov12_fn_desc *fn)
{
    return fn != nullptr && fn->key == &obj;
}

bool all_zero(const gcov12_ctr_desc &c)
{
    for (std::uint32_t i = 0; i < c.num; ++i) {
        if (c.values[i] != 0) {
            return false;
        }
    }
    return true;
}

std::int64_t largest(const gcov12_ctr_desc &c, std::int64_t max)
{
    for (std::uint32_t i = 0; i < c.num; ++i) {
        if (c.values[i] > max) {
            max = c.values[i];
        }
    }
    return max;
}

std::uint32_t counter_bytes(std::uint32_t n)
{
    return n * static_cast<std::uint32_t>(sizeof(gcov_type));
}

} // namespace

bool has_list_counters(const gcov12_object_desc &obj)
{
    return obj.merge[s::kGcc12TopValuesKind] != nullptr ||
           obj.merge[s::kGcc12IndirectCallKind] != nullptr;
}

std::uint64_t data_size(const gcov12_object_desc &obj, Size how)
{
    const Kinds kinds = kinds_of(obj);
    std::uint64_t size = kHeader + kSummary + kEnd;
    for (std::uint32_t f = 0; f < obj.n_functions; ++f) {
        size += kTagAndLength;
        const gcov12_fn_desc *fn = obj.functions[f];
        if (!written_here(obj, fn)) {
            continue;
        }
        size += s::kGcc12FunctionLength;
        for (int j = 0; j < kinds.count; ++j) {
            size += kTagAndLength;
            if (how == Size::at_most || !all_zero(fn->ctrs[j])) {
                size += counter_bytes(fn->ctrs[j].num);
            }
        }
    }
    return size;
}

std::int64_t write_data(Cursor &out, const gcov12_object_desc &obj)
{
    const Kinds kinds = kinds_of(obj);
    const bool arcs = has_arcs(obj);
    out.put32(s::kGcdaMagic);
    out.put32(obj.version);
    out.put32(obj.stamp);
    out.put32(obj.checksum);
    out.put32(s::kTagObjectSummary);
    out.put32(s::kGcc12SummaryLength);
    out.put32(kRunsOfOneRun);
    out.put32(0); // the run's largest counter, once every object is seen

    std::int64_t max = 0;
    for (std::uint32_t f = 0; f < obj.n_functions; ++f) {
        const gcov12_fn_desc *fn = obj.functions[f];
        out.put32(s::kTagFunction);
        if (!written_here(obj, fn)) {
            out.put32(0);
            // The run's largest counter covers every function record.
            if (fn != nullptr && arcs) {
                max = largest(fn->ctrs[0], max);
            }
            continue;
        }
        out.put32(s::kGcc12FunctionLength);
        out.put32(fn->ident);
        out.put32(fn->lineno_checksum);
        out.put32(fn->cfg_checksum);
        for (int j = 0; j < kinds.count; ++j) {
            const gcov12_ctr_desc &c = fn->ctrs[j];
            out.put32(kinds.tag[j]);
            if (all_zero(c)) {
                out.put32(0U - counter_bytes(c.num));
                continue;
            }
            out.put32(counter_bytes(c.num));
            out.put_counters(c.values, c.num);
            if (j == 0 && arcs) {
                max = largest(c, max);
            }
        }
    }
    out.put32(0);
    return max;
}

void put_run_max(unsigned char *data, std::int64_t run_max)
{
    // Written as one word: the low half of the value.
    Cursor(data + kRunMaxOffset).put32(static_cast<std::uint32_t>(run_max));
}

void clear_arcs(const gcov12_object_desc &obj)
{
    if (!has_arcs(obj)) {
        return;
    }
    for (std::uint32_t f = 0; f < obj.n_functions; ++f) {
        const gcov12_fn_desc *fn = obj.functions[f];
        if (fn == nullptr) {
            continue;
        }
        gcov_type *values = fn->ctrs[0].values;
        for (std::uint32_t i = 0; i < fn->ctrs[0].num; ++i) {
            if (values[i] != 0) {
                values[i] = 0;
            }
        }
    }
}

} // namespace covdump::gcc12
