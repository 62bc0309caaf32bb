// The registry and the dump image, read back with the independent decoder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "crc32.hpp"
#include "fake_object.hpp"
#include "image.hpp"
#include "image_decoder.hpp"

namespace covdump::test
{
namespace
{

struct FreeDeleter {
    void operator()(void *p) const
    {
        std::free(p);
    }
};

struct Built {
    std::unique_ptr<unsigned char, FreeDeleter> data;
    int size = -1;
    DecodedImage image;
};

Built build()
{
    Built b;
    b.data.reset(static_cast<unsigned char *>(cflow_writetobuffer(&b.size)));
    if (b.data) {
        b.image = decode_image({b.data.get(), static_cast<std::size_t>(b.size)});
    }
    return b;
}

// Bit-serial long division of the message (with 32 appended zero bits) by
// the polynomial: the textbook definition, no table, no shortcut.
std::uint32_t reference_crc(std::string_view message)
{
    std::uint64_t rem = 0;
    auto shift_in = [&rem](int bit) {
        rem = (rem << 1) | static_cast<std::uint64_t>(bit);
        if ((rem & 0x100000000ULL) != 0) {
            rem ^= 0x104C11DB7ULL;
        }
    };
    for (unsigned char c : message) {
        for (int i = 7; i >= 0; --i) {
            shift_in((c >> i) & 1);
        }
    }
    for (int i = 0; i < 32; ++i) {
        shift_in(0);
    }
    return static_cast<std::uint32_t>(rem);
}

class Image : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        reset_registry();
    }
    void TearDown() override
    {
        reset_registry();
    }
};

TEST_F(Image, OneObjectWithThreeArcCounters)
{
    FakeObject obj("/build/src/main.gcda", 1, {{3}});
    obj.values(0) = {5, 0, 7};
    obj.register_it();

    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    const std::uint32_t n = static_cast<std::uint32_t>(obj.filename().size() + 1);
    EXPECT_EQ(b.size, static_cast<int>(8 + n + 8 + 148));
    EXPECT_EQ(cflow_data_size(), b.size);
    EXPECT_EQ(b.image.version, 3U);
    EXPECT_EQ(b.image.count, 1U);
    const DecodedRecord &r = b.image.records.at(0);
    EXPECT_EQ(r.name_length, n);
    EXPECT_EQ(r.name, obj.filename());
    EXPECT_EQ(r.image_length, 148U);
    EXPECT_EQ(r.magic, 0x67636461U);
    EXPECT_EQ(r.version, 0x3430322AU);
    EXPECT_EQ(r.stamp, 0x5EED1234U);
    ASSERT_EQ(r.functions.size(), 1U);
    EXPECT_EQ(r.functions[0].tag, 0x01000000U);
    EXPECT_EQ(r.functions[0].length, 2U);
    EXPECT_EQ(r.functions[0].ident, 100U);
    ASSERT_EQ(r.functions[0].counters.size(), 1U);
    EXPECT_EQ(r.functions[0].counters[0].tag, 0x01A10000U);
    EXPECT_EQ(r.functions[0].counters[0].words, (std::vector<std::uint32_t>{5, 0, 0, 0, 7, 0}));

    const DecodedSummary &o = r.object;
    EXPECT_EQ(o.tag, 0xA1000000U);
    EXPECT_EQ(o.length, 9U);
    EXPECT_EQ(o.checksum, 0U);
    EXPECT_EQ(o.num, 3U);
    EXPECT_EQ(o.runs, 1U);
    EXPECT_EQ(o.sum_all[0], 12U);
    EXPECT_EQ(o.run_max[0], 7U);
    EXPECT_EQ(o.sum_max[0], 7U);
    const DecodedSummary &p = r.program;
    EXPECT_EQ(p.tag, 0xA3000000U);
    EXPECT_EQ(p.checksum, gcov_crc32);
    EXPECT_EQ(p.num, 3U);
    EXPECT_EQ(p.runs, 1U);
    EXPECT_EQ(p.sum_all[0], 12U);
    EXPECT_EQ(p.sum_max[0], 7U);
}

