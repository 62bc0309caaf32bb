// Notifications, the quiet period, the injection restore and card reload.
#include "app/app.h"
#include "fakes/daemon_fixture.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <gtest/gtest.h>
#include <string.h>
#include <sys/socket.h>

namespace
{

class Notify : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake_os::reset();
        fake_os::reset_daemon_globals();
        skiptime = {500, 0};
        fake_os::state().mono = {1000, 5};
    }

    std::string notify(unsigned row, unsigned mask)
    {
        return fake_os::capture_stdout([&] { notify_clients(row, mask); });
    }
};

TEST_F(Notify, EveryClientGetsTheRecordBeforeValuesMove)
{
    FmeaDevice &d = fake_os::add_row(2, 0, 0);
    d.link_status = 0x2011;
    d.new_link_status = 0xFFFF;
    d.notify_sec = 7;
    linkmonsockfd[0] = 30;
    linkmonsockfd[5] = 31;
    notify(0, NOTIFY_LINK);
    for (int fd : {30, 31}) {
        const std::string &bytes = fake_os::state().sent[fd];
        ASSERT_EQ(sizeof(FmeaDevice), bytes.size());
        FmeaDevice sent;
        memcpy(&sent, bytes.data(), sizeof sent);
        EXPECT_EQ(0xFFFFu, sent.new_link_status);
        EXPECT_EQ(0x2011u, sent.link_status);
        EXPECT_EQ(1u, sent.notify_mask);
        EXPECT_EQ(7, sent.notify_sec);
    }
    EXPECT_EQ(0xFFFFu, d.link_status);
    EXPECT_EQ(0u, d.new_link_status);
    EXPECT_EQ(1000, d.notify_sec);
    EXPECT_EQ(5, d.notify_nsec);
    for (int flags : fake_os::state().send_flags)
        EXPECT_EQ(MSG_NOSIGNAL | MSG_DONTWAIT, flags) << "a send must never wait";
}

TEST_F(Notify, NoClientsStillLogsAndMoves)
{
    FmeaDevice &d = fake_os::add_row(2, 0, 0);
    d.new_link_status = 0x2011;
    std::string out = notify(0, NOTIFY_LINK);
    EXPECT_NE(std::string::npos, out.find("00. 8086:1533 02:00.0")) << out;
    EXPECT_EQ(0x2011u, d.link_status);
    EXPECT_TRUE(fake_os::state().sent.empty());
}

TEST_F(Notify, FailedShortAndGoneClientsAreDropped)
{
    fake_os::add_row(2, 0, 0);
    linkmonsockfd[0] = 30;
    linkmonsockfd[1] = 31;
    linkmonsockfd[2] = 32;
    linkmonsockfd[3] = 33;
    linkmonsockfd[4] = 34;
    fake_os::state().send_result[30] = -1;
    fake_os::state().send_result[31] = 200;
    fake_os::state().gone.insert(32);
    fake_os::state().peer_closed.insert(33);
    notify(0, NOTIFY_UES);
    EXPECT_EQ(-1, linkmonsockfd[0]);
    EXPECT_EQ(-1, linkmonsockfd[1]);
    EXPECT_EQ(-1, linkmonsockfd[2]);
    EXPECT_EQ(-1, linkmonsockfd[3]);
    EXPECT_EQ(34, linkmonsockfd[4]);
    EXPECT_EQ((std::vector<int>{30, 31, 32, 33}), fake_os::state().closed);
    EXPECT_EQ(sizeof(FmeaDevice), fake_os::state().sent[34].size());
}

