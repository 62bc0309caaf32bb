// Configuration access: window offsets, the window's mapping and
// validation, reads and the capability searches.
#include "fakes/daemon_fixture.h"
#include "fakes/fake_card.h"
#include "pci/pci.h"
#include "settings.h"

#include <sys/mman.h>

#include <string>
#include <vector>

using fake_os::FakeCard;

namespace
{

struct OffsetCase {
    unsigned bus, dev, func, reg;
    uint32_t offset;
};

class WindowOffset : public ::testing::TestWithParam<OffsetCase>
{
};

class MmconfigMap : public fake_os::DaemonTest
{
  protected:
    FakeCard card;
};

using CapSearch = MmconfigMap;

// Standard capabilities of function 01:00.0 chained from 0x40 on, `count`
// entries of ID 0x05 and then, when `wanted`, one of ID 0x10.
void chain_caps(FakeCard &card, unsigned count, bool wanted)
{
    card.add_endpoint(1, 0, 0, 0x1234, 0x5678);
    card.write<uint16_t>(1, 0, 0, 0x06, 0x10);
    card.write<uint8_t>(1, 0, 0, 0x34, 0x40);
    unsigned pos = 0x40;
    for (unsigned i = 0; i < count; ++i, pos += 4)
        card.write<uint16_t>(1, 0, 0, pos, static_cast<uint16_t>(0x05 | (pos + 4) << 8));
    card.write<uint16_t>(1, 0, 0, pos, wanted ? 0x0010 : 0x0005);
}

// Extended capabilities chained from 0x100 on in steps of 4.
void chain_ext_caps(FakeCard &card, unsigned count, bool wanted)
{
    card.add_endpoint(1, 0, 0, 0x1234, 0x5678);
    unsigned pos = 0x100;
    for (unsigned i = 0; i < count; ++i, pos += 4)
        card.write<uint32_t>(1, 0, 0, pos, 0x0002 | (pos + 4) << 20);
    card.write<uint32_t>(1, 0, 0, pos, wanted ? 0x0001 : 0x0002);
}

} // namespace

TEST_P(WindowOffset, IsBusDeviceFunctionRegister)
{
    const OffsetCase c = GetParam();
    EXPECT_EQ(pci_cfg_offset(c.bus, c.dev, c.func, c.reg), c.offset);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowOffset,
                         ::testing::Values(OffsetCase{3, 0, 0, 0x12, 0x300012},
                                           OffsetCase{191, 31, 7, 0xFFF, 0xBFFFFFF},
                                           OffsetCase{0, 1, 2, 0x34, 0xA034},
                                           OffsetCase{0, 0, 0, 0, 0}));

TEST_F(MmconfigMap, AlignedBasesMapAndLog)
{
    for (const char *base : {"0x80000000", "0x84000000", "2147483648"}) {
        fake_os::state().phys[std::stoull(base, nullptr, 0)] = card.base();
        capture();
        EXPECT_EQ(map_mmconfig(base), 0) << base;
        EXPECT_NE(messages().find(" vaddr = 0x"), std::string::npos);
        EXPECT_EQ(mmucfg_base, card.base());
    }
}

TEST_F(MmconfigMap, UnalignedBaseIsRefused)
{
    capture();
    EXPECT_EQ(map_mmconfig("0x80100000"), 1);
    EXPECT_EQ(messages(), "paddr = 80100000 is not aligned\n");
    EXPECT_EQ(fake_os::state().devmem_opens, 0);
}

TEST_F(MmconfigMap, WindowWithoutIntelHostBridgeIsRefused)
{
    card.write<uint16_t>(0, 0, 0, 0, 0x1022);
    fake_os::state().phys[0x80000000] = card.base();
    capture();
    EXPECT_EQ(map_mmconfig("0x80000000"), 1);
    EXPECT_EQ(messages(), "mmap_mmcfg paddr = 80000000 is not MMCONFIG memory\n");
}

TEST_F(MmconfigMap, MissingDevMemIsLoggedAndRetriedLater)
{
    fake_os::state().devmem_fd = -1;
    capture();
    EXPECT_EQ(map_mmconfig("0x80000000"), 1);
    EXPECT_EQ(messages(), "Failed to open mem for mmap 80000000 for c000000, rc = 2\n"
                          "mmap_mmcfg failed paddr = 80000000 errno = 2\n");
    EXPECT_EQ(devmem_fd, -1);
    fake_os::state().devmem_fd = 9;
    EXPECT_EQ(map_phys_mem(0x1000, 4096), MAP_FAILED);
    EXPECT_EQ(devmem_fd, 9);
    EXPECT_EQ(fake_os::state().devmem_opens, 2);
}

TEST_F(MmconfigMap, AbsentFunctionsReadAllOnes)
{
    EXPECT_EQ(pci_cfg_read8(5, 0x08, 0x0E), 0xFF);
    EXPECT_EQ(pci_cfg_read16(5, 0x08, 0), 0xFFFF);
    EXPECT_EQ(pci_cfg_read32(191, 0x79, 0xFFC), 0xFFFFFFFFu);
    card.add_endpoint(5, 1, 0, 0xF00D, 0x0100);
    EXPECT_EQ(pci_cfg_read32(5, 0x08, 0), 0x0100F00Du);
    EXPECT_EQ(pci_cfg_read16(5, 0x08, 2), 0x0100);
}

TEST_F(CapSearch, FindsCapabilityWithin48Steps)
{
    chain_caps(card, 47, true); // the 48th entry, the last of the list area
    EXPECT_EQ(pci_find_cap(1, 0, 0x10), 0xFCu);
    chain_caps(card, 3, false);
    EXPECT_EQ(pci_find_cap(1, 0, 0x10), 0u);
}

TEST_F(CapSearch, LoopingStandardListEnds)
{
    card.add_pcie(2, 0, 0, fake_os::LINK_UP_X4);
    card.write<uint16_t>(2, 0, 0, fake_os::PCIE_CAP, 0x4005); // points at itself
    EXPECT_EQ(pci_find_cap(2, 0, 0x10), 0u);
}

TEST_F(CapSearch, NoCapabilityListWithoutStatusBit)
{
    card.add_pcie(2, 0, 0, fake_os::LINK_UP_X4);
    EXPECT_EQ(pci_find_cap(2, 0, 0x10), fake_os::PCIE_CAP);
    card.write<uint16_t>(2, 0, 0, 0x06, 0);
    EXPECT_EQ(pci_find_cap(2, 0, 0x10), 0u);
}

TEST_F(CapSearch, FindsExtendedCapabilityWithin480Steps)
{
    chain_ext_caps(card, 479, true); // found on the 480th step
    EXPECT_EQ(pci_find_ext_cap(1, 0, 1), 0x100u + 479 * 4);
    chain_ext_caps(card, 480, true); // one step too far
    EXPECT_EQ(pci_find_ext_cap(1, 0, 1), 0u);
    card.add_endpoint(1, 0, 0, 0x1234, 0x5678);
    card.write<uint32_t>(1, 0, 0, 0x100, 0x1000'0002); // next 0x100: itself
    EXPECT_EQ(pci_find_ext_cap(1, 0, 1), 0u);
    chain_ext_caps(card, 3, true);
    EXPECT_EQ(pci_find_ext_cap(1, 0, 1), 0x10Cu);
}

TEST_F(CapSearch, NoExtendedCapabilitiesWhenHeaderIsZero)
{
    card.add_endpoint(1, 0, 0, 0x1234, 0x5678);
    EXPECT_EQ(pci_find_ext_cap(1, 0, 1), 0u);
}
