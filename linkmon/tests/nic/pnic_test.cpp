// Physical NICs: the list file, turns, arming, the "RP" partner rule and
// the link injection.
#include "app/app.h"
#include "fakes/daemon_fixture.h"
#include "fakes/fake_nics.h"
#include "monitor/monitor.h"
#include "nic/nic.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

#include <gtest/gtest.h>
#include <string.h>

namespace
{

using fake_os::FakeNic;

class Pnic : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake_os::reset();
        fake_os::reset_daemon_globals();
        fake_os::install_nics(&nics);
    }

    std::string load(const std::string &list)
    {
        fake_os::state().text_files[linkmon::settings::PNIC_LIST_PATH] = list;
        return fake_os::capture_stdout([] { load_pnic_list(); });
    }

    // NIC rows named as given, from table row `first` on.
    void place(unsigned first, std::initializer_list<const char *> names, bool armed = true)
    {
        n_fmea_devices = first;
        for (const char *name : names) {
            FmeaDevice &d = fmea_devices[n_fmea_devices];
            memset(&d, 0, sizeof d);
            d.index = n_fmea_devices++;
            d.type = DEV_TYPE_PNIC;
            d.partner_idx = PIDX_PNIC;
            strcpy(d.hwid, name);
            d.disc_link_status = d.link_status = armed ? NIC_LINK_UP : 0;
            ++pnic_count;
        }
    }

    // Runs the check of `row` on its next link turn.
    int link_turn(unsigned row, std::string *out = nullptr)
    {
        uint64_t n = static_cast<uint64_t>(pnic_count);
        linkmon_pass = n + row % n;
        int verdict = -1;
        std::string log = fake_os::capture_stdout([&] { verdict = check_pnic(row); });
        if (out != nullptr)
            *out = log;
        return verdict;
    }

    std::map<std::string, FakeNic> nics;
};

TEST_F(Pnic, CriticalMarkIsCut)
{
    nics["eth3"].link = true;
    std::string out = load("eth3+\n");
    ASSERT_EQ(1u, n_fmea_devices);
    const FmeaDevice &d = fmea_devices[0];
    EXPECT_STREQ("eth3", d.hwid);
    EXPECT_EQ(static_cast<uint32_t>(FLAG_CRITICAL), d.flags);
    EXPECT_EQ(static_cast<uint32_t>(NIC_LINK_UP), d.disc_link_status);
    EXPECT_EQ(static_cast<uint32_t>(NIC_LINK_UP), d.link_status);
    EXPECT_EQ(static_cast<uint32_t>(DEV_TYPE_PNIC), d.type);
    EXPECT_EQ(static_cast<uint32_t>(PIDX_PNIC), d.partner_idx);
    EXPECT_NE(std::string::npos, out.find("eth3: linkstatus 2000 00:00.0 0000/0000\n")) << out;
    EXPECT_EQ(1, pnic_count);
}

TEST_F(Pnic, LongLineGivesTwoRows)
{
    load("abcdefghijklmnopqrst\neth0\n");
    ASSERT_EQ(3u, n_fmea_devices);
    EXPECT_STREQ("abcdefghijklmn", fmea_devices[0].hwid);
    EXPECT_STREQ("opqrst", fmea_devices[1].hwid);
    EXPECT_STREQ("eth0", fmea_devices[2].hwid);
    EXPECT_EQ(2u, fmea_devices[2].index);
    EXPECT_EQ(3, pnic_count);
}

TEST_F(Pnic, EmptyLineGivesAnEmptyRowThatCounts)
{
    std::string out = load("\neth1\n");
    ASSERT_EQ(2u, n_fmea_devices);
    EXPECT_STREQ("", fmea_devices[0].hwid);
    EXPECT_EQ(0u, fmea_devices[0].link_status);
    EXPECT_EQ(2, pnic_count);
    EXPECT_NE(std::string::npos, out.find("SIOCETHTOOL returned errno = 19\n"));
}

TEST_F(Pnic, MissingListIsLogged)
{
    fake_os::state().text_files.clear();
    std::string out = fake_os::capture_stdout([] { load_pnic_list(); });
    EXPECT_NE(std::string::npos, out.find("Unable to open /etc/init.d/pd_pnic_list.txt\n"));
    EXPECT_EQ(0u, n_fmea_devices);
}

