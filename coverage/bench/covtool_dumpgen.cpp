// Writes one dump of the coverage benchmark's shape (2,000 objects, ten
// functions of 50 arc counters each) with the library's own image writer:
//
//   covtool_dumpgen OUT SEED
//
// The counters differ from seed to seed; names, stamps and shapes do not,
// so dumps of different seeds merge.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_object.hpp"

namespace
{

constexpr int kObjects = 2000;
constexpr int kFunctions = 10;
constexpr std::uint32_t kCounters = 50;

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: covtool_dumpgen OUT SEED\n");
        return 2;
    }
    std::uint64_t state = std::strtoull(argv[2], nullptr, 10) * 2654435761U + 1;
    covdump::test::reset_registry();
    std::vector<std::unique_ptr<covdump::test::FakeObject>> objects;
    for (int i = 0; i < kObjects; ++i) {
        auto &o = objects.emplace_back(std::make_unique<covdump::test::FakeObject>(
            "/build/platform/src/module_" + std::to_string(i) + ".gcda", 1U,
            std::vector<std::vector<std::uint32_t>>(kFunctions, {kCounters}),
            0x5EED0000U + static_cast<std::uint32_t>(i)));
        for (gcov_type &v : o->values(0)) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            v = static_cast<gcov_type>((state >> 33) & 0xFFFF);
        }
        o->register_it();
    }
    int size = 0;
    void *image = cflow_writetobuffer(&size);
    std::FILE *out = std::fopen(argv[1], "wb");
    const bool ok = image != nullptr && out != nullptr &&
                    std::fwrite(image, static_cast<std::size_t>(size), 1, out) == 1;
    std::free(image);
    if (out == nullptr || std::fclose(out) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
