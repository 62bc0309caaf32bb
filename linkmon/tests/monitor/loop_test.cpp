// The monitoring loop: verdict actions, "check done" lines, the pause
// word, the quiet period and the cost of a quiet pass.
#include "app/app.h"
#include "fakes/monitor_fixture.h"

#include <vector>

using fake_os::MonitorTest;

using namespace std::chrono_literals;

namespace
{

using Monitor = MonitorTest;

int verdict_of_test = CHECK_NA;
int scripted_check(unsigned)
{
    return verdict_of_test;
}

} // namespace

TEST_F(Monitor, CheckDoneIsLoggedInTheFirstPassOnly)
{
    const std::string first = passes(1);
    EXPECT_EQ(first, "ID 00 00:01.0 8086/1901 ues check done\n"
                     "ID 01 01:00.0 f00d/0100 ues check done\n");
    EXPECT_EQ(passes(3), "");
    EXPECT_EQ(linkmon_pass, 4u);
    EXPECT_EQ(fake_os::state().sleeps, (fake_os::Sleeps{1s, 1s, 1s, 1s}));
}

TEST_F(Monitor, NoPassIsCountedWhilePaused)
{
    linkmonstate = 1;
    EXPECT_EQ(passes(3), "");
    EXPECT_EQ(linkmon_pass, 0u);
    EXPECT_EQ(fake_os::state().sleeps, (fake_os::Sleeps{2s, 2s, 2s}));
    linkmonstate = 3;
    passes(1);
    EXPECT_EQ(linkmon_pass, 1u);
}

TEST_F(Monitor, UnpairedRowsAreNotChecked)
{
    fmea_devices[0].partner_idx = PIDX_NONE;
    EXPECT_EQ(passes(1), "ID 01 01:00.0 f00d/0100 ues check done\n");
}

TEST_F(Monitor, VerdictsChooseTheNotificationMask)
{
    const CheckEntry saved = check_table[0];
    check_table[0] = {scripted_check, NOTIFY_LINK, "scripted"};
    const struct {
        int verdict;
        unsigned mask;
    } cases[] = {{CHECK_CHANGED, NOTIFY_LINK},
                 {CHECK_BARS_CHANGED, NOTIFY_BARS},
                 {CHECK_NIC_ERRORS, NOTIFY_NICERR}};
    for (const auto &c : cases) {
        verdict_of_test = c.verdict;
        capture();
        run_checks(1);
        messages();
        EXPECT_EQ(endpoint().notify_mask, c.mask) << c.verdict;
    }
    verdict_of_test = 77; // unknown verdicts fall through to the next check
    endpoint().notify_mask = 0;
    capture();
    run_checks(1);
    EXPECT_EQ(messages(), "ID 01 01:00.0 f00d/0100 ues check done\n");
    EXPECT_EQ(endpoint().notify_mask, 0u);
    check_table[0] = saved;
}

TEST_F(Monitor, QuietPassMakesNoPlatformCall)
{
    passes(1);
    const unsigned long before = fake_os::state().calls;
    capture();
    monitor_pass();
    messages();
    EXPECT_EQ(fake_os::state().calls, before);
}

TEST_F(Monitor, LossInsideTheQuietPeriodIsSentOnceItsEndHasPassed)
{
    ASSERT_EQ(PLATFORM_VENDOR_ID, 0xF00D) << "the texts below assume the default";
    skiptime = {500, 0};
    linkmonsockfd[0] = 30; // a registered client
    card.remove(1, 0, 0);
    fake_os::state().mono = {499, 999999999};
    std::string out = passes(2);
    EXPECT_EQ(count(out, "01. f00d:0100 01:00.0"), 1u) << out;
    EXPECT_EQ(count(out, "Skip 1 notify f00d:0100 01:00.0 "), 1u) << out;
    EXPECT_TRUE(fake_os::state().sent.empty());
    fake_os::state().mono = {500, 999999999}; // whole seconds: not yet past the end
    EXPECT_EQ(passes(1), "");
    fake_os::state().mono = {501, 0};
    out = passes(2);
    EXPECT_EQ(count(out, "01. f00d:0100 01:00.0"), 1u) << out;
    EXPECT_EQ(count(out, "Skip "), 0u) << out;
    EXPECT_EQ(fake_os::state().sent[30].size(), sizeof(FmeaDevice));
}

TEST_F(Monitor, LoopAnnouncesItself)
{
    struct Stop {
    };
    fake_os::state().on_sleep = [](std::chrono::milliseconds) { throw Stop{}; };
    capture();
    EXPECT_THROW(monitor_loop(), Stop);
    EXPECT_EQ(messages(), "Starting link monitoring\n");
}
