// GCC 12 descriptors: the version dispatch, what is refused, and the parts
// of the data image the comparison with GCC's own runtime cannot reach.
#include <cstdlib>
#include <string>

#include "image_decoder.hpp"
#include "sandbox.hpp"

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

DecodedImage build(int *size_out = nullptr)
{
    int size = -1;
    const std::unique_ptr<unsigned char, FreeDeleter> data(
        static_cast<unsigned char *>(cflow_writetobuffer(&size)));
    if (size_out != nullptr) {
        *size_out = size;
    }
    return data ? decode_image({data.get(), static_cast<std::size_t>(size)}) : DecodedImage{};
}

std::size_t registry_length()
{
    std::size_t n = 0;
    for (const gcov_object_desc *obj = gcov_list; obj != nullptr && n < 100; obj = obj->next) {
        ++n;
    }
    return n;
}

class Gcc12 : public Sandbox
{
};

TEST_F(Gcc12, RegisteredOnceUnderItsOwnVersion)
{
    FakeObject12 first("/g12/first.gcda", 1, {{1}});
    FakeObject12 second("/g12/second.gcda", 1, {{1}});
    first.register_it();
    second.register_it();
    const std::uint32_t crc = gcov_crc32;
    first.register_it();
    second.register_it();
    EXPECT_EQ(registry_length(), 2U);
    EXPECT_EQ(cflow_data_count(), 2);
    EXPECT_EQ(gcov_crc32, crc);
    EXPECT_EQ(first.desc()->version, kGcc12Version); // tells the layout to registry walkers
    EXPECT_EQ(first.desc()->next, nullptr);
}

TEST_F(Gcc12, DataImageAsGccWritesIt)
{
    FakeObject12 obj("/g12/main.gcda", 1, {{3}, {2}});
    obj.values(0, 0) = {5, 0, (1LL << 32) + 7};
    obj.register_it();
    int size = 0;
    const DecodedImage image = build(&size);
    ASSERT_TRUE(image.error.empty()) << image.error;
    EXPECT_EQ(size, cflow_data_size());
    const DecodedRecord &r = image.records.at(0);
    EXPECT_EQ(r.name, "/g12/main.gcda");
    EXPECT_TRUE(r.gcc12);
    EXPECT_EQ(r.image_length, 16U + 16 + (8 + 12 + 8 + 24) + (8 + 12 + 8) + 4);
    EXPECT_EQ(r.magic, 0x67636461U);
    EXPECT_EQ(r.version, kGcc12Version);
    EXPECT_EQ(r.stamp, 0x5EED1234U);
    EXPECT_EQ(r.g12.checksum, obj.desc()->checksum);
    EXPECT_EQ(r.g12.summary_tag, 0xA1000000U);
    EXPECT_EQ(r.g12.summary_length, 8U);
    EXPECT_EQ(r.g12.runs, 1U);
    EXPECT_EQ(r.g12.run_max, 7U); // one word: the low half
    ASSERT_EQ(r.functions.size(), 2U);
    const DecodedFunction &f0 = r.functions[0];
    EXPECT_EQ(f0.length, 12U);
    EXPECT_EQ(f0.ident, obj.function(0)->ident);
    EXPECT_EQ(f0.checksum, obj.function(0)->lineno_checksum);
    EXPECT_EQ(f0.cfg_checksum, obj.function(0)->cfg_checksum);
    EXPECT_EQ(f0.counters.at(0).tag, 0x01A10000U);
    EXPECT_EQ(f0.counters[0].length, 24U);
    EXPECT_EQ(f0.counters[0].words, (std::vector<std::uint32_t>{5, 0, 0, 0, 7, 1}));
    // Counters that are all zero: their negated length, no counters.
    EXPECT_EQ(r.functions[1].counters.at(0).length, 0U - 16U);
    EXPECT_TRUE(r.functions[1].counters[0].words.empty());
    EXPECT_EQ(r.g12.end, 0U);
}

