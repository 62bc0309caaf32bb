// NIC error episodes: counters, their increase, opening and closing, and
// the "pnicerr" injection.
#include "fakes/daemon_fixture.h"
#include "fakes/fake_nics.h"
#include "nic/nic.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <gtest/gtest.h>
#include <string.h>

namespace
{

using fake_os::FakeNic;

class NicErrors : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake_os::reset();
        fake_os::reset_daemon_globals();
        fake_os::install_nics(&nics);
        FmeaDevice &d = fmea_devices[0];
        d.type = DEV_TYPE_PNIC;
        d.partner_idx = PIDX_PNIC;
        d.bus = 3;
        strcpy(d.hwid, "eth0");
        n_fmea_devices = 1;
        nic().stats = {{"rx_packets", 500},  {"rx_errors", 0},        {"tx_errors", 0},
                       {"rx_crc_errors", 0}, {"rx_length_errors", 0}, {"rx_fifo_errors", 9}};
    }

    FakeNic &nic()
    {
        return nics["eth0"];
    }

    void set(const char *name, uint64_t value)
    {
        for (auto &stat : nic().stats)
            if (stat.first == name)
                stat.second = value;
    }

    int turn(std::string *out = nullptr)
    {
        int verdict = -1;
        std::string log = fake_os::capture_stdout([&] { verdict = check_nic_errors(0, "eth0"); });
        if (out != nullptr)
            *out = log;
        return verdict;
    }

    void advance(time_t sec)
    {
        fake_os::state().mono.tv_sec += sec;
    }

    FmeaDevice &row()
    {
        return fmea_devices[0];
    }

    std::map<std::string, FakeNic> nics;
};

TEST_F(NicErrors, QuietCountersReportNothing)
{
    EXPECT_EQ(CHECK_OK, turn());
    EXPECT_EQ(0u, row().nic_cur[NIC_SAMPLE_SEC]);
}

TEST_F(NicErrors, NonZeroAtStartOpensAnEpisode)
{
    set("rx_errors", 3);
    set("rx_crc_errors", 2);
    std::string out;
    EXPECT_EQ(CHECK_NIC_ERRORS, turn(&out));
    EXPECT_NE(std::string::npos, out.find("linkmon: eth0:rx_errors: 3\n")) << out;
    EXPECT_NE(std::string::npos, out.find("linkmon: eth0:rx_crc_errors: 2\n"));
    EXPECT_EQ(std::string::npos, out.find("rx_fifo_errors")) << "only the four named counters";
    EXPECT_EQ(5u, row().nic_errors);
    EXPECT_EQ(3u, row().nic_cur[NIC_SAMPLE_RX_ERRORS]);
    EXPECT_EQ(2u, row().nic_cur[NIC_SAMPLE_RX_CRC_ERRORS]);
    EXPECT_EQ(1000u, row().nic_cur[NIC_SAMPLE_SEC]);
    EXPECT_EQ(0u, row().nic_prev[NIC_SAMPLE_SEC]);
}

TEST_F(NicErrors, EpisodeStaysOpenThenClosesAfterThreeHundredSeconds)
{
    set("tx_errors", 1);
    EXPECT_EQ(CHECK_NIC_ERRORS, turn());
    advance(100);
    set("tx_errors", 4);
    EXPECT_EQ(CHECK_OK, turn()) << "increases inside an open episode are not notified again";
    EXPECT_EQ(3u, row().nic_errors);
    EXPECT_EQ(1000u, row().nic_prev[NIC_SAMPLE_SEC]);
    EXPECT_EQ(1100u, row().nic_cur[NIC_SAMPLE_SEC]);
    advance(300);
    EXPECT_EQ(CHECK_OK, turn()) << "300 s after the last increase is not yet more";
    advance(1);
    EXPECT_EQ(CHECK_NIC_ERRORS, turn());
    EXPECT_EQ(0u, row().nic_cur[NIC_SAMPLE_SEC]);
    EXPECT_EQ(0u, row().nic_errors);
    EXPECT_EQ(CHECK_OK, turn());
}

