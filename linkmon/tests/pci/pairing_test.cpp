// Pairing of link partners and the record line.
#include "fakes/daemon_fixture.h"
#include "fakes/fake_card.h"
#include "pci/pci.h"
#include "state/shared_state.h"

#include <cstring>
#include <string>

using fake_os::FakeCard;
using fake_os::LINK_UP_X4;

namespace
{

constexpr uint16_t PV = PLATFORM_VENDOR_ID;

class Pairing : public fake_os::DaemonTest
{
  protected:
    FakeCard card;
    void discover()
    {
        capture();
        scan_pci_functions();
        pair_link_partners();
        messages();
    }
};

using RecordLine = fake_os::DaemonTest;

} // namespace

TEST_F(Pairing, EndpointAndRootPortNameEachOther)
{
    card.add_linked_endpoint(1, 1, PV, 0x0100);
    discover();
    EXPECT_EQ(fmea_devices[0].partner_idx, 1u);
    EXPECT_EQ(fmea_devices[0].partner_vendor, PV);
    EXPECT_EQ(fmea_devices[0].partner_bus, 1u);
    EXPECT_EQ(fmea_devices[1].partner_idx, 0u);
    EXPECT_EQ(fmea_devices[1].partner_vendor, 0x8086u);
    EXPECT_EQ(fmea_devices[1].partner_device, 0x1901u);
    EXPECT_EQ(fmea_devices[1].partner_dev, 1u);
}

TEST_F(Pairing, EndpointOnBusZeroStaysUnpaired)
{
    card.add_endpoint(0, 2, 0, 0x8086, 0x15ab);
    card.add_pcie(0, 2, 0, LINK_UP_X4);
    discover();
    ASSERT_EQ(n_fmea_devices, 1u);
    EXPECT_EQ(fmea_devices[0].partner_idx, PIDX_NONE);
}

TEST_F(Pairing, SwitchPortsArePairedBothWays)
{
    card.add_bridge(0, 1, 0, 0x8086, 0x1901, 1, 4); // root port with a slot
    card.add_pcie(0, 1, 0, LINK_UP_X4, 0x00400000);
    card.add_bridge(1, 0, 0, 0x10b5, 0x8725, 2, 4); // upstream port, no slot
    card.add_pcie(1, 0, 0, LINK_UP_X4);
    card.add_bridge(2, 0, 0, 0x10b5, 0x8725, 3, 3); // downstream ports
    card.add_pcie(2, 0, 0, LINK_UP_X4);
    card.add_bridge(2, 0, 1, 0x10b5, 0x8725, 4, 4);
    card.add_pcie(2, 0, 1, LINK_UP_X4);
    card.add_endpoint(3, 0, 0, PV, 0x0100);
    card.add_pcie(3, 0, 0, LINK_UP_X4);
    card.add_endpoint(4, 0, 0, 0x8086, 0x15ab);
    card.add_pcie(4, 0, 0, LINK_UP_X4);
    discover();
    ASSERT_EQ(n_fmea_devices, 6u);
    const auto pidx = [](unsigned row) { return fmea_devices[row].partner_idx; };
    EXPECT_EQ(pidx(0), 1u); // root port - upstream port
    EXPECT_EQ(pidx(1), 3u); // the upstream port names the last port below it
    EXPECT_EQ(pidx(2), 4u); // downstream port - endpoint, both ways
    EXPECT_EQ(pidx(4), 2u);
    EXPECT_EQ(pidx(3), 5u);
    EXPECT_EQ(pidx(5), 3u);
    EXPECT_EQ(fmea_devices[5].partner_func, 1u);
}

TEST_F(Pairing, IntelBridgesAndBridgesWithSlotsAreNoCandidates)
{
    card.add_bridge(0, 1, 0, 0x8086, 0x1901, 1, 1);
    card.add_pcie(0, 1, 0, LINK_UP_X4);
    card.add_bridge(1, 0, 0, 0x8086, 0x1902, 2, 2);
    card.add_pcie(1, 0, 0, LINK_UP_X4);
    card.add_bridge(1, 1, 0, 0x10b5, 0x8725, 3, 3);
    card.add_pcie(1, 1, 0, LINK_UP_X4, 0x80);
    discover();
    for (unsigned i = 0; i < n_fmea_devices; ++i)
        EXPECT_EQ(fmea_devices[i].partner_idx, PIDX_NONE) << i;
}

