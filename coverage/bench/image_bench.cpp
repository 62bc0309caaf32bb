// A registry of 2,000 objects with 1,000,000 arc counters in all (ten
// functions of 50 counters each per object), serialised into its dump
// image; memcpy of the same number of bytes is the yardstick.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_object.hpp"
#include "image.hpp"

namespace
{

constexpr int kObjects = 2000;
constexpr int kFunctions = 10;
constexpr std::uint32_t kCountersPerFunction = 50;

// Laid out as a linked program has them: descriptors back to back, the
// names in one block, the counters of all objects in one data segment.
struct Registry {
    std::vector<gcov_type> counters;
    std::vector<std::uint32_t> functions; // one function table for all
    std::string names;
    std::vector<std::uint64_t> descriptors;
    std::size_t size = 0;

    static constexpr std::size_t kDescWords =
        (sizeof(gcov_object_desc) + sizeof(gcov_ctr_desc) + 7) / 8;
    static constexpr std::uint32_t kPerObject = kFunctions * kCountersPerFunction;

    Registry()
        : counters(std::size_t{kObjects} * kPerObject),
          descriptors(std::size_t{kObjects} * kDescWords)
    {
        covdump::test::reset_registry();
        gcov_type v = 1;
        for (gcov_type &c : counters) {
            c = (v = v * 6364136223846793005LL + 1442695040888963407LL) & 0xFFFFF;
        }
        for (std::uint32_t f = 0; f < kFunctions; ++f) {
            functions.insert(functions.end(), {100 + f, 0xC0FFEE00U + f, kCountersPerFunction});
        }
        std::vector<std::size_t> name_at;
        for (int i = 0; i < kObjects; ++i) {
            name_at.push_back(names.size());
            names += "/build/platform/src/module_" + std::to_string(i) + ".gcda";
            names += '\0';
        }
        for (int i = 0; i < kObjects; ++i) {
            auto *d = reinterpret_cast<gcov_object_desc *>(&descriptors[i * kDescWords]);
            d->version = covdump::test::kCompilerVersion;
            d->stamp = 0x5EED0000U + static_cast<std::uint32_t>(i);
            d->filename = names.data() + name_at[static_cast<std::size_t>(i)];
            d->n_functions = kFunctions;
            d->functions = reinterpret_cast<const gcov_fn_desc *>(functions.data());
            d->ctr_mask = 1;
            d->counts[0] = {kPerObject, &counters[std::size_t{kPerObject} * i], __gcov_merge_add};
            __gcov_init(d);
        }
        size = static_cast<std::size_t>(cflow_data_size());
    }
};

Registry &registry()
{
    static Registry r;
    return r;
}

// Throughput over `bytes` per iteration: the image size unless told otherwise.
void report(benchmark::State &state, std::size_t bytes = registry().size)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["image_bytes"] = static_cast<double>(registry().size);
}

// The exported builder: exact size, one zero-filled allocation, the image.
void BM_WriteToBuffer(benchmark::State &state)
{
    registry();
    int size = 0;
    for (auto _ : state) {
        void *image = cflow_writetobuffer(&size);
        benchmark::DoNotOptimize(image);
        std::free(image);
    }
    if (static_cast<std::size_t>(size) != registry().size) {
        state.SkipWithError("the image is not the size the memcpy yardsticks copy");
    }
    report(state);
}

// The serialisation alone, into a buffer that is already there.
void BM_WriteImageReused(benchmark::State &state)
{
    std::vector<unsigned char> out(registry().size);
    std::size_t written = 0;
    for (auto _ : state) {
        written = covdump::write_image(gcov_list, gcov_crc32, out);
        benchmark::DoNotOptimize(written);
        benchmark::ClobberMemory();
    }
    if (written != out.size()) {
        state.SkipWithError("the image is not the size the memcpy yardsticks copy");
    }
    report(state);
}

void BM_MemcpyFresh(benchmark::State &state)
{
    std::vector<unsigned char> in(registry().size, 1);
    for (auto _ : state) {
        void *out = std::calloc(in.size(), 1);
        std::memcpy(out, in.data(), in.size());
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
    report(state);
}

void BM_MemcpyReused(benchmark::State &state)
{
    std::vector<unsigned char> in(registry().size, 1);
    std::vector<unsigned char> out(registry().size);
    benchmark::DoNotOptimize(out.data()); // the copy must not be dropped
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::ClobberMemory();
    }
    report(state);
}

// The unavoidable part: gathering every counter from its object into one
// buffer, function by function, with nothing around it.
void BM_GatherCounters(benchmark::State &state)
{
    std::vector<unsigned char> out(registry().size);
    benchmark::DoNotOptimize(out.data()); // the copies must not be dropped
    for (auto _ : state) {
        unsigned char *at = out.data();
        for (const gcov_object_desc *obj = gcov_list; obj != nullptr; obj = obj->next) {
            const gcov_type *v = obj->counts[0].values;
            for (int f = 0; f < kFunctions; ++f) {
                std::memcpy(at, v, kCountersPerFunction * sizeof(gcov_type));
                at += kCountersPerFunction * sizeof(gcov_type);
                v += kCountersPerFunction;
            }
        }
        benchmark::ClobberMemory();
    }
    // Only the counters are copied, not the whole image.
    report(state, std::size_t{kObjects} * Registry::kPerObject * sizeof(gcov_type));
}

BENCHMARK(BM_WriteToBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteImageReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GatherCounters)->Unit(benchmark::kMillisecond);

} // namespace
