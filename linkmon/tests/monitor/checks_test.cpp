// The link, UES and SATA checks and BAR verification.
#include "app/app.h"
#include "fakes/monitor_fixture.h"
#include "server/server.h"

#include <cstring>

using fake_os::MonitorTest;
using fake_os::UE_CTO;

namespace
{

using LinkCheck = MonitorTest;
using UesCheck = MonitorTest;
using BarCheck = MonitorTest;
using SataCheck = MonitorTest;

const char *const LOST_RECORD = "01. f00d:0100 01:00.0 T:00 PSS:00:00:00 LS:00002041NLS:0000ffff";

} // namespace

TEST_F(LinkCheck, LostEndpointIsReportedOnce)
{
    ASSERT_EQ(PLATFORM_VENDOR_ID, 0xF00D) << "the record text below assumes the default";
    card.remove(1, 0, 0);
    fake_os::state().mono = {300, 5};
    const std::string out = passes(4);
    EXPECT_EQ(count(out, LOST_RECORD), 1u) << out;
    EXPECT_EQ(count(out, "01. f00d"), 1u);
    EXPECT_EQ(endpoint().link_status, 0xFFFFu);
    EXPECT_EQ(endpoint().loss_sec, 300);
    EXPECT_EQ(endpoint().loss_nsec, 5);
}

TEST_F(LinkCheck, CriticalLossNeedsMoreThanOneWholeSecond)
{
    endpoint().flags |= FLAG_CRITICAL;
    card.remove(1, 0, 0);
    fake_os::state().mono = {100, 900000000};
    EXPECT_EQ(check_link(1), CHECK_CHANGED);
    endpoint().link_status = 0xFFFF; // as the notification leaves it
    fake_os::state().mono = {101, 999999999};
    EXPECT_EQ(check_link(1), CHECK_OK);
    fake_os::state().mono = {102, 0};
    EXPECT_EQ(check_link(1), CHECK_CRITICAL);
    endpoint().flags &= ~FLAG_CRITICAL;
    EXPECT_EQ(check_link(1), CHECK_OK);
}

TEST_F(LinkCheck, LossInQuietPeriodIsReportedAgainAfterIt)
{
    card.remove(1, 0, 0);
    skiptime = {200, 0};
    endpoint().link_status = 0xFFFF;
    endpoint().loss_sec = 150;
    endpoint().flags |= FLAG_NOTIFY_SKIPPED;
    fake_os::state().mono = {200, 999};
    EXPECT_EQ(check_link(1), CHECK_OK);
    fake_os::state().mono = {201, 0};
    EXPECT_EQ(check_link(1), CHECK_CHANGED);
    EXPECT_EQ(endpoint().flags & FLAG_NOTIFY_SKIPPED, 0u);
    EXPECT_EQ(check_link(1), CHECK_OK);
}

TEST_F(LinkCheck, NewLossClearsSkippedFlagAndKeepsFirstLossTime)
{
    endpoint().flags |= FLAG_NOTIFY_SKIPPED;
    endpoint().loss_sec = 42;
    card.remove(1, 0, 0);
    EXPECT_EQ(check_link(1), CHECK_CHANGED);
    EXPECT_EQ(endpoint().flags & FLAG_NOTIFY_SKIPPED, 0u);
    EXPECT_EQ(endpoint().loss_sec, 42);
    EXPECT_EQ(endpoint().new_link_status, 0xFFFFu);
}

TEST_F(LinkCheck, OnlyComparedBitsCount)
{
    set_link(fake_os::LINK_UP_X4 | 0x0800 | 0x4000); // link training, bandwidth bit
    EXPECT_EQ(check_link(1), CHECK_NA);
    EXPECT_EQ(endpoint().new_link_status, 0x6841u);
    set_link(0x2081); // width x8
    EXPECT_EQ(check_link(1), CHECK_CHANGED);
    set_link(0x0041); // data link layer no longer active
    EXPECT_EQ(check_link(1), CHECK_CHANGED);
    EXPECT_EQ(check_link(0), CHECK_NA); // the root port's own link is steady
}

TEST_F(LinkCheck, InjectedLossForcesTheReadingOnTheTargetOnly)
{
    fi_command = LINKMON_CMD_LINK;
    fi_action = LINKMON_ACTION_SET;
    fi_bus = 1;
    fi_dev = 0;
    fi_func = 0;
    fake_os::state().mono = {400, 7};
    EXPECT_EQ(check_link(0), CHECK_NA);
    EXPECT_EQ(check_link(1), CHECK_CHANGED);
    EXPECT_EQ(fi_fmea_dev.new_link_status, 0x2041u); // the snapshot comes first
    EXPECT_EQ(endpoint().new_link_status, 0xFFFFu);
    EXPECT_EQ(endpoint().loss_sec, 400);
    fi_command = 0;
}

TEST_F(BarCheck, BarsAreVerifiedOnTheSixthPassAfterRecovery)
{
    card.remove(1, 0, 0);
    passes(1);
    card.add_linked_endpoint(1, 1, PLATFORM_VENDOR_ID, 0x0100);
    card.set_bar(1, 0, 0, 0, fake_os::ENDPOINT_BAR0);
    const std::string back = passes(1);
    EXPECT_EQ(count(back, "LS:0000ffffNLS:00002041"), 1u) << back;
    EXPECT_EQ(passes(5), "");
    EXPECT_NE(endpoint().loss_sec, 0);
    EXPECT_EQ(passes(1), "verify_bars 01:00.0 OK\nNEW BARs: 01:00.0: fe000000:0:0:0:0:0\n");
    EXPECT_EQ(endpoint().loss_sec, 0);
    EXPECT_EQ(endpoint().debounce, 0u);
    EXPECT_EQ(endpoint().new_bars[0], fake_os::ENDPOINT_BAR0);
}

