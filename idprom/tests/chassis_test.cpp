// The chassis-type file and the power-module numbering it implies.
#include "chassis.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using boardprom::ChassisRead;

namespace
{

struct Stream {
    explicit Stream(const std::string &text) : file(std::tmpfile())
    {
        std::fwrite(text.data(), 1, text.size(), file);
        std::rewind(file);
    }
    ~Stream()
    {
        std::fclose(file);
    }
    std::FILE *file;
};

ChassisRead read(const std::string &text, uint32_t *type)
{
    Stream s(text);
    return boardprom::read_chassis_type(s.file, type);
}

TEST(ChassisFile, WordAndNumberAreRead)
{
    uint32_t type = 0;
    EXPECT_EQ(read("chassis 0x60010002\nmore text\n", &type), ChassisRead::Ok);
    EXPECT_EQ(type, 0x60010002u);
    EXPECT_EQ(read("pd_chassis_type\t0x7\n", &type), ChassisRead::Ok);
    EXPECT_EQ(type, 7u);
}

TEST(ChassisFile, MissingFileIsReported)
{
    uint32_t type = 0;
    EXPECT_EQ(boardprom::read_chassis_type(nullptr, &type), ChassisRead::NotOpened);
}

TEST(ChassisFile, IncompleteContentsDoNotParse)
{
    uint32_t type = 0xAA;
    EXPECT_EQ(read("", &type), ChassisRead::NotParsed);
    EXPECT_EQ(read("chassis\n", &type), ChassisRead::NotParsed);
    EXPECT_EQ(read("chassis 60010000\n", &type), ChassisRead::NotParsed);
    EXPECT_EQ(type, 0xAAu);
}

TEST(ChassisFile, WordWithoutChassisIsRefused)
{
    uint32_t type = 0xAA;
    EXPECT_EQ(read("rack 0x60010000\n", &type), ChassisRead::NotChassis);
    EXPECT_EQ(type, 0xAAu);
}

TEST(ChassisFile, LongFirstWordStaysInItsBuffer)
{
    uint32_t type = 0;
    EXPECT_EQ(read("chassis" + std::string(150, 'x') + " 0x60010000\n", &type),
              ChassisRead::NotParsed);
    // 99 characters still fit.
    EXPECT_EQ(read("chassis" + std::string(92, 'x') + " 0x5\n", &type), ChassisRead::Ok);
    EXPECT_EQ(type, 5u);
}

struct Renumbering {
    uint32_t chassis;
    int requested;
    int k;
};

class PowerModuleNumbering : public testing::TestWithParam<Renumbering>
{
};

TEST_P(PowerModuleNumbering, ChassisTypeRenumbers)
{
    const Renumbering &r = GetParam();
    EXPECT_EQ(boardprom::renumber_power_module(r.chassis, r.requested), r.k);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PowerModuleNumbering,
    testing::Values(Renumbering{0x60010000, 0, 2}, Renumbering{0x60010000, 8, 10},
                    Renumbering{0x60010002, 0, 0}, Renumbering{0x60010002, 1, 2},
                    Renumbering{0x60010002, 2, 1}, Renumbering{0x60010002, 3, 3},
                    Renumbering{0x60010002, 5, 5}, Renumbering{0x60010002, -1, -1},
                    Renumbering{0x60010001, 0, 0}, Renumbering{0x12345678, 9, 9}));

TEST(PowerModuleSlot, NeighboursSwap)
{
    EXPECT_EQ(boardprom::power_module_slot(0), 1u);
    EXPECT_EQ(boardprom::power_module_slot(1), 0u);
    EXPECT_EQ(boardprom::power_module_slot(2), 3u);
    EXPECT_EQ(boardprom::power_module_slot(9), 8u);
}

} // namespace
