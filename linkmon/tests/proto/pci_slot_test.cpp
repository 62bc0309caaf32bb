// The bus/device/function parser of the client and the NIC list.
#include "proto/proto.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct SlotCase {
    const char *text;
    int expected;
};

class PciSlot : public testing::TestWithParam<SlotCase>
{
};

TEST_P(PciSlot, Parses)
{
    std::string copy = GetParam().text;
    EXPECT_EQ(GetParam().expected, parse_pci_slot(copy.data())) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PciSlot,
    testing::Values(SlotCase{"0000:02:00.0", 0x0200}, SlotCase{"2:0", 0x0200},
                    SlotCase{"*:1f.7", 0x00FF}, SlotCase{"100:00.0", 0},
                    SlotCase{"02:00.0", 0x0200}, SlotCase{"0001:03:1f.7", 0x103FF},
                    SlotCase{"7fff:ff:1f.7", 0x7FFFFFFF}, SlotCase{"8000:00:00.0", 0},
                    SlotCase{"03:20.0", 0}, SlotCase{"03:00.8", 0}, SlotCase{"03:zz.0", 0},
                    SlotCase{"1f", 0xF8}, SlotCase{"1f.3", 0xFB}, SlotCase{"", 0},
                    SlotCase{"::.", 0}, SlotCase{"*:*.*", 0}, SlotCase{"-1:00.0", 0}));

} // namespace
