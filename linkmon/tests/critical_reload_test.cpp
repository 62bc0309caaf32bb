// A critical endpoint that stays lost reloads the card: through the
// monitoring loop, the notification, the pause and the reload command.
#include "fakes/monitor_fixture.h"
#include "fakes/net_fakes.h"

namespace {

class CriticalReload : public fake_core::MonitorTest {
  protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        netfake::state() = netfake::State{};
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
    fake_core::state().mono = {300, 0};
    std::string out = passes(1);
    EXPECT_EQ(0u, count(out, line));
    EXPECT_TRUE(netfake::state().events.empty());

    fake_core::state().mono = {302, 0};
    out = passes(1);
    EXPECT_EQ(2u, count(out, line)) << out;
    EXPECT_EQ((std::vector<std::string>{"sleep 2", "system /sbin/pdreboot -y"}),
              netfake::state().events);
    // The daemon goes on: the next critical pass runs the command again.
    out = passes(1);
    EXPECT_EQ(4u, netfake::state().events.size());
}

} // namespace