TEST_F(BarCheck, ChangedBarIsReportedAndCapturedValuesStay)
{
    endpoint().loss_sec = 1;
    endpoint().debounce = 5;
    card.set_bar(1, 0, 0, 0, 0xfd000000);
    card.set_bar(1, 0, 0, 1, 0x1234); // not captured: read as 0
    capture();
    EXPECT_EQ(check_link(1), CHECK_BARS_CHANGED);
    EXPECT_EQ(messages(), "BARs changed: 01:00.0: fd000000:0:0:0:0:0\n");
    EXPECT_EQ(endpoint().bars[0], fake_os::ENDPOINT_BAR0);
    EXPECT_EQ(endpoint().new_bars[0], 0xfd000000u);
}

TEST_F(BarCheck, BarMaskLimitsTheComparison)
{
    tracked_devices_MOSKA_RP[0].bar_mask = 0x2;
    endpoint().debounce = 5;
    card.set_bar(1, 0, 0, 0, 0xfd000000);
    capture();
    EXPECT_EQ(verify_bars(1, 1, 0, 0), 0);
    tracked_devices_MOSKA_RP[0].bar_mask = 0;
    EXPECT_EQ(messages(), "verify_bars 01:00.0 OK\nNEW BARs: 01:00.0: fd000000:0:0:0:0:0\n");
}

TEST_F(BarCheck, BridgeRecoveryComparesNoBars)
{
    fmea_devices[0].loss_sec = 9;
    fmea_devices[0].debounce = 5;
    capture();
    EXPECT_EQ(check_link(0), CHECK_NA);
    EXPECT_EQ(messages(), "");
    EXPECT_EQ(fmea_devices[0].loss_sec, 0);
}

TEST_F(UesCheck, MaskedOrNonFatalBitsAreNeverReported)
{
    set_ues(UE_CTO | (1u << 15));
    card.write<uint32_t>(1, 0, 0, fake_os::UE_MASK_REG, UE_CTO); // masked since
    EXPECT_EQ(check_ues(1), CHECK_OK);
    EXPECT_EQ(endpoint().ue_mask, UE_CTO);
    EXPECT_EQ(endpoint().new_ue_status, UE_CTO | (1u << 15));
    EXPECT_EQ(ac_wr_idx, 0u);
    const std::string out = passes(2);
    EXPECT_EQ(out.find("01. f00d"), std::string::npos);
}

TEST_F(UesCheck, FatalCompletionTimeoutIsReportedClearedAndReportedAgain)
{
    set_ues(UE_CTO | (1u << 4));
    std::string out = passes(1);
    EXPECT_EQ(count(out, "UES:00000000 NUES:00004010"), 1u) << out;
    EXPECT_EQ(endpoint().ue_status, UE_CTO | (1u << 4));
    ASSERT_EQ(ac_wr_idx, 1u);
    volatile uint32_t *reg = auto_clear[0].reg;
    EXPECT_EQ(auto_clear[0].bits, UE_CTO);
    EXPECT_EQ(reinterpret_cast<volatile uint8_t *>(reg),
              card.page(1, 0, 0) + fake_os::UE_STATUS_REG);
    EXPECT_EQ(passes(1), ""); // reported state
    auto_clear_drain();
    EXPECT_EQ(*reg, UE_CTO); // the store carried only the queued bits
    set_ues(1u << 4);        // as the device clears them
    out = passes(1);
    EXPECT_EQ(count(out, "UES:00004010 NUES:00000010"), 1u) << out;
    EXPECT_EQ(ac_wr_idx, 1u); // nothing more to clear
}

TEST_F(UesCheck, WithoutAerEndpointsAreDoneAndSataOrNicRowsGoOn)
{
    endpoint().aer_cap = 0;
    EXPECT_EQ(check_ues(1), CHECK_OK);
    endpoint().type = DEV_TYPE_SATA;
    EXPECT_EQ(check_ues(1), CHECK_NA);
    endpoint().type = DEV_TYPE_PNIC;
    EXPECT_EQ(check_ues(1), CHECK_NA);
}

TEST_F(UesCheck, LostFunctionReadsAllOnes)
{
    card.remove(1, 0, 0);
    EXPECT_EQ(check_ues(1), CHECK_CHANGED);
    EXPECT_EQ(endpoint().new_ue_status, 0xFFFFFFFFu);
}

TEST_F(SataCheck, PortStatusChangeIsReported)
{
    uint32_t ports[2] = {0x123, 0xF113};
    sata_PxSSTS_addr[0] = &ports[0];
    sata_PxSSTS_addr[1] = &ports[1];
    endpoint().partner_idx = PIDX_SATA;
    endpoint().link_status = 0x01130123;
    EXPECT_EQ(check_sata(1), CHECK_OK);
    ports[1] = 0;
    EXPECT_EQ(check_sata(1), CHECK_CHANGED);
    EXPECT_EQ(endpoint().new_link_status, 0x123u);
    EXPECT_EQ(check_sata(0), CHECK_NA);
    sata_PxSSTS_addr[0] = sata_PxSSTS_addr[1] = nullptr;
}