TEST_F(Image, HeaderAndLengthsAreBigEndian)
{
    FakeObject obj("a.gcda", 1, {{1}});
    obj.register_it();
    const Built b = build();
    const unsigned char *d = b.data.get();
    EXPECT_EQ(std::vector<unsigned char>(d, d + 12),
              (std::vector<unsigned char>{0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 7}));
    EXPECT_EQ(std::memcmp(d + 12, "a.gcda", 7), 0);
    EXPECT_EQ(d[19] << 24 | d[20] << 16 | d[21] << 8 | d[22], 12 + 16 + 8 + 8 + 88);
}

TEST_F(Image, WideValuesKeepTheirHighWordOnlyInCounters)
{
    FakeObject obj("wide.gcda", 1, {{1}});
    obj.values(0) = {(1LL << 32) + 1};
    obj.register_it();
    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    const DecodedRecord &r = b.image.records.at(0);
    EXPECT_EQ(r.functions[0].counters[0].words, (std::vector<std::uint32_t>{1, 1}));
    EXPECT_EQ(r.object.sum_all[0], 1U);
    EXPECT_EQ(r.object.sum_all[1], 0U);
    EXPECT_EQ(r.object.run_max[1], 0U);
    EXPECT_EQ(r.program.sum_all[1], 0U);
}

TEST_F(Image, LastRegisteredIsWrittenFirstAndRunsCount)
{
    FakeObject first("first.gcda", 1, {{2}});
    first.values(0) = {1, 2};
    FakeObject second("second.gcda", 1, {{1}});
    second.values(0) = {10};
    first.register_it();
    second.register_it();
    EXPECT_EQ(cflow_data_count(), 2);
    EXPECT_EQ(_get_bb_list_head(), second.desc());

    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    ASSERT_EQ(b.image.records.size(), 2U);
    EXPECT_EQ(b.image.records[0].name, "second.gcda");
    EXPECT_EQ(b.image.records[1].name, "first.gcda");
    const DecodedSummary &p1 = b.image.records[0].program;
    const DecodedSummary &p2 = b.image.records[1].program;
    EXPECT_EQ(p1.runs, 1U);
    EXPECT_EQ(p1.num, 3U);
    EXPECT_EQ(p1.sum_all[0], 13U);
    EXPECT_EQ(p1.run_max[0], 10U);
    EXPECT_EQ(p2.runs, 2U);
    EXPECT_EQ(p2.num, 3U);
    EXPECT_EQ(p2.sum_all[0], 26U);
    EXPECT_EQ(p2.sum_max[0], 20U);
    EXPECT_EQ(b.image.records[1].object.sum_all[0], 3U);
}

TEST_F(Image, DescriptorRegisteredTwiceCountsOnce)
{
    FakeObject obj("twice.gcda", 1, {{1}});
    obj.register_it();
    const std::uint32_t crc = gcov_crc32;
    obj.register_it();
    EXPECT_EQ(cflow_data_count(), 1);
    EXPECT_EQ(gcov_crc32, crc);
    EXPECT_EQ(obj.desc()->version, 0U);
    EXPECT_EQ(obj.desc()->next, nullptr);
}

TEST_F(Image, ObjectWithoutArcCountersLeavesProgramSummaryAlone)
{
    FakeObject early("early.gcda", 1, {{1}});
    early.values(0) = {4};
    FakeObject no_arcs("noarcs.gcda", 0b10, {{2}});
    no_arcs.values(0) = {9, 9};
    FakeObject late("late.gcda", 1, {{1}});
    late.values(0) = {6};
    early.register_it();
    no_arcs.register_it();
    late.register_it();

    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    const DecodedRecord &middle = b.image.records.at(1);
    EXPECT_EQ(middle.name, "noarcs.gcda");
    const DecodedSummary &o = middle.object;
    EXPECT_EQ(o.num + o.runs + o.sum_all[0] + o.run_max[0] + o.sum_max[0], 0U);
    EXPECT_EQ(middle.program.runs, 1U);
    EXPECT_EQ(middle.program.sum_all[0], 10U);
    EXPECT_EQ(middle.functions[0].counters[0].tag, 0x01A10000U + (1U << 17));
    EXPECT_EQ(b.image.records.at(2).program.runs, 2U);
    EXPECT_EQ(b.image.records.at(2).program.num, 2U);
}

