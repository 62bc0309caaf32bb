// Discovery: scan range, drop rules and their lasting side effects, the
// texts of a row, BAR capture and the SATA controller.
#include "app/app.h"
#include "fakes/daemon_fixture.h"
#include "fakes/fake_card.h"
#include "pci/pci.h"
#include "state/shared_state.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using fake_os::FakeCard;
using fake_os::LINK_UP_X4;

namespace
{

constexpr uint16_t PV = PLATFORM_VENDOR_ID;

class Discovery : public fake_os::DaemonTest
{
  protected:
    FakeCard card;
    std::string scan()
    {
        capture();
        scan_pci_functions();
        return messages();
    }
    const FmeaDevice *row_at(unsigned bus, unsigned dev, unsigned func)
    {
        for (unsigned i = 0; i < n_fmea_devices; ++i) {
            const FmeaDevice &d = fmea_devices[i];
            if (d.bus == bus && d.dev == dev && d.func == func)
                return &d;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(Discovery, RecordsRootPortAndTrackedEndpoint)
{
    card.add_linked_endpoint(1, 1, PV, 0x0100);
    card.add_aer(1, 0, 0, 0x10, 0x20, 0x40030);
    scan();
    ASSERT_EQ(n_fmea_devices, 2u);
    const FmeaDevice &port = fmea_devices[0];
    EXPECT_EQ(port.type, DEV_TYPE_BRIDGE);
    EXPECT_EQ(port.tracked_idx, -1);
    EXPECT_EQ(port.pri_bus, 0u);
    EXPECT_EQ(port.sec_bus, 1u);
    EXPECT_EQ(port.sub_bus, 1u);
    EXPECT_EQ(port.slot_cap, 0x00400000u);
    const FmeaDevice &ep = fmea_devices[1];
    EXPECT_EQ(ep.index, 1u);
    EXPECT_EQ(ep.tracked_idx, 0);
    EXPECT_EQ(ep.vendor, PV);
    EXPECT_EQ(ep.device, 0x0100u);
    EXPECT_EQ(ep.partner_idx, PIDX_NONE);
    EXPECT_EQ(ep.partner_bus, 1u); // its own address until pairing
    EXPECT_EQ(ep.pcie_cap, fake_os::PCIE_CAP);
    EXPECT_EQ(ep.disc_link_status, LINK_UP_X4);
    EXPECT_EQ(ep.link_status, LINK_UP_X4);
    EXPECT_EQ(ep.aer_cap, fake_os::AER_CAP);
    EXPECT_EQ(ep.disc_ue_status, 0x10u);
    EXPECT_EQ(ep.ue_status, 0x10u);
    EXPECT_EQ(ep.ue_mask, 0x20u);
    EXPECT_EQ(ep.ue_severity, 0x40030u);
    EXPECT_EQ(tracked_devices_MOSKA_RP[0].match_count, 1);
}

TEST_F(Discovery, BridgeOnFunctionOneIsKeptEndpointIsNot)
{
    card.add_bridge(3, 2, 1, 0x10b5, 0x8725, 4, 4);
    card.add_endpoint(3, 4, 1, PV, 0x0100);
    card.add_pcie(3, 4, 1, LINK_UP_X4);
    scan();
    EXPECT_NE(row_at(3, 2, 1), nullptr);
    EXPECT_EQ(row_at(3, 4, 1), nullptr);
}

TEST_F(Discovery, DevicesSixteenAndAboveOffBusZeroAreNotExamined)
{
    card.add_endpoint(3, 16, 0, PV, 0x0100);
    card.add_pcie(3, 16, 0, LINK_UP_X4);
    card.add_endpoint(0, 20, 3, PV, 0x0100);
    card.add_pcie(0, 20, 3, LINK_UP_X4);
    scan();
    EXPECT_EQ(row_at(3, 16, 0), nullptr);
    EXPECT_NE(row_at(0, 20, 3), nullptr);
    EXPECT_EQ(tracked_devices_MOSKA_RP[0].match_count, 1);
}

TEST_F(Discovery, UntrainedLinkIsDroppedButItsRowCountsTheMatch)
{
    card.add_endpoint(2, 0, 0, 0x8086, 0x15ab);
    card.add_pcie(2, 0, 0, 0x2001);             // width 0
    card.add_endpoint(2, 1, 0, 0x8086, 0x1234); // not tracked
    card.add_pcie(2, 1, 0, LINK_UP_X4);
    scan();
    EXPECT_EQ(n_fmea_devices, 0u);
    EXPECT_EQ(tracked_devices_MOSKA_RP[1].match_count, 1);
}

TEST_F(Discovery, EndpointWithoutPcieCapabilityIsKept)
{
    card.add_endpoint(2, 0, 0, 0x8086, 0x15ab);
    scan();
    ASSERT_EQ(n_fmea_devices, 1u);
    EXPECT_EQ(fmea_devices[0].pcie_cap, 0u);
    EXPECT_EQ(fmea_devices[0].link_status, 0u);
}

TEST_F(Discovery, ExpectedLinkStatusOfTheListReplacesTheReading)
{
    card.add_endpoint(2, 0, 0, 0x8086, 0x15ab);
    card.add_pcie(2, 0, 0, 0x2001);
    tracked_devices_MOSKA_RP[1].link_status = 0x1042;
    scan();
    tracked_devices_MOSKA_RP[1].link_status = 0;
    ASSERT_EQ(n_fmea_devices, 1u);
    EXPECT_EQ(fmea_devices[0].link_status, 0x1042u);
}

TEST_F(Discovery, TableHoldsAtMost256Rows)
{
    for (unsigned bus = 1; bus <= 9; ++bus)
        for (unsigned dev = 0; dev < 16; ++dev)
            for (unsigned func = 0; func < 2; ++func)
                card.add_bridge(bus, dev, func, 0x10b5, 0x8725, 0, 0);
    scan();
    EXPECT_EQ(n_fmea_devices, 256u);
    EXPECT_EQ(fmea_devices[255].bus, 8u); // 288 bridges, the last 32 ignored
}

TEST_F(Discovery, NameComesFromLspciDeviceLine)
{
    card.add_linked_endpoint(1, 1, PV, 0x0100);
    fake_os::state().popen_output["lspci -vmm -s 1:0.0"] =
        "Slot:\t01:00.0\nClass:\tEthernet controller\nVendor:\tIntel\n"
        "Device:\tI210 100% Gigabit\nSVendor:\tDell\n";
    fake_os::state().popen_output["lspci -vmm -s 0:1.0"] =
        "Device:\t" + std::string(200, 'n') + "\n";
    scan();
    EXPECT_STREQ(fmea_devices[1].name, "I210 100% Gigabit\n");
    EXPECT_EQ(std::string(fmea_devices[0].name), std::string(118, 'n'));
    EXPECT_EQ(fake_os::state().pipes_open, 0);
}

TEST_F(Discovery, HardwareIdIsReadFromSysfsForEndpoints)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("linkmon_sys_" + std::to_string(getpid()));
    const fs::path dir = root / "sys/bus/pci/devices/0000:01:00.0";
    fs::create_directories(dir);
    std::ofstream(dir / "hwid") << "HW-" << std::string(40, 'x') << "\n";
    fs::create_directories(root / "sys/bus/pci/devices/0000:00:01.0");
    std::ofstream(root / "sys/bus/pci/devices/0000:00:01.0/hwid") << "bridge\n";
    fake_os::state().sysfs_root = root.string();
    card.add_linked_endpoint(1, 1, PV, 0x0100);
    scan();
    fs::remove_all(root);
    EXPECT_EQ(std::string(fmea_devices[1].hwid), "HW-" + std::string(20, 'x'));
    EXPECT_STREQ(fmea_devices[0].hwid, ""); // bridges get none
}

TEST_F(Discovery, PlatformDevicesHaveTheirBarsCaptured)
{
    card.add_linked_endpoint(1, 1, PV, 0x0100);
    card.set_bar(1, 0, 0, 0, 0xfe000000);
    card.set_bar(1, 0, 0, 2, 0xfd00000c);
    const std::string out = scan();
    EXPECT_EQ(fmea_devices[1].bars[0], 0xfe000000u);
    EXPECT_EQ(fmea_devices[1].bars[2], 0xfd00000cu);
    EXPECT_EQ(fmea_devices[0].bars[0], 0u);
    EXPECT_NE(out.find("BARs: 01:00.0: fe000000:0:fd00000c:0:0:0:\n"), std::string::npos);
}

TEST_F(Discovery, SkippedBridgesAndAllOnesIds)
{
    EXPECT_EQ(is_skipped_bridge(0xFFFF, 0x1234), 1);
    EXPECT_EQ(is_skipped_bridge(0x10b5, 0xFFFF), 1);
    EXPECT_EQ(is_skipped_bridge(0x10b5, 0x8725), 0);
    EXPECT_EQ(match_tracked_device(0xFFFF, 0xFFFF), -1);
}
