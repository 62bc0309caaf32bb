// The coverage signals: the runtime's handlers, the program's handlers
// chained behind them, and the wrappers of signal and sigaction.
#include "signals.hpp"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "covdump.h"
#include "export.hpp"
#include "handler_scope.hpp"
#include "os.hpp"
#include "settings.hpp"

namespace
{

namespace s = covdump::settings;
namespace os = covdump::os;

inline constexpr const char *kSignalFailed = "CFLOW::%s:%d signal failed.\n";
inline constexpr int kSignalFailedLine = 341;
inline constexpr const char *kDumpText = "Dump";
inline constexpr const char *kCleanText = "Clean";

constexpr int kNothing = -1;
constexpr int kPlain = 0;
constexpr int kThreeArgument = 1;

int index_of(int sig)
{
    for (int i = 0; i < s::kSignalCount; ++i) {
        if (cflow_signals[i] == sig) {
            return i;
        }
    }
    return -1;
}

// Replaces an entry so that a handler running in between never sees a
// kind paired with the wrong pointer.
void record(int index, int kind, void (*handler)(int), void (*action)(int, siginfo_t *, void *))
{
    cflow_user_sigact &entry = user_signalActs[index];
    entry.kind = kNothing;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (kind == kThreeArgument) {
        entry.action = action;
    } else {
        entry.handler = handler;
    }
    std::atomic_signal_fence(std::memory_order_seq_cst);
    entry.kind = kind;
}

bool is_runtime_action(void (*action)(int, siginfo_t *, void *))
{
    for (auto *ours : cflow_signalActs_act) {
        if (action == ours) {
            return true;
        }
    }
    return false;
}

// A recorded handler only runs if the runtime's handler is in place: after
// an ignore, or when start-up stopped early, put the plain handler back.
void ensure_runtime_handler(int index)
{
    struct sigaction current {
    };
    if (os::real_sigaction(cflow_signals[index], nullptr, &current) != 0) {
        return;
    }
    const bool ours = (current.sa_flags & SA_SIGINFO) != 0
                          ? is_runtime_action(current.sa_sigaction)
                          : check_signal_cflow(reinterpret_cast<void *>(current.sa_handler)) != 0;
    if (!ours) {
        (void)os::real_signal(cflow_signals[index], cflow_signalActs[index]);
    }
}

// The previous action reported to a program whose handler the runtime only
// recorded: the default action, with a complete record, so that restoring
// it later is well defined.
void report_default(struct sigaction *oldact)
{
    if (oldact != nullptr) {
        std::memset(oldact, 0, sizeof *oldact);
        sigemptyset(&oldact->sa_mask);
        oldact->sa_handler = SIG_DFL;
    }
}

// Calls the program's handler of `kind` recorded for `sig`, if any.
void chain(int sig, int kind, siginfo_t *info, void *ctx)
{
    for (int i = 0; i < s::kSignalCount; ++i) {
        if (cflow_signals[i] == sig && user_signalActs[i].kind == kind) {
            users_signalhandler(i, sig, info, ctx);
            return;
        }
    }
}

} // namespace

namespace covdump
{

void install_signal_handlers()
{
    for (int i = 0; i < s::kSignalCount; ++i) {
        const int sig = cflow_signals[i];
        record(i, kNothing, nullptr, nullptr);
        if (sig != s::kDumpSignal && sig != s::kClearSignal) {
            record(i, kPlain, nullptr, nullptr);
        }
        if (os::real_signal(sig, cflow_signalActs[i]) == SIG_ERR) {
            std::fprintf(stderr, kSignalFailed, "cflow_startup", kSignalFailedLine);
        }
    }
}

void ignore_control_signals()
{
    (void)os::real_signal(s::kDumpSignal, SIG_IGN);
    (void)os::real_signal(s::kClearSignal, SIG_IGN);
}

} // namespace covdump

