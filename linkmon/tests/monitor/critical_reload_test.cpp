// A critical endpoint that stays lost reloads the card: through the
// monitoring loop, the notification, the pause and the reload command.
#include "fakes/monitor_fixture.h"

namespace
{

class CriticalReload : public fake_os::MonitorTest
{
  protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        endpoint().flags |= FLAG_CRITICAL;
        strcpy(endpoint().hwid, "RP-FPGA");
    }
};

TEST_F(CriticalReload, LostCriticalRowReloadsAfterThePause)
{
    const std::string line =
        "[f00d:0100 01:00.0] Critical Device RP-FPGA Name  Down: Reloading Card\n";
    strcpy(endpoint().name, "");
    card.remove(1, 0, 0);
    fake_os::state().mono = {300, 0};
    std::string out = passes(1);
    EXPECT_EQ(0u, count(out, line));
    const auto &events = fake_os::state().events;
    EXPECT_EQ((std::vector<std::string>{"sleep 1s"}), events) << "only the pass's own sleep";

    fake_os::state().mono = {302, 0};
    out = passes(1);
    EXPECT_EQ(2u, count(out, line)) << out;
    EXPECT_EQ(
        (std::vector<std::string>{"sleep 1s", "sleep 1s", "sleep 2s", "system /sbin/pdreboot -y"}),
        events);
    // The daemon goes on: the next critical pass runs the command again.
    out = passes(1);
    EXPECT_EQ((std::vector<std::string>{"sleep 1s", "sleep 2s", "system /sbin/pdreboot -y"}),
              std::vector<std::string>(events.begin() + 4, events.end()));
}

} // namespace