TEST_F(Pnic, FullTableStillCounts)
{
    n_fmea_devices = FMEA_MAX_DEVICES;
    load("eth0\neth1\n");
    EXPECT_EQ(static_cast<uint32_t>(FMEA_MAX_DEVICES), n_fmea_devices);
    EXPECT_EQ(2, pnic_count);
}

TEST_F(Pnic, OneDatagramSocketServesEveryRequest)
{
    load("eth0\neth1\neth2\n");
    EXPECT_EQ(1, fake_os::state().ethtool_sockets);
}

TEST_F(Pnic, PciIdIsSplitAtTheColon)
{
    uint32_t vendor = 0, device = 0;
    linkmon::parse_pci_id("8086:1533", &vendor, &device);
    EXPECT_EQ(0x8086u, vendor);
    EXPECT_EQ(0x1533u, device);
    linkmon::parse_pci_id("14e4", &vendor, &device);
    EXPECT_EQ(0x14e4u, vendor);
}

TEST_F(Pnic, TurnsOfThreeNicsInRowsTenToTwelve)
{
    place(10, {"eth0", "eth1", "eth2"});
    for (auto &name : {"eth0", "eth1", "eth2"})
        nics[name] = FakeNic{true, {{"rx_errors", 0}}, false, {}, {}};
    struct Turn {
        uint64_t pass;
        unsigned row;
        bool error_turn;
    } turns[] = {{31, 10, true}, {32, 11, true}, {33, 12, false}, {34, 10, false}, {35, 11, false}};
    for (const Turn &t : turns) {
        linkmon_pass = t.pass;
        fake_os::state().ethtool_names.clear();
        for (unsigned row = 10; row <= 12; ++row) {
            fake_os::capture_stdout([&] { EXPECT_EQ(CHECK_OK, check_pnic(row)); });
        }
        ASSERT_FALSE(fake_os::state().ethtool_names.empty()) << "pass " << t.pass;
        for (const std::string &name : fake_os::state().ethtool_names)
            EXPECT_EQ(fmea_devices[t.row].hwid, name) << "pass " << t.pass;
        // An error turn asks for the statistics set, a link turn only GLINK.
        EXPECT_EQ(t.error_turn, fake_os::state().ethtool_names.size() > 1) << "pass " << t.pass;
    }
}

TEST_F(Pnic, NonNicRowIsNotApplicable)
{
    fake_os::add_row(2, 0, 0);
    pnic_count = 1;
    EXPECT_EQ(CHECK_NA, check_pnic(0));
}

TEST_F(Pnic, FourthLinkUpTurnArms)
{
    place(1, {"eth0"}, false);
    nics["eth0"].link = true;
    for (int turn = 1; turn <= 3; ++turn) {
        std::string out;
        EXPECT_EQ(CHECK_OK, link_turn(1, &out));
        EXPECT_EQ(0u, fmea_devices[1].disc_link_status) << "turn " << turn;
        EXPECT_EQ(std::string::npos, out.find("01. ")) << "turn " << turn;
    }
    std::string out;
    EXPECT_EQ(CHECK_OK, link_turn(1, &out));
    EXPECT_NE(std::string::npos, out.find("NLS:00002000")) << out;
    const FmeaDevice &d = fmea_devices[1];
    EXPECT_EQ(static_cast<uint32_t>(NIC_LINK_UP), d.disc_link_status);
    EXPECT_EQ(static_cast<uint32_t>(NIC_LINK_UP), d.link_status);
    EXPECT_EQ(0u, d.new_link_status);
}

TEST_F(Pnic, DownTurnRestartsTheArmingCount)
{
    place(1, {"eth0"}, false);
    nics["eth0"].link = true;
    link_turn(1);
    link_turn(1);
    nics["eth0"].link = false;
    link_turn(1);
    EXPECT_EQ(0u, fmea_devices[1].debounce);
    nics["eth0"].link = true;
    for (int turn = 0; turn < 3; ++turn)
        link_turn(1);
    EXPECT_EQ(0u, fmea_devices[1].disc_link_status);
    link_turn(1);
    EXPECT_NE(0u, fmea_devices[1].disc_link_status);
}

TEST_F(Pnic, LinkChangeOfArmedNic)
{
    place(1, {"eth0", "eth3"});
    fmea_devices[2].flags = FLAG_CRITICAL;
    std::string out;
    EXPECT_EQ(CHECK_CHANGED, link_turn(1, &out));
    EXPECT_NE(std::string::npos, out.find("eth0 pnic link status change\n"));
    EXPECT_EQ(0u, fmea_devices[1].new_link_status);
    EXPECT_EQ(CHECK_CRITICAL, link_turn(2, &out));
    EXPECT_NE(std::string::npos, out.find("eth3 pnic link status change\n"));
    nics["eth0"].link = true;
    EXPECT_EQ(CHECK_OK, link_turn(1));
}

