// The SATA controller's row and its watched ports.
#include "fakes/daemon_fixture.h"
#include "fakes/fake_card.h"
#include "monitor/monitor.h"
#include "pci/pci.h"
#include "state/shared_state.h"

#include <sys/mman.h>

#include <string>

using fake_os::FakeCard;

namespace
{

constexpr uint32_t ABAR = 0xfeb00000;

class Sata : public fake_os::DaemonTest
{
  protected:
    void SetUp() override
    {
        DaemonTest::SetUp();
        ahci_ = static_cast<uint8_t *>(
            ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        fake_os::state().phys[ABAR] = ahci_;
    }
    void TearDown() override
    {
        ::munmap(ahci_, 4096);
        DaemonTest::TearDown();
    }
    void controller(unsigned func, uint32_t bar5 = ABAR)
    {
        card.add_endpoint(0, 31, func, 0x8086, 0x8c02);
        for (unsigned k = 0; k < 5; ++k)
            card.set_bar(0, 31, func, k, 0xf001 + 8 * k); // I/O BARs
        card.set_bar(0, 31, func, 5, bar5);
    }
    void port(unsigned k, uint32_t ssts)
    {
        reg(0x100 + 0x80 * k + 0x28) = ssts;
    }
    uint32_t &reg(unsigned off)
    {
        return *reinterpret_cast<uint32_t *>(ahci_ + off);
    }
    std::string scan()
    {
        capture();
        scan_pci_functions();
        return messages();
    }
    FakeCard card;
    uint8_t *ahci_ = nullptr;
};

} // namespace

TEST_F(Sata, FirstTwoImplementedPortsArePackedIntoTheRow)
{
    controller(2);
    reg(0x0C) = 0xAC; // ports 2, 3, 5 and 7
    port(2, 0xF123);
    port(3, 0x0113);
    const std::string out = scan();
    EXPECT_EQ(out, "SATA Ports Implemented = ac\nAHCI INST 0: 0123\nAHCI INST 1: 0113\n");
    ASSERT_EQ(n_fmea_devices, 1u);
    const FmeaDevice &d = fmea_devices[0];
    EXPECT_EQ(d.type, DEV_TYPE_SATA);
    EXPECT_EQ(d.partner_idx, PIDX_SATA);
    EXPECT_EQ(d.tracked_idx, 1);
    EXPECT_EQ(d.disc_link_status, 0x01130123u);
    EXPECT_EQ(d.link_status, 0x01130123u);
    EXPECT_EQ(sata_did, 0x8c02u);
    EXPECT_EQ(sata_vaddr, ahci_);
    EXPECT_EQ(sata_PxSSTS_addr[1], &reg(0x100 + 0x80 * 3 + 0x28));
    EXPECT_EQ(sata_devices_list_MOSKA[0].match_count, 1);
}

TEST_F(Sata, SecondControllerIsNotTaken)
{
    controller(2);
    controller(5);
    reg(0x0C) = 1;
    port(0, 0x133);
    scan();
    ASSERT_EQ(n_fmea_devices, 1u);
    EXPECT_EQ(fmea_devices[0].func, 2u);
    EXPECT_EQ(sata_devices_list_MOSKA[0].match_count, 1);
    EXPECT_EQ(sata_PxSSTS_addr[1], nullptr);
}

TEST_F(Sata, WithoutMemoryBarTheRowStaysAnEndpoint)
{
    controller(2, 0xf101);
    EXPECT_EQ(scan(), "Cannot locate SATA memory BAR at 00:1f.2\n");
    ASSERT_EQ(n_fmea_devices, 1u);
    EXPECT_EQ(fmea_devices[0].type, DEV_TYPE_ENDPOINT);
    EXPECT_EQ(fmea_devices[0].partner_idx, PIDX_NONE);
}

TEST_F(Sata, UnmappablePageAndEmptyPortsAreLogged)
{
    controller(2, 0xfea00000);
    EXPECT_EQ(scan(), "Unable to map SATA memory, errno = 22\n");
    EXPECT_EQ(sata_vaddr, nullptr);
    fake_os::reset_daemon_globals();
    fake_os::state().phys[ABAR] = ahci_;
    controller(2);
    reg(0x0C) = 0xC0;
    EXPECT_EQ(scan(), "SATA Ports Implemented = c0\nEmpty SATA PI\n");
    EXPECT_EQ(fmea_devices[0].type, DEV_TYPE_ENDPOINT);
}

TEST_F(Sata, PrefetchFlagsOfTheBarAreNotPartOfTheAddress)
{
    controller(2, ABAR | 0x8);
    reg(0x0C) = 1;
    scan();
    EXPECT_EQ(sata_vaddr, ahci_);
}