extern "C" {

COVDUMP_EXPORT int cflow_signals[CFLOW_SIGNAL_COUNT] = {SIGTERM, s::kDumpSignal, s::kClearSignal};
COVDUMP_EXPORT void (*cflow_signalActs[CFLOW_SIGNAL_COUNT])(int) = {
    cflow_sigterm_catcher, cflow_sigterm_catcher, cflow_cleanup};
COVDUMP_EXPORT void (*cflow_signalActs_act[CFLOW_SIGNAL_COUNT])(int, siginfo_t *, void *) = {
    cflow_sigterm_catcher_act, cflow_sigterm_catcher_act, cflow_cleanup_act};
COVDUMP_EXPORT cflow_user_sigact user_signalActs[CFLOW_SIGNAL_COUNT] = {
    {kNothing, {nullptr}}, {kNothing, {nullptr}}, {kNothing, {nullptr}}};

COVDUMP_EXPORT void cflow_sigterm_catcher(int sig)
{
    {
        const covdump::HandlerScope scope;
        const char *name = os::program_name();
        (void)create_cflow_dirs();
        cflow_log(s::kSignalLog, kDumpText, name, cflowpid, sig);
        (void)dumpCodeCoverageData(name);
    }
    chain(sig, kPlain, nullptr, nullptr);
}

COVDUMP_EXPORT void cflow_cleanup(int sig)
{
    {
        const covdump::HandlerScope scope;
        cflow_log(s::kSignalLog, kCleanText, os::program_name(), cflowpid, sig);
        cflow_clear();
    }
    chain(sig, kPlain, nullptr, nullptr);
}

COVDUMP_EXPORT void cflow_sigterm_catcher_act(int sig, siginfo_t *info, void *ctx)
{
    cflow_sigterm_catcher(sig);
    chain(sig, kThreeArgument, info, ctx);
}

COVDUMP_EXPORT void cflow_cleanup_act(int sig, siginfo_t *info, void *ctx)
{
    cflow_cleanup(sig);
    chain(sig, kThreeArgument, info, ctx);
}

COVDUMP_EXPORT void users_signalhandler(int index, int sig, siginfo_t *info, void *ctx)
{
    if (index < 0 || index >= s::kSignalCount) {
        return;
    }
    const cflow_user_sigact &entry = user_signalActs[index];
    if (entry.kind == kPlain && entry.handler == nullptr) {
        // Carry out the default action: for SIGTERM, termination.
        (void)os::real_signal(sig, SIG_DFL);
        (void)os::raise(sig);
    } else if (entry.kind == kPlain) {
        entry.handler(sig);
    } else if (entry.kind == kThreeArgument && info != nullptr && entry.action != nullptr) {
        entry.action(sig, info, ctx);
    }
}

COVDUMP_EXPORT int check_signal_cflow(void *handler)
{
    for (auto *ours : cflow_signalActs) {
        if (handler == reinterpret_cast<void *>(ours)) {
            return 1;
        }
    }
    return 0;
}

COVDUMP_EXPORT void (*__wrap_signal(int sig, void (*handler)(int)))(int)
{
    // SIG_ERR is no handler to chain to; the system refuses it.
    if (handler == SIG_IGN || handler == SIG_ERR) {
        return os::real_signal(sig, handler);
    }
    const int index = index_of(sig);
    if (index >= 0 && check_signal_cflow(reinterpret_cast<void *>(handler)) == 0) {
        record(index, kPlain, handler, nullptr);
        ensure_runtime_handler(index);
        return SIG_DFL;
    }
    return os::real_signal(sig, handler);
}

COVDUMP_EXPORT int __wrap_sigaction(int sig, const struct sigaction *act, struct sigaction *oldact)
{
    const int index = index_of(sig);
    if (act == nullptr || act->sa_handler == SIG_IGN || index < 0) {
        return os::real_sigaction(sig, act, oldact);
    }
    if ((act->sa_flags & SA_SIGINFO) == 0) {
        if (check_signal_cflow(reinterpret_cast<void *>(act->sa_handler)) == 0) {
            record(index, kPlain, act->sa_handler, nullptr);
            ensure_runtime_handler(index);
            report_default(oldact);
        }
        return 0;
    }
    if (is_runtime_action(act->sa_sigaction)) {
        return 0;
    }
    struct sigaction ours {
    };
    ours.sa_sigaction = cflow_signalActs_act[index];
    ours.sa_mask = act->sa_mask;
    ours.sa_flags = act->sa_flags;
    const int status = os::real_sigaction(sig, &ours, nullptr);
    if (status != 0) {
        return status;
    }
    record(index, kThreeArgument, nullptr, act->sa_sigaction);
    report_default(oldact);
    return 0;
}

} // extern "C"
