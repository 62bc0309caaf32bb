// GCC 12 descriptors: the version dispatch, what is refused, registries of
// both layouts and the clear. The data image itself is compared with GCC's
// own runtime (system tests) and checked over random registries (fuzz).
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

DecodedImage build()
{
    int size = -1;
    const std::unique_ptr<unsigned char, FreeDeleter> data(
        static_cast<unsigned char *>(cflow_writetobuffer(&size)));
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
    EXPECT_EQ(image.records.at(0).name, "/g12/now.gcda");
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