TEST_F(Gcc12, SizeFollowsTheCountersAndStaysExact)
{
    FakeObject12 obj("/g12/size.gcda", 0b101, {{4, 2}});
    obj.register_it();
    const int zeros = cflow_data_size();
    obj.values(0, 1) = {0, 9};
    EXPECT_EQ(cflow_data_size(), zeros + 16);
    obj.values(0, 0) = {0, 0, 0, 1};
    int size = 0;
    const DecodedImage image = build(&size);
    ASSERT_TRUE(image.error.empty()) << image.error;
    EXPECT_EQ(size, zeros + 16 + 32);
    EXPECT_EQ(size, cflow_data_size());
    EXPECT_EQ(image.records.at(0).functions.at(0).counters.at(1).tag, 0x01A10000U + (2U << 17));
}

TEST_F(Gcc12, RunMaximumCoversEveryFunctionOfEveryObject)
{
    FakeObject12 a("/g12/a.gcda", 1, {{1}});
    FakeObject12 b("/g12/b.gcda", 1, {{2}, {1}});
    a.values(0, 0) = {3};
    b.values(0, 0) = {1, 2};
    b.values(1, 0) = {40};
    // b's second record is a copy kept from a: written by a, empty in b,
    // yet its counters count for the run.
    b.function(1)->key = a.desc();
    a.register_it();
    b.register_it();
    const DecodedImage image = build();
    ASSERT_TRUE(image.error.empty()) << image.error;
    ASSERT_EQ(image.records.size(), 2U);
    EXPECT_EQ(image.records[0].g12.run_max, 40U);
    EXPECT_EQ(image.records[1].g12.run_max, 40U);
    const DecodedFunction &shared = image.records[0].functions.at(1);
    EXPECT_EQ(shared.length, 0U);
    EXPECT_TRUE(shared.counters.empty());
}

TEST_F(Gcc12, EachLayoutTotalsItsOwnObjects)
{
    FakeObject old("/g4/old.gcda", 1, {{1}});
    old.values(0) = {10};
    FakeObject12 now("/g12/now.gcda", 1, {{1}});
    now.values(0, 0) = {50};
    old.register_it();
    now.register_it();
    const DecodedImage image = build();
    ASSERT_TRUE(image.error.empty()) << image.error;
    EXPECT_EQ(image.records.at(0).g12.run_max, 50U);
    const DecodedSummary &program = image.records.at(1).program;
    EXPECT_EQ(program.num, 1U);
    EXPECT_EQ(program.sum_all[0], 10U);
    EXPECT_EQ(program.run_max[0], 10U);
    // The checksum runs over every registered name.
    EXPECT_EQ(program.checksum, gcov_crc32);
}

TEST_F(Gcc12, ClearZeroesArcCountersOnly)
{
    FakeObject12 obj("/g12/clear.gcda", 0b101, {{2, 1}});
    obj.values(0, 0) = {4, 5};
    obj.values(0, 1) = {6};
    obj.register_it();
    cflow_clear();
    EXPECT_EQ(obj.values(0, 0), (std::vector<gcov_type>{0, 0}));
    EXPECT_EQ(obj.values(0, 1), std::vector<gcov_type>{6});
}

class Refused : public Sandbox
{
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        card7_ready();
    }
    static std::vector<std::string> registration_log()
    {
        return fake::lines_of(std::string(kCard7Logs) + "process_registration.log");
    }
};

TEST_F(Refused, OtherVersionsAreNotedOnce)
{
    FakeObject later("/v/later.gcda", 1, {{1}});
    later.desc()->version = 0x4233312A; // "B31*"
    FakeObject early("/v/early.gcda", 1, {{1}});
    early.desc()->version = 0x3330342A; // "304*"
    later.register_it();
    early.register_it();
    EXPECT_EQ(gcov_list, nullptr);
    EXPECT_EQ(gcov_crc32, 0U);
    EXPECT_EQ(registration_log(),
              std::vector<std::string>{std::string(kFakeStamp) +
                                       " : Not registered, unsupported version 0x4233312A : ctrl"});
}

TEST_F(Refused, GccWouldWriteNothingForThem)
{
    FakeObject12 empty("/g12/empty.gcda", 1, {});
    FakeObject12 lists("/g12/lists.gcda", 0b11001, {{1, 1, 1}});
    empty.register_it();
    lists.register_it();
    EXPECT_EQ(gcov_list, nullptr);
    EXPECT_EQ(registration_log(),
              std::vector<std::string>{std::string(kFakeStamp) +
                                       " : Not registered, unsupported counters : ctrl"});
}

} // namespace
} // namespace covdump::test
