// Start-up: argument count, board code and type from the kernel command
// line, choice of mode and the server's start-up sequence.
#include "app/app.h"
#include "fakes/daemon_fixture.h"
#include "fakes/fake_card.h"
#include "monitor/monitor.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace
{

struct StopServer {
};

class Startup : public fake_os::DaemonTest
{
  protected:
    void command_line(const std::string &card, const std::string &type)
    {
        fake_os::state().popen_output[linkmon::settings::CARD_INDEX_PIPELINE] = card;
        fake_os::state().popen_output[linkmon::settings::BOARDTYPE_PIPELINE] = type;
    }
    int run(std::vector<const char *> args)
    {
        std::vector<char *> argv;
        for (const char *a : args)
            argv.push_back(const_cast<char *>(a));
        argv.push_back(nullptr);
        return pcie_monitor_main(static_cast<int>(args.size()), argv.data());
    }
};

const char *const USAGE = "Usage: Two modes\n"
                          "pm 0x80000000 - server mode\n"
                          "pm 10.0.2.16 set|show sata|link|ues|pniclnk|pnicerr|status|hitless "
                          "bb:dd.f - client mode\n"
                          "0x80000000 is PCI MMCONFIG base address\n"
                          "10.0.2.16 is Host IP address\n";

} // namespace

TEST_F(Startup, WrongArgumentCountPrintsUsageWithoutReadingCommandLine)
{
    for (auto args : {std::vector<const char *>{"pm"},
                      {"pm", "a", "b"},
                      {"pm", "a", "b", "c"},
                      {"pm", "a", "b", "c", "d", "e"}}) {
        capture();
        EXPECT_EQ(run(args), 1);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), USAGE);
    }
    EXPECT_TRUE(fake_os::state().popen_commands.empty());
}

TEST_F(Startup, ReadsCardIndexAndBoardType)
{
    command_line("27065\n", "RP\n");
    capture();
    EXPECT_EQ(read_card_index(), 27065);
    EXPECT_EQ(messages(), "cardindex = 27065boardtype = RP ");
    EXPECT_STREQ(boardtype_arr, "RP");
    EXPECT_EQ(is_boardtype_set, 1);
    EXPECT_EQ(fake_os::state().pipes_open, 0);
}

TEST_F(Startup, BoardTypeKeepsTwoCharacters)
{
    command_line("27066\n", "RPX\n");
    capture();
    read_card_index();
    messages();
    EXPECT_STREQ(boardtype_arr, "RP");
}

TEST_F(Startup, CommandLineWithoutKeysGivesCodeZero)
{
    command_line("BOOT_IMAGE=/vmlinuz\n", "BOOT_IMAGE=/vmlinuz\n");
    capture();
    EXPECT_EQ(read_card_index(), 0);
    EXPECT_EQ(messages(), "cardindex = 0boardtype = BO ");
    EXPECT_EQ(is_boardtype_set, 1);
}

TEST_F(Startup, PipelineFailuresAreLogged)
{
    capture();
    EXPECT_EQ(read_card_index(), 0);
    EXPECT_EQ(messages(), "Card index not found\nBoardtype not found\n");
    EXPECT_EQ(is_boardtype_set, 0);
    EXPECT_STREQ(boardtype_arr, "");
}

TEST_F(Startup, UnsupportedBoardExitsZeroInBothModes)
{
    command_line("12345\n", "LC\n");
    for (auto args : {std::vector<const char *>{"pm", "0x80000000"},
                      {"pm", "10.0.2.16", "show", "status", "02:00.0"}}) {
        capture();
        EXPECT_EQ(run(args), 0);
        EXPECT_EQ(messages(), "cardindex = 12345boardtype = LC "
                              "Linkmonitoring is not supported on card = 12345\n");
    }
    EXPECT_EQ(client_mode, 0);
    EXPECT_EQ(fake_os::state().devmem_opens, 0);
}

TEST_F(Startup, WindowFailureExitsOne)
{
    command_line("27065\n", "RP\n");
    capture();
    EXPECT_EQ(run({"pm", "0x80000000"}), 1);
    EXPECT_NE(messages().find("mmap_mmcfg failed paddr = 80000000 errno = 22\n"),
              std::string::npos);
    EXPECT_TRUE(fake_os::state().sleeps.empty());
}

TEST_F(Startup, ServerSequenceRunsInOrder)
{
    fake_os::FakeCard card;
    auto &fakes = fake_os::state();
    fakes.phys[0x80000000] = card.base();
    command_line("27065\n", "RP\n");
    fakes.thread_results = {11, 0};
    std::vector<int> first_slots;
    fakes.on_sleep = [&](std::chrono::milliseconds interval) {
        if (interval == linkmon::settings::STARTUP_DELAY) {
            first_slots.assign(linkmonsockfd, linkmonsockfd + 3);
            fakes.mono = {500, 250};
        } else {
            throw StopServer{}; // the monitoring loop's first sleep
        }
    };
    capture();
    EXPECT_THROW(run({"pm", "0x80000000"}), StopServer);
    const std::string out = messages();
    EXPECT_EQ(first_slots, (std::vector<int>{-1, -1, -1}));
    EXPECT_EQ(fakes.sleeps, (fake_os::Sleeps{90s, 1s}));
    EXPECT_EQ(skiptime.tv_sec, 710);
    EXPECT_EQ(skiptime.tv_nsec, 250);
    ASSERT_EQ(fakes.threads.size(), 2u);
    EXPECT_EQ(fakes.threads[0], &accept_linkmon_connections);
    EXPECT_EQ(fakes.threads[1], &auto_clear_thread);
    const auto at = [&](const char *text) { return out.find(text); };
    EXPECT_NE(at("MMCONFIG paddr = 80000000 vaddr = "), std::string::npos);
    EXPECT_LT(at("MMCONFIG paddr"), at("pm: cannot create aer server thread, errno = 11\n"));
    EXPECT_LT(at("cannot create aer server"), at("Starting link monitoring\n"));
    EXPECT_EQ(at("cannot create auto clear thread"), std::string::npos);
}
