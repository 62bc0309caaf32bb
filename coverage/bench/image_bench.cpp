// A registry of 2,000 objects with 1,000,000 arc counters in all (ten
// functions of 50 counters each per object), serialised into its dump
// image; memcpy of the same number of bytes is the yardstick.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fake_object.hpp"
#include "image.hpp"

namespace
{

constexpr int kObjects = 2000;
constexpr int kFunctions = 10;
constexpr std::uint32_t kCountersPerFunction = 50;

struct Registry {
    std::vector<std::unique_ptr<covdump::test::FakeObject>> objects;
    std::size_t size = 0;

    Registry()
    {
        covdump::test::reset_registry();
        for (int i = 0; i < kObjects; ++i) {
            auto obj = std::make_unique<covdump::test::FakeObject>(
                "/build/platform/src/module_" + std::to_string(i) + ".gcda", 1,
                std::vector<std::vector<std::uint32_t>>(kFunctions, {kCountersPerFunction}));
            gcov_type v = i;
            for (gcov_type &c : obj->values(0)) {
                c = (v = v * 6364136223846793005LL + 1442695040888963407LL) & 0xFFFFF;
            }
            obj->register_it();
            objects.push_back(std::move(obj));
        }
        size = static_cast<std::size_t>(cflow_data_size());
    }
};

Registry &registry()
{
    static Registry r;
    return r;
}

void report(benchmark::State &state)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * registry().size));
    state.counters["image_bytes"] = static_cast<double>(registry().size);
}

// The exported builder: exact size, one zero-filled allocation, the image.
void BM_WriteToBuffer(benchmark::State &state)
{
    registry();
    for (auto _ : state) {
        int size = 0;
        void *image = cflow_writetobuffer(&size);
        benchmark::DoNotOptimize(image);
        std::free(image);
    }
    report(state);
}

// The serialisation alone, into a buffer that is already there.
void BM_WriteImageReused(benchmark::State &state)
{
    std::vector<unsigned char> out(registry().size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(covdump::write_image(gcov_list, gcov_crc32, out));
        benchmark::ClobberMemory();
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
    report(state);
}

BENCHMARK(BM_WriteToBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteImageReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GatherCounters)->Unit(benchmark::kMillisecond);

} // namespace
