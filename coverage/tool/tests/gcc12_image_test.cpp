// GCC 12 data images built by hand: every counter kind's merge rule, and
// all-zero blocks stored as a length alone.
#include <array>

#include "dump_fixture.hpp"
#include "image.hpp"

namespace covtool::test
{
namespace
{

using Counters = std::array<std::vector<std::int64_t>, kGcc12Kinds>;

void word(Bytes &b, std::uint32_t v, bool big_endian = false)
{
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<unsigned char>(v >> (big_endian ? 24 - 8 * i : 8 * i)));
    }
}

// A dump of one object with one function holding every kind, written as
// GCC 12's runtime writes it.
Bytes gcc12_dump(const Counters &kinds, std::uint32_t runs, std::uint32_t sum_max)
{
    Bytes image;
    for (const std::uint32_t w : {kMagic, 0x4232322AU, 0x1234U, 0xC0DEU, kTagObjectSummary, 8U,
                                  runs, sum_max, kTagFunction, 12U, 7U, 0xAAU, 0xBBU}) {
        word(image, w);
    }
    for (unsigned k = 0; k < kGcc12Kinds; ++k) {
        word(image, counter_tag(k));
        const auto &v = kinds[k];
        const bool zero = !is_topn(Family::gcc12, k) &&
                          std::all_of(v.begin(), v.end(), [](std::int64_t x) { return x == 0; });
        word(image, static_cast<std::uint32_t>(zero ? -8 * std::ssize(v) : 8 * std::ssize(v)));
        for (const std::int64_t x : zero ? std::vector<std::int64_t>{} : v) {
            word(image, static_cast<std::uint32_t>(x));
            word(image, static_cast<std::uint32_t>(static_cast<std::uint64_t>(x) >> 32));
        }
    }
    word(image, 0);
    const std::string name = "/obj.gcda";
    Bytes dump;
    word(dump, 3, true);
    word(dump, 1, true);
    word(dump, static_cast<std::uint32_t>(name.size() + 1), true);
    dump.insert(dump.end(), name.begin(), name.end() + 1);
    word(dump, static_cast<std::uint32_t>(image.size()), true);
    dump.insert(dump.end(), image.begin(), image.end());
    return dump;
}

// A topn counter that tracks `n` values 1..n, each seen `count` times.
std::vector<std::int64_t> topn(std::int64_t total, int n, std::int64_t count)
{
    std::vector<std::int64_t> v = {total, n};
    for (int i = 1; i <= n; ++i) {
        v.insert(v.end(), {i, count});
    }
    return v;
}

TEST_F(LibraryDump, Gcc12KindsMergeByTheirRules)
{
    Counters first, second, expected;
    first[0] = {1, 0, (1LL << 32) + 5};
    second[0] = {2, 0, 1};
    expected[0] = {3, 0, (1LL << 32) + 6};
    first[1] = {0, 0};
    second[1] = {4, 5};
    expected[1] = {4, 5};
    first[2] = second[2] = expected[2] = {0};
    first[5] = {10, 2};
    second[5] = {20, 3};
    expected[5] = {30, 5};
    first[6] = {0x0F};
    second[6] = {0xF0};
    expected[6] = {0xFF};
    // Time profiles keep the earliest visit of any run that made one.
    first[7] = {0, 5, 3};
    second[7] = {4, 0, 2};
    expected[7] = {4, 5, 2};
    // Topn: a full counter (32 values) makes way for a new value once its
    // least count, less one, is below the new count; the total turns
    // negative. A new value that does not beat it still marks the loss.
    first[3] = topn(64, 32, 2);
    second[3] = {9, 1, 99, 5};
    expected[3] = topn(-73, 32, 2);
    expected[3][2] = 99;
    expected[3][3] = 5;
    first[4] = topn(3, 32, 3);
    second[4] = {1, 1, 77, 1};
    expected[4] = topn(-4, 32, 3);
    expected[4][3] = 2;

    const Bytes a = gcc12_dump(first, 1, 7), b = gcc12_dump(second, 2, 9);
    const Bytes merged = merge({&a, &b});
    EXPECT_EQ(merged, gcc12_dump(expected, 3, 16));
    EXPECT_EQ(merge({&a}), a);
}

TEST_F(LibraryDump, Gcc12ListShowsTheLayout)
{
    Counters kinds;
    kinds[0] = {0, 3};
    EXPECT_EQ(list(gcc12_dump(kinds, 1, 3)),
              "dump: container version 3, 1 records\n"
              "/obj.gcda\n"
              "  version B22* (GCC 12), stamp 0x00001234, checksum 0x0000c0de, 1 functions\n"
              "  counters: arcs 2, interval 0, pow2 0, topn 0, indirect_call 0, average 0, "
              "ior 0, time_profiler 0\n"
              "  arcs: 1 of 2 non-zero, sum 3, max 3\n");
}

} // namespace
} // namespace covtool::test