TEST_F(Pnic, RpBoardReportsDownWhilePartnerIsUp)
{
    place(1, {"eth3", "eth4"});
    is_boardtype_set = 1;
    strcpy(boardtype_arr, "RP");
    nics["eth4"].link = true;
    fmea_devices[1].link_status = 0; // eth3's loss has been reported
    std::string out;
    EXPECT_EQ(CHECK_CHANGED, link_turn(1, &out));
    EXPECT_NE(std::string::npos, out.find("eth3 pnic link is down but eth4 pnic is up\n")) << out;
    const FmeaDevice &d = fmea_devices[1];
    EXPECT_EQ(static_cast<uint32_t>(NIC_LINK_UP), d.link_status);
    EXPECT_EQ(0u, d.disc_link_status) << "the row is disarmed";
    EXPECT_EQ(0u, d.new_link_status);
}

TEST_F(Pnic, OtherBoardsHaveNoPartnerRule)
{
    place(1, {"eth3", "eth4"});
    is_boardtype_set = 1;
    strcpy(boardtype_arr, "LC");
    nics["eth4"].link = true;
    fmea_devices[1].link_status = 0;
    EXPECT_EQ(CHECK_OK, link_turn(1));
}

TEST_F(Pnic, PartnerOutsideTheTableReadsDown)
{
    is_boardtype_set = 1;
    strcpy(boardtype_arr, "RP");
    place(0, {"eth4"});
    fmea_devices[0].link_status = 0;
    fake_os::state().ethtool_names.clear();
    EXPECT_EQ(CHECK_OK, link_turn(0));
    EXPECT_EQ(std::vector<std::string>{"eth4"}, fake_os::state().ethtool_names);

    place(255, {"eth3"});
    pnic_count = 2;
    fmea_devices[255].link_status = 0;
    fake_os::state().ethtool_names.clear();
    EXPECT_EQ(CHECK_OK, link_turn(255));
    EXPECT_EQ(std::vector<std::string>{"eth3"}, fake_os::state().ethtool_names);
}

TEST_F(Pnic, UnknownInterfaceLogsAtItsLinkTurn)
{
    place(1, {"bogus0"});
    std::string out;
    link_turn(1, &out);
    EXPECT_NE(std::string::npos, out.find("SIOCETHTOOL returned errno = 19\n")) << out;
}

TEST_F(Pnic, LinkInjectionForcesTheReadingAndRestores)
{
    place(1, {"eth0", "eth3"});
    nics["eth0"].link = nics["eth3"].link = true;
    fmea_devices[1].bus = 5;
    fmea_devices[2].bus = 6;
    fmea_devices[2].flags = FLAG_CRITICAL;
    struct Case {
        unsigned row;
        int action;
        uint32_t nls;
        int verdict;
    } cases[] = {{1, 0, 0xFFFFDFFF, CHECK_CHANGED},
                 {1, 2, NIC_LINK_UP, CHECK_CHANGED},
                 {2, 0, 0xFFFFDFFF, CHECK_CRITICAL}};
    for (const Case &c : cases) {
        fi_command = LINKMON_CMD_PNICLNK;
        fi_action = c.action;
        fi_bus = static_cast<int>(fmea_devices[c.row].bus);
        EXPECT_EQ(c.verdict, link_turn(c.row));
        EXPECT_EQ(c.nls, fmea_devices[c.row].new_link_status);
        EXPECT_EQ(0u, fi_fmea_dev.new_link_status) << "the snapshot precedes every change";
        fake_os::capture_stdout([&] { notify_clients(c.row, NOTIFY_LINK); });
        EXPECT_EQ(0, fi_command);
        EXPECT_EQ(static_cast<uint32_t>(NIC_LINK_UP), fmea_devices[c.row].link_status);
    }
}

TEST_F(Pnic, LinkInjectionWaitsForAnArmedRow)
{
    place(1, {"eth0"}, false);
    fi_command = LINKMON_CMD_PNICLNK;
    EXPECT_EQ(CHECK_OK, link_turn(1));
    EXPECT_EQ(LINKMON_CMD_PNICLNK, fi_command);
}

} // namespace