TEST_F(Notify, QuietPeriodSkipsAndMarks)
{
    FmeaDevice &d = fake_os::add_row(2, 3, 1);
    strcpy(d.name, "Ctl");
    strcpy(d.hwid, "hw");
    d.new_ue_status = 0x4000;
    linkmonsockfd[0] = 30;
    skiptime = {1001, 0};
    std::string out = notify(0, NOTIFY_UES);
    EXPECT_TRUE(fake_os::state().sent.empty());
    EXPECT_EQ(30, linkmonsockfd[0]);
    size_t record = out.find("00. 8086:1533 02:03.1");
    size_t skip = out.find("Skip 2 notify 8086:1533 02:03.1 Name:Ctl HWID:hw\n");
    ASSERT_NE(std::string::npos, record) << out;
    ASSERT_NE(std::string::npos, skip) << out;
    EXPECT_LT(record, skip);
    EXPECT_TRUE(d.flags & FLAG_NOTIFY_SKIPPED);
    EXPECT_EQ(0x4000u, d.ue_status);
    EXPECT_EQ(0u, d.new_ue_status);
}

TEST_F(Notify, SkipWindowComparesWholeSeconds)
{
    skiptime = {100, 900};
    timespec before = {99, 999999999}, same = {100, 0}, after = {101, 0};
    EXPECT_EQ(1, in_skip_window(&before));
    EXPECT_EQ(0, in_skip_window(&same));
    EXPECT_EQ(0, in_skip_window(&after));
}

TEST_F(Notify, MaskEightMovesNothing)
{
    FmeaDevice &d = fake_os::add_row(2, 0, 0);
    d.new_link_status = 0x2011;
    d.new_ue_status = 0x10;
    notify(0, NOTIFY_NICERR);
    EXPECT_EQ(0u, d.link_status);
    EXPECT_EQ(0u, d.ue_status);
    EXPECT_EQ(8u, d.notify_mask);
}

TEST_F(Notify, InjectedRowIsRestoredFromItsSnapshot)
{
    FmeaDevice &d = fake_os::add_row(2, 0, 0);
    d.link_status = 0x2011;
    fi_command = LINKMON_CMD_LINK;
    fi_bus = 2;
    int action = -1;
    ASSERT_EQ(1, linkmon::fi_probe(LINKMON_CMD_LINK, 0, linkmon::FI_SNAPSHOT, &action));
    EXPECT_EQ(0, action);
    d.new_link_status = 0xFFFF;
    d.loss_sec = 1000;
    linkmonsockfd[0] = 30;
    notify(0, NOTIFY_LINK);
    FmeaDevice sent;
    memcpy(&sent, fake_os::state().sent[30].data(), sizeof sent);
    EXPECT_EQ(0xFFFFu, sent.new_link_status);
    EXPECT_EQ(0x2011u, d.link_status);
    EXPECT_EQ(0u, d.new_link_status);
    EXPECT_EQ(0, d.loss_sec);
    EXPECT_EQ(0u, d.notify_mask);
    EXPECT_EQ(0, d.notify_sec);
    EXPECT_EQ(0, fi_command);
}

TEST_F(Notify, InjectionWithoutSnapshotNeverRestoresAnOldOne)
{
    FmeaDevice &d = fake_os::add_row(2, 0, 0);
    // An earlier injection left a snapshot behind.
    fi_command = LINKMON_CMD_LINK;
    fi_bus = 2;
    int action;
    ASSERT_EQ(1, linkmon::fi_probe(LINKMON_CMD_LINK, 0, linkmon::FI_SNAPSHOT, &action));
    fake_os::capture_stdout([] { notify_clients(0, NOTIFY_LINK); });
    ASSERT_EQ(0, fi_command);
    // A new request whose check has not run yet.
    fake_os::state().recv_data[7].push_back(std::string("\x00\x02\x06\x02\x00\x00\x34\x12", 8));
    fake_os::capture_stdout([] { service_client(7); });
    ASSERT_EQ(LINKMON_CMD_PNICERR, fi_command);
    d.new_link_status = 0x2012;
    notify(0, NOTIFY_LINK);
    EXPECT_EQ(0x2012u, d.link_status) << "the row was overwritten by a stale snapshot";
    EXPECT_EQ(LINKMON_CMD_PNICERR, fi_command) << "the injection stays pending";
}

