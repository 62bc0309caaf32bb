// The signal table, the handlers and the wrappers, through the fake
// platform layer (real deliveries are the system tests' part).
#include <cerrno>
#include <string>

#include "image_decoder.hpp"
#include "sandbox.hpp"
#include "signals.hpp"

namespace covdump::test
{
namespace
{

using fake::state;

int g_plain_calls = 0;
int g_plain_sig = 0;
void on_plain(int sig)
{
    ++g_plain_calls;
    g_plain_sig = sig;
}

siginfo_t *g_info = nullptr;
void *g_ctx = nullptr;
int g_info_sig = 0;
void on_info(int sig, siginfo_t *info, void *ctx)
{
    g_info_sig = sig;
    g_info = info;
    g_ctx = ctx;
}

class Signals : public Sandbox
{
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        card7_ready();
        install_signal_handlers();
        g_plain_calls = g_plain_sig = g_info_sig = 0;
        g_info = nullptr;
        g_ctx = nullptr;
        obj_.values(0) = {5, 0, 7};
        obj_.register_it();
    }
    static std::vector<std::string> signal_log()
    {
        return fake::lines_of(std::string(kCard7Logs) + "recieved_signals.log");
    }
    FakeObject obj_{"/src/ctrl.gcda", 1, {{3}}};
};

TEST_F(Signals, StartupInstallsThePlainHandlers)
{
    EXPECT_EQ(cflow_signals[0], 15);
    EXPECT_EQ(cflow_signals[1], 56);
    EXPECT_EQ(cflow_signals[2], 57);
    EXPECT_EQ(fake::handler_of(15), &cflow_sigterm_catcher);
    EXPECT_EQ(fake::handler_of(56), &cflow_sigterm_catcher);
    EXPECT_EQ(fake::handler_of(57), &cflow_cleanup);
    EXPECT_EQ(user_signalActs[0].kind, 0);
    EXPECT_EQ(user_signalActs[0].handler, nullptr);
    EXPECT_EQ(user_signalActs[1].kind, -1);
    EXPECT_EQ(user_signalActs[2].kind, -1);
    EXPECT_EQ(cflow_signalActs_act[2], &cflow_cleanup_act);
}

TEST_F(Signals, FailedInstallIsReportedAndTheRestGoOn)
{
    state().actions.clear();
    state().fail_signal = 56;
    ::testing::internal::CaptureStderr();
    install_signal_handlers();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "CFLOW::cflow_startup:341 signal failed.\n");
    EXPECT_EQ(fake::handler_of(57), &cflow_cleanup);
}

TEST_F(Signals, CheckRecognisesOnlyThePlainHandlers)
{
    EXPECT_EQ(check_signal_cflow(reinterpret_cast<void *>(&cflow_sigterm_catcher)), 1);
    EXPECT_EQ(check_signal_cflow(reinterpret_cast<void *>(&cflow_cleanup)), 1);
    EXPECT_EQ(check_signal_cflow(reinterpret_cast<void *>(&cflow_cleanup_act)), 0);
    EXPECT_EQ(check_signal_cflow(reinterpret_cast<void *>(&on_plain)), 0);
}

TEST_F(Signals, SigtermWithoutProgramHandlerDumpsThenDies)
{
    errno = EAGAIN;
    cflow_sigterm_catcher(15);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_TRUE(fake::exists("/misc/scratch/cflow/ctrl.ARM.4711.dat"));
    EXPECT_EQ(signal_log(),
              std::vector<std::string>{std::string(kFakeStamp) + " : Dump : ctrl : 4711 : 15"});
    EXPECT_EQ(fake::handler_of(15), SIG_DFL);
    EXPECT_EQ(state().raised, std::vector<int>{15});
}

TEST_F(Signals, DumpSignalGoesOnWithoutHandler)
{
    cflow_sigterm_catcher(56);
    EXPECT_TRUE(fake::exists("/misc/scratch/cflow/ctrl.ARM.4711.dat"));
    EXPECT_TRUE(state().raised.empty());
    EXPECT_EQ(fake::handler_of(56), &cflow_sigterm_catcher);
}