TEST_F(NicErrors, CounterGoingBackwardsIsAHugeIncrease)
{
    set("rx_length_errors", 10);
    turn();
    set("rx_length_errors", 4);
    advance(5);
    std::string out;
    EXPECT_EQ(CHECK_OK, turn(&out));
    EXPECT_EQ(static_cast<uint32_t>(4ull - 10ull), row().nic_errors);
    EXPECT_NE(std::string::npos, out.find("linkmon: eth0:rx_length_errors: 4\n"));
}

TEST_F(NicErrors, DrvinfoGivesTheCountWithoutSetInformation)
{
    nic().no_sset_info = true;
    set("rx_errors", 2);
    EXPECT_EQ(CHECK_NIC_ERRORS, turn());
    EXPECT_EQ(2u, row().nic_errors);
}

TEST_F(NicErrors, StatisticsAddedAfterTheNamesNeverOverrunTheBlock)
{
    // The driver gains per-queue counters between the names and the values
    // (channels reconfigured, say); the kernel writes all of its values.
    nic().added_after_names = {{"rx_q1_errors", 7}, {"tx_q1_errors", 7}};
    set("rx_errors", 2);
    EXPECT_EQ(CHECK_OK, turn()) << "values that no longer match the names are not used";
    EXPECT_FALSE(fake_os::nic_block_overrun());
    EXPECT_EQ(0u, row().nic_cur[NIC_SAMPLE_SEC]);
    EXPECT_EQ(CHECK_NIC_ERRORS, turn());
    EXPECT_EQ(2u, row().nic_errors);
    EXPECT_FALSE(fake_os::nic_block_overrun());
}

TEST_F(NicErrors, NamesOfAChangedCountAreNotUsed)
{
    // The count grows between its query and the names: the kernel says so
    // in the names block, whose room is for the count asked for.
    nic().added_after_count = {{"rx_q1_errors", 7}};
    set("rx_errors", 2);
    EXPECT_EQ(CHECK_OK, turn());
    EXPECT_EQ(0u, row().nic_cur[NIC_SAMPLE_SEC]);
    EXPECT_EQ(CHECK_NIC_ERRORS, turn());
    EXPECT_EQ(2u, row().nic_errors);
}

TEST_F(NicErrors, UnknownInterfaceHasNoSample)
{
    strcpy(row().hwid, "bogus");
    int verdict = -1;
    fake_os::capture_stdout([&] { verdict = check_nic_errors(0, "bogus"); });
    EXPECT_EQ(CHECK_OK, verdict);
    EXPECT_EQ(0u, row().nic_cur[NIC_SAMPLE_SEC]);
}

TEST_F(NicErrors, SetInjectionOpensAnEpisodeThatSurvivesTheRestore)
{
    fi_command = LINKMON_CMD_PNICERR;
    fi_bus = 3;
    fi_action = 0;
    EXPECT_EQ(CHECK_NIC_ERRORS, turn());
    EXPECT_EQ(100u, row().nic_errors);
    EXPECT_EQ(100u, fi_fmea_dev.nic_errors) << "the snapshot follows the stored sample";
    fake_os::capture_stdout([] { notify_clients(0, NOTIFY_NICERR); });
    EXPECT_EQ(0, fi_command);
    EXPECT_EQ(1000u, row().nic_cur[NIC_SAMPLE_SEC]);
    advance(301);
    EXPECT_EQ(CHECK_NIC_ERRORS, turn()) << "the injected episode closes with a second notification";
}

TEST_F(NicErrors, ShowInjectionAgesAnOpenEpisode)
{
    set("rx_errors", 1);
    turn();
    advance(10);
    fi_command = LINKMON_CMD_PNICERR;
    fi_bus = 3;
    fi_action = 2;
    set("rx_errors", 7);
    EXPECT_EQ(CHECK_NIC_ERRORS, turn()) << "the increase is dropped and the episode closes";
    EXPECT_EQ(0u, row().nic_errors);
    EXPECT_EQ(0u, row().nic_cur[NIC_SAMPLE_SEC]);
    EXPECT_EQ(0u, fi_fmea_dev.nic_cur[NIC_SAMPLE_SEC]);
}

TEST_F(NicErrors, ShowInjectionWithoutAnEpisodeStaysPending)
{
    fi_command = LINKMON_CMD_PNICERR;
    fi_bus = 3;
    fi_action = 2;
    EXPECT_EQ(CHECK_OK, turn());
    EXPECT_EQ(LINKMON_CMD_PNICERR, fi_command);
}

} // namespace
