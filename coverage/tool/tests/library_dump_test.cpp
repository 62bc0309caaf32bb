// Round trips of dumps the library writes: merge rebuilds what the library
// would have written for the summed run, list and diff read them.
#include "bad_input.hpp"
#include "dump_fixture.hpp"
#include "image_decoder.hpp"

namespace covtool::test
{
namespace
{

using covdump::test::FakeObject;

constexpr std::uint32_t kArcs = 1U << 0;
constexpr std::uint32_t kAddKinds = 0x7;  // arcs, interval, pow2
constexpr std::uint32_t kAllKinds = 0x1F; // and single value, delta

void fill(std::vector<gcov_type> &values, gcov_type first, gcov_type step)
{
    for (gcov_type &v : values) {
        v = first;
        first += step;
    }
}

TEST_F(LibraryDump, MergeOfOneDumpReproducesItByteForByte)
{
    FakeObject &all = add("/build/src/all.gcda", kAllKinds, {{3, 2, 2, 3, 4}, {0, 1, 1, 6, 8}});
    fill(all.values(0), (1LL << 32) + 1, 7);
    fill(all.values(3), 9, -4);
    add("/build/src/no_arcs.gcda", 1U << 3, {{3}});
    add("/build/src/empty.gcda", kArcs, {});
    FakeObject &last = add("/build/src/last.gcda", kArcs, {{4}});
    fill(last.values(0), 0, 1);
    const Bytes one = dump();
    EXPECT_EQ(merge({&one}), one);
}

// Two runs of the same objects merge into what the library writes when the
// counters hold both runs: counters, object and program summaries.
TEST_F(LibraryDump, AddingKindsMergeIntoTheDumpOfTheSummedRun)
{
    FakeObject &a = add("/build/src/a.gcda", kAddKinds, {{3, 1, 2}, {2, 2, 1}});
    FakeObject &b = add("/build/src/b.gcda", kArcs, {{5}});
    add("/build/src/c.gcda", 1U << 2, {{2}});
    auto set_run = [&](gcov_type base) {
        for (int j = 0; j < 3; ++j) {
            fill(a.values(j), base + j, 3);
        }
        fill(b.values(0), base * 10, base);
    };
    set_run(1);
    const Bytes run1 = dump();
    set_run(100);
    const Bytes run2 = dump();
    set_run(101);
    for (int j = 0; j < 3; ++j) {
        fill(a.values(j), 101 + 2 * j, 6);
    }
    fill(b.values(0), 1010, 101);
    EXPECT_EQ(merge({&run1, &run2}), dump());
}

// Single-value triples (value, count, total) and delta quadruples (last,
// value, count, total): the first dump plays the counters in memory, the
// second the file read back.
TEST_F(LibraryDump, SingleValueAndDeltaCountersFollowTheirRules)
{
    FakeObject &o = add("/build/src/values.gcda", (1U << 3) | (1U << 4), {{12, 8}});
    o.values(0) = {7, 5, 10, /**/ 7, 5, 10, /**/ 7, 2, 10, /**/ 9, 3, 4};
    o.values(1) = {100, 7, 5, 10, /**/ 100, 7, 5, 10};
    const Bytes memory = dump();
    o.values(0) = {7, 3, 1, /**/ 8, 6, 1, /**/ 8, 1, 1, /**/ 8, 3, 4};
    o.values(1) = {200, 8, 6, 1, /**/ 200, 7, 2, 1};
    const Bytes file = dump();
    o.values(0) = {7, 8, 11, /**/ 8, 1, 11, /**/ 7, 1, 11, /**/ 9, 0, 8};
    o.values(1) = {100, 8, 1, 11, /**/ 100, 7, 7, 11};
    EXPECT_EQ(merge({&memory, &file}), dump());
}

// Objects are matched by name whatever their order; objects only a later
// dump holds follow those of the first.
TEST_F(LibraryDump, ObjectsMatchByNameInAnyOrder)
{
    FakeObject &x = add("/x.gcda", kArcs, {{2}});
    FakeObject &y = add("/y.gcda", kArcs, {{2}});
    x.values(0) = {1, 2};
    y.values(0) = {3, 4};
    const Bytes first = dump(); // y, then x
    covdump::test::reset_registry();
    add("/z.gcda", kArcs, {{1}}).values(0) = {5};
    FakeObject &x2 = add("/x.gcda", kArcs, {{2}});
    x2.values(0) = {10, 20};
    const Bytes second = dump(); // x, then z

    const Bytes merged = merge({&first, &second});
    const auto image = covdump::test::decode_image(merged);
    ASSERT_EQ(image.error, "");
    ASSERT_EQ(image.records.size(), 3U);
    EXPECT_EQ(image.records[0].name, "/y.gcda");
    EXPECT_EQ(image.records[1].name, "/x.gcda");
    EXPECT_EQ(image.records[2].name, "/z.gcda");
    EXPECT_EQ(image.records[1].functions[0].counters[0].words,
              (std::vector<std::uint32_t>{11, 0, 22, 0}));
    EXPECT_EQ(image.records[1].object.sum_all[0], 33U);
    // Three records with arc counters: the last carries three runs.
    EXPECT_EQ(image.records[2].program.runs, 3U);
    EXPECT_EQ(image.records[2].program.sum_all[0], 3U * (3 + 4 + 33 + 5));
}

TEST_F(LibraryDump, MismatchStopsTheMergeUnlessLeftOut)
{
    add("/build/src/a.gcda", kArcs, {{2}}, 0x1111).values(0) = {1, 1};
    const Bytes first = dump();
    covdump::test::reset_registry();
    add("/build/src/a.gcda", kArcs, {{2}}, 0x2222).values(0) = {5, 5};
    const Bytes second = dump();

    try {
        merge({&first, &second});
        FAIL() << "merged objects of different stamps";
    } catch (const Failure &e) {
        EXPECT_STREQ(e.what(), "/build/src/a.gcda: dump2 does not match dump1: "
                               "stamp 0x00001111 against 0x00002222");
    }
    std::string messages;
    EXPECT_EQ(merge({&first, &second}, true, &messages), merge({&first}));
    EXPECT_EQ(messages, "covtool: /build/src/a.gcda: dump2 does not match dump1: "
                        "stamp 0x00001111 against 0x00002222 (left out)\n");
}

TEST_F(LibraryDump, ListShowsObjectsAndFunctions)
{
    FakeObject &o = add("/build/src/a.gcda", kArcs | (1U << 3), {{3, 3}, {2, 0}});
    o.values(0) = {0, 4, 9, 0, 0};
    EXPECT_EQ(list(dump(), {false, true}),
              "dump: container version 3, 1 records\n"
              "/build/src/a.gcda\n"
              "  version 402* (GCC 4 series), stamp 0x5eed1234, 2 functions\n"
              "  counters: arcs 5, single 3\n"
              "  arcs: 2 of 5 non-zero, sum 13, max 9\n"
              "  function 100: checksum 0xc0ffee65, arcs 2 of 3 non-zero\n"
              "  function 101: checksum 0xc0ffee66, arcs 0 of 2 non-zero\n");
    EXPECT_EQ(list(dump(), {true, false}),
              "{\"file\":\"dump\",\"container_version\":3,\"records\":1,\"objects\":["
              "{\"name\":\"/build/src/a.gcda\",\"version\":\"402*\",\"layout\":\"gcc4\","
              "\"stamp\":1592594996,\"functions\":2,\"counters\":{\"arcs\":5,\"single\":3},"
              "\"arcs\":{\"nonzero\":2,\"total\":5,\"sum\":13,\"max\":9}}]}\n");
}

TEST_F(LibraryDump, DiffNamesFunctionsReachedInOneRunOnly)
{
    FakeObject &o = add("/build/src/a.gcda", kArcs, {{1}, {1}, {1}});
    o.values(0) = {1, 0, 2};
    const Bytes a = dump();
    o.values(0) = {0, 3, 2};
    add("/build/src/b.gcda", kArcs, {{1}}).values(0) = {1};
    const Bytes b = dump();
    std::ostringstream out, err;
    EXPECT_EQ(diff_dumps(MemorySource("a", a), MemorySource("b", b), false, out, err), 0);
    EXPECT_EQ(out.str(), "/build/src/a.gcda\n"
                         "  reached only in A: function 100\n"
                         "  reached only in B: function 101\n"
                         "/build/src/b.gcda\n"
                         "  reached only in B: function 100\n");
}

} // namespace
} // namespace covtool::test