TEST_F(Signals, ClearSignalZeroesAndLogs)
{
    cflow_cleanup(57);
    EXPECT_EQ(obj_.values(0), (std::vector<gcov_type>{0, 0, 0}));
    EXPECT_EQ(state().out, "['cflow clear' DONE]\n");
    EXPECT_EQ(signal_log(),
              std::vector<std::string>{std::string(kFakeStamp) + " : Clean : ctrl : 4711 : 57"});
    EXPECT_FALSE(fake::exists("/misc/scratch/cflow/ctrl.ARM.4711.dat"));
}

TEST_F(Signals, ProgramSignalHandlerRunsAfterTheDump)
{
    EXPECT_EQ(__wrap_signal(15, on_plain), SIG_DFL);
    EXPECT_EQ(fake::handler_of(15), &cflow_sigterm_catcher);
    EXPECT_EQ(user_signalActs[0].kind, 0);
    cflow_sigterm_catcher(15);
    EXPECT_TRUE(fake::exists("/misc/scratch/cflow/ctrl.ARM.4711.dat"));
    EXPECT_EQ(g_plain_calls, 1);
    EXPECT_EQ(g_plain_sig, 15);
    EXPECT_TRUE(state().raised.empty());
}

TEST_F(Signals, IgnoreReplacesTheRuntimeHandler)
{
    EXPECT_EQ(__wrap_signal(56, SIG_IGN), &cflow_sigterm_catcher);
    EXPECT_EQ(fake::handler_of(56), SIG_IGN);
    // A handler installed afterwards brings the runtime's handler back.
    EXPECT_EQ(__wrap_signal(56, on_plain), SIG_DFL);
    EXPECT_EQ(fake::handler_of(56), &cflow_sigterm_catcher);
}

TEST_F(Signals, OtherSignalsAndOwnHandlersPassThrough)
{
    EXPECT_EQ(__wrap_signal(SIGUSR1, on_plain), SIG_DFL);
    EXPECT_EQ(fake::handler_of(SIGUSR1), &on_plain);
    EXPECT_EQ(__wrap_signal(57, cflow_cleanup), &cflow_cleanup);
    EXPECT_EQ(user_signalActs[2].kind, -1);
    (void)__wrap_signal(57, SIG_ERR);
    EXPECT_EQ(user_signalActs[2].kind, -1);
}

TEST_F(Signals, PlainSigactionIsRecorded)
{
    struct sigaction act {
    };
    act.sa_handler = on_plain;
    struct sigaction old;
    std::memset(&old, 0x5A, sizeof old);
    EXPECT_EQ(__wrap_sigaction(56, &act, &old), 0);
    EXPECT_EQ(old.sa_handler, SIG_DFL);
    EXPECT_EQ(old.sa_flags, 0);
    EXPECT_EQ(user_signalActs[1].kind, 0);
    EXPECT_EQ(user_signalActs[1].handler, &on_plain);
    EXPECT_EQ(fake::handler_of(56), &cflow_sigterm_catcher);
    cflow_sigterm_catcher(56);
    EXPECT_EQ(g_plain_sig, 56);
}

TEST_F(Signals, SiginfoSigactionInstallsTheThreeArgumentTwin)
{
    struct sigaction act {
    };
    act.sa_sigaction = on_info;
    act.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&act.sa_mask);
    sigaddset(&act.sa_mask, SIGUSR2);
    EXPECT_EQ(__wrap_sigaction(57, &act, nullptr), 0);
    const struct sigaction &installed = state().actions[57];
    EXPECT_EQ(installed.sa_sigaction, &cflow_cleanup_act);
    EXPECT_EQ(installed.sa_flags, SA_SIGINFO | SA_RESTART);
    EXPECT_EQ(sigismember(&installed.sa_mask, SIGUSR2), 1);
    EXPECT_EQ(user_signalActs[2].kind, 1);

    siginfo_t info{};
    int ctx = 0;
    cflow_cleanup_act(57, &info, &ctx);
    EXPECT_EQ(obj_.values(0), (std::vector<gcov_type>{0, 0, 0}));
    EXPECT_EQ(g_info_sig, 57);
    EXPECT_EQ(g_info, &info);
    EXPECT_EQ(g_ctx, &ctx);
    // Without signal information the program's handler is not called.
    g_info_sig = 0;
    users_signalhandler(2, 57, nullptr, nullptr);
    EXPECT_EQ(g_info_sig, 0);
    // Installing the runtime's own twin again changes nothing.
    act.sa_sigaction = cflow_cleanup_act;
    EXPECT_EQ(__wrap_sigaction(57, &act, nullptr), 0);
    EXPECT_EQ(user_signalActs[2].action, &on_info);
}