TEST_F(Notify, StatusShowRetargetDropsTheOldSnapshot)
{
    fake_os::add_row(2, 0, 0).link_status = 0x2011;
    FmeaDevice &other = fake_os::add_row(3, 0, 0);
    fi_command = LINKMON_CMD_LINK;
    fi_bus = 2;
    int action;
    ASSERT_EQ(1, linkmon::fi_probe(LINKMON_CMD_LINK, 0, linkmon::FI_SNAPSHOT, &action));
    fake_os::state().recv_data[7].push_back(std::string("\x00\x03\x07\x02\x00\x00\x34\x12", 8));
    fake_os::capture_stdout([] { service_client(7); });
    ASSERT_EQ(3, fi_bus);
    other.new_link_status = 0x2014;
    notify(1, NOTIFY_LINK);
    EXPECT_EQ(3u, other.bus) << "row 0's snapshot was copied over row 1";
    EXPECT_EQ(0x2014u, other.link_status);
}

TEST_F(Notify, SataInjectionAppliesToAnyRowButRestoresOnlyTheTarget)
{
    fake_os::add_row(0, 0x1f, 2);
    fi_command = LINKMON_CMD_SATA;
    fi_bus = 5;
    fi_action = 2;
    int action = -1;
    EXPECT_EQ(1, linkmon::fi_probe(LINKMON_CMD_SATA, 0, linkmon::FI_SNAPSHOT, &action));
    EXPECT_EQ(2, action);
    EXPECT_EQ(0, linkmon::fi_probe(LINKMON_CMD_LINK, 0, linkmon::FI_SNAPSHOT, &action));
    notify(0, NOTIFY_LINK);
    EXPECT_EQ(LINKMON_CMD_SATA, fi_command);
}

TEST_F(Notify, SataSnapshotNeverLandsOnTheRowOfTheRequestAddress)
{
    FmeaDevice &sata = fake_os::add_row(0, 0x1f, 2);
    FmeaDevice &other = fake_os::add_row(5, 0, 0);
    other.link_status = 0x2011;
    fi_command = LINKMON_CMD_SATA;
    fi_bus = 5;
    int action;
    ASSERT_EQ(1, linkmon::fi_probe(LINKMON_CMD_SATA, 0, linkmon::FI_SNAPSHOT, &action));
    other.new_link_status = 0x2012;
    notify(1, NOTIFY_LINK);
    EXPECT_EQ(5u, other.bus) << "the SATA row's snapshot was copied over row 1";
    EXPECT_EQ(0x2012u, other.link_status);
    EXPECT_EQ(0x1fu, sata.dev);
    EXPECT_EQ(LINKMON_CMD_SATA, fi_command) << "the injection stays pending";
}

TEST_F(Notify, ReloadPausesThenLogsTwiceThenRuns)
{
    FmeaDevice &d = fake_os::add_row(4, 0, 0);
    d.flags = FLAG_CRITICAL;
    strcpy(d.hwid, "eth3");
    fake_os::state().system_result = 42;
    int rc = 0;
    std::string out = fake_os::capture_stdout([&] { rc = reload_card(0, NOTIFY_LINK); });
    EXPECT_EQ(42, rc);
    EXPECT_EQ((std::vector<std::string>{"sleep 2s", "system /sbin/pdreboot -y"}),
              fake_os::state().events);
    const std::string line =
        "[8086:1533 04:00.0] Critical Device eth3 Name  Down: Reloading Card\n";
    size_t first = out.find(line);
    ASSERT_NE(std::string::npos, first) << out;
    EXPECT_NE(std::string::npos, out.find(line, first + line.size()));
    EXPECT_LT(out.find("00. 8086:1533 04:00.0"), first) << "the notification comes first";
}

TEST_F(Notify, ReloadInsideTheQuietPeriodStillRuns)
{
    fake_os::add_row(4, 0, 0).flags = FLAG_CRITICAL;
    skiptime = {5000, 0};
    std::string out = fake_os::capture_stdout([] { reload_card(0, NOTIFY_LINK); });
    EXPECT_NE(std::string::npos, out.find("Skip 1 notify"));
    EXPECT_EQ("system /sbin/pdreboot -y", fake_os::state().events.back());
}

} // namespace
