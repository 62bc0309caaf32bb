// A registry of 2,000 objects with 1,000,000 arc counters in all (ten
// functions of 50 counters each per object), serialised into its dump
// image; memcpy of the same number of bytes is the yardstick. The same
// registry of GCC 12 objects, and the registration of its 2,000 objects.
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
    gcov_object_desc *head = nullptr;
    std::uint32_t crc = 0;

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
        head = gcov_list;
        crc = gcov_crc32;
    }
    void activate() const
    {
        gcov_list = head;
        gcov_crc32 = crc;
    }
};

// The GCC 12 layout of the same program: per object a descriptor, ten
// function records and the table of pointers to them.
struct Gcc12Registry {
    // One function record with its one counter set, in pointer-aligned words.
    static constexpr std::size_t kFnWords =
        (sizeof(gcov12_fn_desc) + sizeof(gcov12_ctr_desc) + 7) / 8;
    std::vector<gcov_type> counters;
    std::string names;
    std::vector<gcov12_object_desc> descriptors;
    std::vector<std::uint64_t> functions;
    std::vector<const gcov12_fn_desc *> pointers;
    std::size_t size = 0;
    gcov_object_desc *head = nullptr;

    Gcc12Registry()
        : counters(std::size_t{kObjects} * Registry::kPerObject), descriptors(kObjects),
          functions(std::size_t{kObjects} * kFunctions * kFnWords),
          pointers(std::size_t{kObjects} * kFunctions)
    {
        gcov_type v = 1;
        for (gcov_type &c : counters) {
            c = (v = v * 6364136223846793005LL + 1442695040888963407LL) & 0xFFFFF;
        }
        std::vector<std::size_t> name_at;
        for (int i = 0; i < kObjects; ++i) {
            name_at.push_back(names.size());
            names += "/build/platform/src/module_" + std::to_string(i) + ".gcda";
            names += '\0';
        }
        for (std::size_t i = 0; i < kObjects; ++i) {
            gcov12_object_desc &d = descriptors[i];
            d.version = covdump::test::kGcc12Version;
            d.stamp = 0x5EED0000U + static_cast<std::uint32_t>(i);
            d.checksum = 0xC4EC0000U + static_cast<std::uint32_t>(i);
            d.filename = names.data() + name_at[i];
            d.merge[0] = __gcov_merge_add;
            d.n_functions = kFunctions;
            d.functions = &pointers[i * kFunctions];
            for (std::size_t f = 0; f < kFunctions; ++f) {
                const std::size_t at = i * kFunctions + f;
                auto *fn = reinterpret_cast<gcov12_fn_desc *>(&functions[at * kFnWords]);
                fn->key = &d;
                fn->ident = 100 + static_cast<std::uint32_t>(f);
                fn->lineno_checksum = 0x11110000U;
                fn->cfg_checksum = 0x22220000U;
                fn->ctrs[0] = {kCountersPerFunction, &counters[at * kCountersPerFunction]};
                pointers[at] = fn;
            }
        }
        register_all();
        size = static_cast<std::size_t>(cflow_data_size());
    }
    void register_all()
    {
        covdump::test::reset_registry();
        for (gcov12_object_desc &d : descriptors) {
            d.next = nullptr;
            __gcov_init(reinterpret_cast<gcov_object_desc *>(&d));
        }
        head = gcov_list;
    }
    void activate() const
    {
        gcov_list = head;
    }
};

Gcc12Registry &gcc12_registry()
{
    static Gcc12Registry r;
    return r;
}

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
    registry().activate();
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
    registry().activate();
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
    registry().activate();
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

// The same counters as GCC 12 objects: exact size, room, the image.
void BM_Gcc12WriteToBuffer(benchmark::State &state)
{
    const Gcc12Registry &r = gcc12_registry();
    r.activate();
    int size = 0;
    for (auto _ : state) {
        void *image = cflow_writetobuffer(&size);
        benchmark::DoNotOptimize(image);
        std::free(image);
    }
    if (static_cast<std::size_t>(size) != r.size) {
        state.SkipWithError("the image is not the size cflow_data_size gave");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.size));
    state.counters["image_bytes"] = static_cast<double>(r.size);
}

// Registering the 2,000 GCC 12 objects at load time, each checked against
// the registry so far.
void BM_Gcc12Register(benchmark::State &state)
{
    Gcc12Registry &r = gcc12_registry();
    for (auto _ : state) {
        r.register_all();
        benchmark::ClobberMemory();
    }
    state.counters["objects"] = kObjects;
}

BENCHMARK(BM_WriteToBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteImageReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GatherCounters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gcc12WriteToBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gcc12Register)->Unit(benchmark::kMillisecond);

} // namespace