TEST_F(Signals, SiginfoSigactionReportsTheDefaultAsPrevious)
{
    struct sigaction act {
    };
    act.sa_sigaction = on_info;
    act.sa_flags = SA_SIGINFO;
    struct sigaction old;
    std::memset(&old, 0x5A, sizeof old);
    EXPECT_EQ(__wrap_sigaction(56, &act, &old), 0);
    EXPECT_EQ(old.sa_handler, SIG_DFL);
    EXPECT_EQ(old.sa_flags, 0);
    EXPECT_EQ(sigismember(&old.sa_mask, SIGUSR2), 0);
    // Restoring what was reported records the default action again.
    EXPECT_EQ(__wrap_sigaction(56, &old, nullptr), 0);
    EXPECT_EQ(user_signalActs[1].kind, 0);
    EXPECT_EQ(user_signalActs[1].handler, nullptr);
}

TEST_F(Signals, SigactionPassesThroughWhenNotOurs)
{
    struct sigaction old {
    };
    EXPECT_EQ(__wrap_sigaction(56, nullptr, &old), 0);
    EXPECT_EQ(old.sa_handler, &cflow_sigterm_catcher);
    struct sigaction act {
    };
    act.sa_handler = SIG_IGN;
    EXPECT_EQ(__wrap_sigaction(15, &act, nullptr), 0);
    EXPECT_EQ(fake::handler_of(15), SIG_IGN);
    act.sa_handler = on_plain;
    EXPECT_EQ(__wrap_sigaction(SIGUSR1, &act, nullptr), 0);
    EXPECT_EQ(fake::handler_of(SIGUSR1), &on_plain);
}

TEST_F(Signals, BadIndexDoesNothing)
{
    users_signalhandler(3, 15, nullptr, nullptr);
    users_signalhandler(-1, 15, nullptr, nullptr);
    EXPECT_TRUE(state().raised.empty());
}

class Exec : public Sandbox
{
};

TEST_F(Exec, ListFormsBuildTheVector)
{
    EXPECT_EQ(__gcov_execl("/bin/ls", "ls", "-l", static_cast<char *>(nullptr)), -1);
    EXPECT_EQ(errno, ENOENT);
    char env0[] = "A=1";
    char *envp[] = {env0, nullptr};
    __gcov_execlp("ls", "ls", static_cast<char *>(nullptr));
    __gcov_execle("/bin/env", "env", "-i", "x", static_cast<char *>(nullptr), envp);
    const auto &e = state().execs;
    ASSERT_EQ(e.size(), 3U);
    EXPECT_EQ(e[0].function, "execv");
    EXPECT_EQ(e[0].path, "/bin/ls");
    EXPECT_EQ(e[0].argv, (std::vector<std::string>{"ls", "-l"}));
    EXPECT_EQ(e[1].function, "execvp");
    EXPECT_EQ(e[1].argv, std::vector<std::string>{"ls"});
    EXPECT_EQ(e[2].function, "execve");
    EXPECT_EQ(e[2].argv, (std::vector<std::string>{"env", "-i", "x"}));
    EXPECT_EQ(e[2].envp, std::vector<std::string>{"A=1"});
}

TEST_F(Exec, VectorFormsPassStraightOn)
{
    char a0[] = "prog";
    char *argv[] = {a0, nullptr};
    char *envp[] = {nullptr};
    __gcov_execv("/p", argv);
    __gcov_execvp("p", argv);
    __gcov_execve("/p", argv, envp);
    ASSERT_EQ(state().execs.size(), 3U);
    EXPECT_EQ(state().execs[2].function, "execve");
    EXPECT_EQ(state().execs[2].argv, std::vector<std::string>{"prog"});
    EXPECT_EQ(__gcov_fork(), 4712);
}

} // namespace
} // namespace covdump::test