TEST_F(Image, SummaryFollowsTheArcCountersEvenWhenFunctionsDisagree)
{
    FakeObject obj("odd.gcda", 1, {{3}});
    obj.values(0) = {5, 0, 7};
    obj.desc()->counts[0].num = 2; // the functions claim one counter more
    obj.register_it();
    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    const DecodedRecord &r = b.image.records.at(0);
    EXPECT_EQ(r.functions[0].counters[0].words.size(), 6U);
    EXPECT_EQ(r.object.num, 2U);
    EXPECT_EQ(r.object.sum_all[0], 5U);
    EXPECT_EQ(r.object.run_max[0], 5U);
    EXPECT_EQ(r.program.num, 2U);
}

TEST_F(Image, SummariesSeeEveryCounterWhereverTheLargestSits)
{
    // Odd and even counts, the largest value first, last, in the middle of
    // a pair, negative values, and a function whose counters are all below 0.
    FakeObject obj("/sums/object.gcda", 1, {{5}, {2}, {1}, {0}, {4}, {3}});
    obj.values(0) = {3, -8, 1, 2, 40, 7, 41, -5, -1, -2, -3, -12, -4, 9, 44};
    FakeObject negative("/sums/negative.gcda", 1, {{3}});
    negative.values(0) = {-1, -7, -2};
    negative.register_it();
    obj.register_it();

    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    const DecodedSummary &o = b.image.records.at(0).object;
    EXPECT_EQ(o.num, 15U);
    EXPECT_EQ(o.sum_all[0], 112U);
    EXPECT_EQ(o.run_max[0], 44U);
    EXPECT_EQ(o.sum_max[0], 44U);
    const DecodedSummary &n = b.image.records.at(1).object;
    EXPECT_EQ(n.sum_all[0], static_cast<std::uint32_t>(-10));
    EXPECT_EQ(n.run_max[0], 0U); // the largest value starts from 0
    const DecodedSummary &p = b.image.records.at(1).program;
    EXPECT_EQ(p.runs, 2U);
    EXPECT_EQ(p.num, 18U);
    EXPECT_EQ(p.sum_all[0], 2U * 102U);
    EXPECT_EQ(p.sum_max[0], 2U * 44U);
}

TEST_F(Image, ReusedBufferGetsTheSameBytesAsAFreshOne)
{
    FakeObject first("/reuse/first.gcda", 0b11, {{2, 1}, {3, 0}});
    first.values(0) = {1, 2, 3, 4, 5};
    first.values(1) = {6};
    FakeObject no_arcs("/reuse/noarcs.gcda", 0b100, {{2}});
    no_arcs.values(0) = {7, 8};
    first.register_it();
    no_arcs.register_it();

    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    const auto size = static_cast<std::size_t>(b.size);
    std::vector<unsigned char> reused(size, 0xFF);
    EXPECT_EQ(write_image(gcov_list, gcov_crc32, reused), size);
    EXPECT_EQ(std::memcmp(reused.data(), b.data.get(), size), 0);
}

TEST_F(Image, PresentKindWithoutCountersHasNoValuesToCopy)
{
    FakeObject obj("/empty/kind.gcda", 0b11, {{2, 0}, {1, 0}});
    obj.values(0) = {4, 5, 6};
    obj.desc()->counts[1].values = nullptr; // nothing was allocated for it
    obj.register_it();
    const Built b = build();
    ASSERT_TRUE(b.image.error.empty()) << b.image.error;
    const DecodedRecord &r = b.image.records.at(0);
    ASSERT_EQ(r.functions.size(), 2U);
    EXPECT_EQ(r.functions[1].counters.at(1).length, 0U);
    EXPECT_TRUE(r.functions[1].counters[1].words.empty());
    EXPECT_EQ(r.object.sum_all[0], 15U);
}

TEST_F(Image, EmptyRegistryGivesNoImage)
{
    int size = 99;
    EXPECT_EQ(cflow_writetobuffer(&size), nullptr);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(cflow_data_count(), 0);
    EXPECT_EQ(cflow_data_size(), 8);
    EXPECT_EQ(dat_file_header_size, 8);
    EXPECT_EQ(cflow_version, 3);
}

TEST_F(Image, RegistryHeadAccessors)
{
    FakeObject obj("head.gcda", 1, {{1}});
    obj.register_it();
    EXPECT_EQ(*_get_bb_list_head_addr(), obj.desc());
    EXPECT_EQ(_get_bb_list_head_addr(), &gcov_list);
    const std::uint32_t crc = gcov_crc32;
    _clear_bb_list_head();
    EXPECT_EQ(gcov_list, nullptr);
    EXPECT_EQ(gcov_crc32, crc);
}