TEST_F(Pairing, DroppedFunctionIsNeverAPartner)
{
    card.add_bridge(0, 1, 0, 0x10b5, 0x8725, 1, 1); // no slot: a candidate itself
    card.add_pcie(0, 1, 0, LINK_UP_X4);
    card.add_endpoint(1, 0, 0, PV, 0x0100);
    card.add_pcie(1, 0, 0, 0x2000); // dropped, its data left in the free slot
    discover();
    ASSERT_EQ(n_fmea_devices, 1u);
    EXPECT_EQ(fmea_devices[0].partner_idx, PIDX_NONE);
}

TEST_F(RecordLine, ZeroRecordLineIs193Characters)
{
    FmeaDevice rec{};
    capture();
    log_device(&rec);
    const std::string line = messages();
    EXPECT_EQ(line.size(), 193u);
    EXPECT_EQ(line, "00. 0000:0000 00:00.0 T:00 PSS:00:00:00 LS:00000000NLS:00000000 "
                    "SCAP:00000000 UES:00000000 NUES:00000000 UEM:00000000 "
                    "UESV:00000000NICERR:00000000 PVD:0000:0000 PIDX:00 NTFMSK:0 HWID:[] "
                    "NAME[]\n");
}

TEST_F(RecordLine, CarriesEveryFieldInOrder)
{
    FmeaDevice rec{};
    rec.index = 0x11;
    rec.vendor = 0x8086;
    rec.device = 0x15ab;
    rec.bus = 3;
    rec.dev = 0x1f;
    rec.func = 7;
    rec.type = 3;
    rec.pri_bus = 1;
    rec.sec_bus = 2;
    rec.sub_bus = 4;
    rec.link_status = 0xffff;
    rec.new_link_status = 0x2041;
    rec.slot_cap = 5;
    rec.ue_status = 6;
    rec.new_ue_status = 7;
    rec.ue_mask = 8;
    rec.ue_severity = 9;
    rec.nic_errors = 100;
    rec.partner_vendor = 0xf00d;
    rec.partner_device = 0x100;
    rec.partner_idx = 254;
    rec.notify_mask = 0xa;
    std::strcpy(rec.hwid, "eth3");
    std::strcpy(rec.name, "Disk%s");
    capture();
    log_device(&rec);
    EXPECT_EQ(messages(), "11. 8086:15ab 03:1f.7 T:03 PSS:01:02:04 LS:0000ffffNLS:00002041 "
                          "SCAP:00000005 UES:00000006 NUES:00000007 UEM:00000008 "
                          "UESV:00000009NICERR:00000064 PVD:f00d:0100 PIDX:fe NTFMSK:a "
                          "HWID:[eth3] NAME[Disk%s]\n");
}

TEST_F(RecordLine, UnterminatedTextsOfAPeerRecordAreBounded)
{
    FmeaDevice recs[2]{};
    std::memset(recs[0].hwid, 'h', sizeof recs[0].hwid);
    std::memset(recs[0].name, 'n', sizeof recs[0].name);
    std::memset(&recs[1], 'z', sizeof recs[1]);
    capture();
    log_device(&recs[0]);
    const std::string line = messages();
    EXPECT_EQ(line.size(), 254u);
    EXPECT_EQ(line.find('z'), std::string::npos);
    EXPECT_NE(line.find("HWID:[" + std::string(40, 'h') + "] NAME[nnn"), std::string::npos);
}

TEST_F(RecordLine, AllDevicesSkipsRowsWithoutVendor)
{
    fmea_devices[0].vendor = 0x8086;
    fmea_devices[2].vendor = 0x8086;
    fmea_devices[2].index = 2;
    n_fmea_devices = 3;
    capture();
    log_all_devices();
    const std::string out = messages();
    EXPECT_EQ(out.rfind("00. 8086", 0), 0u);
    EXPECT_NE(out.find("\n02. 8086"), std::string::npos);
    EXPECT_EQ(out.find("01. "), std::string::npos);
}