TEST_F(Image, UnregisteredVersionZeroIsIgnored)
{
    FakeObject obj("zero.gcda", 1, {{1}});
    obj.desc()->version = 0;
    obj.register_it();
    EXPECT_EQ(gcov_list, nullptr);
    EXPECT_EQ(gcov_crc32, 0U);
}

TEST(Crc, MatchesTheKnownCheckValue)
{
    EXPECT_EQ(crc32_continue(0, "123456789"), 0x89A1897FU);
    EXPECT_EQ(reference_crc("123456789"), 0x89A1897FU);
}

TEST_F(Image, ChecksumRunsOverNamesWithTheirNul)
{
    FakeObject a("/x/a.gcda", 1, {{1}});
    FakeObject b("/x/bb.gcda", 1, {{1}});
    a.register_it();
    b.register_it();
    EXPECT_EQ(gcov_crc32, reference_crc(std::string_view("/x/a.gcda\0/x/bb.gcda\0", 21)));
}

// Mixed counter kinds: the size is exact and every block sits where the
// decoder expects it.
struct KindMix {
    std::uint32_t mask;
    std::vector<std::vector<std::uint32_t>> counts;
};

class ImageKinds : public ::testing::TestWithParam<KindMix>
{
  protected:
    void SetUp() override
    {
        reset_registry();
    }
    void TearDown() override
    {
        reset_registry();
    }
};

TEST_P(ImageKinds, SizeIsExactAndBlocksFollowTheFunctions)
{
    const KindMix &mix = GetParam();
    FakeObject obj("/mixed/object.gcda", mix.mask, mix.counts);
    FakeObject other("/mixed/other.gcda", 1, {{2}, {0}});
    const int kinds = std::popcount(mix.mask);
    for (int j = 0; j < kinds; ++j) {
        for (std::size_t i = 0; i < obj.values(j).size(); ++i) {
            obj.values(j)[i] = (j + 1) * 1000 + static_cast<int>(i);
        }
    }
    other.register_it();
    obj.register_it();

    const auto size = static_cast<std::size_t>(image_size(gcov_list));
    EXPECT_EQ(static_cast<std::size_t>(cflow_data_size()), size);
    std::vector<unsigned char> buf(size + 32, 0xAA);
    EXPECT_EQ(write_image(gcov_list, gcov_crc32, buf), size);
    EXPECT_EQ(std::vector<unsigned char>(buf.begin() + static_cast<long>(size), buf.end()),
              std::vector<unsigned char>(32, 0xAA));
    const DecodedImage image = decode_image({buf.data(), size});
    ASSERT_TRUE(image.error.empty()) << image.error;
    const DecodedRecord &r = image.records.at(0);
    ASSERT_EQ(r.functions.size(), mix.counts.size());
    std::vector<std::size_t> next(static_cast<std::size_t>(kinds), 0);
    for (std::size_t f = 0; f < mix.counts.size(); ++f) {
        ASSERT_EQ(r.functions[f].counters.size(), static_cast<std::size_t>(kinds));
        int j = 0;
        for (std::uint32_t t = 0; t < 5; ++t) {
            if ((mix.mask & (1U << t)) == 0) {
                continue;
            }
            const DecodedCounters &c = r.functions[f].counters[static_cast<std::size_t>(j)];
            EXPECT_EQ(c.tag, 0x01A10000U + (t << 17));
            EXPECT_EQ(c.length, 2 * mix.counts[f][static_cast<std::size_t>(j)]);
            for (std::size_t w = 0; w < c.words.size(); w += 2) {
                auto &cursor = next[static_cast<std::size_t>(j)];
                EXPECT_EQ(c.words[w], static_cast<std::uint32_t>(obj.values(j)[cursor++]));
            }
            ++j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, ImageKinds,
                         ::testing::Values(KindMix{1, {{3}}}, KindMix{0b11, {{2, 1}, {0, 4}}},
                                           KindMix{0b10101, {{1, 2, 3}, {4, 0, 1}, {0, 0, 0}}},
                                           KindMix{0b11111, {{1, 1, 1, 1, 1}, {2, 0, 3, 0, 1}}},
                                           KindMix{0b10100, {{2, 5}}}, KindMix{1, {}}));

} // namespace
} // namespace covdump::test
