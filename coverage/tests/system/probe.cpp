// The coverage probe: a real program linked against libcovdump with
// signal and sigaction wrapped, run by card_test.sh on a simulated card.
// It registers a hand-built object, plays one scenario with signals raised
// from inside (so that the same scenarios run under qemu-arm) and checks
// the outcome itself; the script checks what is left after it exits.
#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "covdump.h"
#include "fake_object.hpp"
#include "image_decoder.hpp"

namespace
{

using covdump::test::decode_image;
using covdump::test::DecodedImage;
using covdump::test::FakeObject;

int g_failures = 0;

#define PROBE_CHECK(cond)                                                                          \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            ++g_failures;                                                                          \
        }                                                                                          \
    } while (0)

const std::string kDumpDir = "/misc/scratch/cflow/";
const std::string kLogs = "/misc/scratch/cflow/coverage_logs_card7.dat/";

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool exists(const std::string &path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

std::string dump_path(pid_t pid)
{
    return kDumpDir + program_invocation_short_name + ".ARM." + std::to_string(pid) + ".dat";
}

// Arc counters of the first record of a dump file, low words only.
std::vector<std::uint32_t> dumped_counters(const std::string &path)
{
    const std::string bytes = read_file(path);
    const DecodedImage image =
        decode_image({reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size()});
    if (!image.error.empty() || image.records.empty()) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), image.error.c_str());
        return {};
    }
    std::vector<std::uint32_t> low;
    const auto &words = image.records[0].functions.at(0).counters.at(0).words;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        low.push_back(words[i]);
    }
    return low;
}

std::size_t count_lines(const std::string &path, const std::string &needle)
{
    std::stringstream in(read_file(path));
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) {
        n += line.find(needle) != std::string::npos ? 1 : 0;
    }
    return n;
}

FakeObject *g_object = nullptr;
std::vector<gcov_type> &counters()
{
    return g_object->values(0);
}
const std::vector<std::uint32_t> kCounted{5, 0, 7};

int g_plain_sig = 0;
void on_plain(int sig)
{
    g_plain_sig = sig;
}

int g_info_sig = 0;
int g_info_signo = 0;
void on_info(int sig, siginfo_t *info, void *ctx)
{
    g_info_sig = sig;
    g_info_signo = info != nullptr && ctx != nullptr ? info->si_signo : -1;
}

void sigterm_kills_after_dump()
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::raise(SIGTERM);
        ::_exit(3); // only reached if SIGTERM did not end the process
    }
    int status = 0;
    PROBE_CHECK(::waitpid(child, &status, 0) == child);
    PROBE_CHECK(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    PROBE_CHECK(dumped_counters(dump_path(child)) == kCounted);
    const std::string transient = kDumpDir + program_invocation_short_name + "_transient.ARM." +
                                  std::to_string(child) + ".dat";
    PROBE_CHECK(!exists(transient));
    PROBE_CHECK(count_lines(kLogs + "recieved_signals.log",
                            std::string(" : Dump : ") + program_invocation_short_name + " : " +
                                std::to_string(cflowpid) + " : 15") == 1);
    PROBE_CHECK(count_lines(kLogs + "coverage_dump.log", " : Successful : " + dump_path(child)) ==
                1);
}

void dump_signal_goes_on()
{
    ::raise(56);
    PROBE_CHECK(dumped_counters(dump_path(::getpid())) == kCounted);
    PROBE_CHECK(count_lines(kLogs + "recieved_signals.log", " : 56") == 1);
}

void clear_signal_goes_on()
{
    ::raise(57);
    PROBE_CHECK(counters() == std::vector<gcov_type>(3, 0));
    PROBE_CHECK(!exists(dump_path(::getpid())));
}

void program_handler_runs_after_dump()
{
    PROBE_CHECK(std::signal(SIGTERM, on_plain) == SIG_DFL);
    ::raise(SIGTERM);
    PROBE_CHECK(g_plain_sig == SIGTERM);
    PROBE_CHECK(dumped_counters(dump_path(::getpid())) == kCounted);
}

void siginfo_handler_runs_after_clear()
{
    struct sigaction act {
    };
    act.sa_sigaction = on_info;
    act.sa_flags = SA_SIGINFO;
    sigemptyset(&act.sa_mask);
    PROBE_CHECK(::sigaction(57, &act, nullptr) == 0);
    ::raise(57);
    PROBE_CHECK(counters() == std::vector<gcov_type>(3, 0));
    PROBE_CHECK(g_info_sig == 57);
    PROBE_CHECK(g_info_signo == 57);
}

void ignored_dump_signal()
{
    std::signal(56, SIG_IGN);
    ::raise(56);
    PROBE_CHECK(!exists(dump_path(::getpid())));
    PROBE_CHECK(!exists(kLogs + "recieved_signals.log"));
}

void execl_builds_vector()
{
    int fds[2];
    PROBE_CHECK(::pipe(fds) == 0);
    const pid_t child = __gcov_fork();
    if (child == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        __gcov_execl("/bin/echo", "ls", "-l", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char buf[64] = {};
    const ssize_t n = ::read(fds[0], buf, sizeof buf - 1);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    PROBE_CHECK(n == 3 && std::string(buf) == "-l\n");
    PROBE_CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    PROBE_CHECK(__gcov_execl("/nonexistent", "x", static_cast<char *>(nullptr)) == -1);
}

// Start-up gave up (no scratch area): the coverage-control signals do not
// end the program, and a handler the program installs still runs.
void gave_up()
{
    ::raise(56);
    ::raise(57);
    PROBE_CHECK(counters() == (std::vector<gcov_type>{5, 0, 7}));
    PROBE_CHECK(std::signal(56, on_plain) == SIG_DFL);
    ::raise(56);
    PROBE_CHECK(g_plain_sig == 56);
}

// Waits until the test has planted its links in the dump directory (it
// writes to the FIFO then), dumps on signal 56 and returns to the exit dump.
void dump_among_planted_links()
{
    const int fd = ::open("/tmp/plant.go", O_RDONLY);
    char go = 0;
    PROBE_CHECK(fd >= 0 && ::read(fd, &go, 1) == 1);
    ::close(fd);
    ::raise(56);
}

// Signals 56 and 57 land while the main thread allocates and formats.
constexpr int kStressSignals = 200;
std::atomic<bool> g_sender_done{false};

void *send_signals(void *target)
{
    const pthread_t main_thread = *static_cast<pthread_t *>(target);
    for (int i = 0; i < kStressSignals; ++i) {
        pthread_kill(main_thread, i % 2 == 0 ? 56 : 57);
        ::usleep(500);
    }
    g_sender_done = true;
    return nullptr;
}

void stress()
{
    pthread_t self = pthread_self();
    pthread_t sender;
    PROBE_CHECK(pthread_create(&sender, nullptr, send_signals, &self) == 0);
    FILE *scratch = std::fopen("/tmp/stress.txt", "w");
    std::size_t rounds = 0;
    while (!g_sender_done) {
        std::string text(64 + rounds % 512, 'x');
        std::map<int, std::string> churn;
        for (int i = 0; i < 32; ++i) {
            churn[i] = text + std::to_string(i);
        }
        std::fprintf(scratch, "%zu %s\n", rounds, churn[static_cast<int>(rounds % 32)].c_str());
        ++rounds;
    }
    pthread_join(sender, nullptr);
    std::fclose(scratch);
    counters() = {1, 2, 3};
    PROBE_CHECK(dumpCodeCoverageData(program_invocation_short_name) == 0);
    PROBE_CHECK(dumped_counters(dump_path(::getpid())) == (std::vector<std::uint32_t>{1, 2, 3}));
    PROBE_CHECK(count_lines(kLogs + "recieved_signals.log", " : Dump : ") == kStressSignals / 2);
    PROBE_CHECK(count_lines(kLogs + "recieved_signals.log", " : Clean : ") == kStressSignals / 2);
    std::printf("stress rounds %zu\n", rounds);
}

} // namespace

int main(int argc, char **argv)
{
    static const std::map<std::string, std::function<void()>> scenarios = {
        {"sigterm", sigterm_kills_after_dump},
        {"dump56", dump_signal_goes_on},
        {"clear57", clear_signal_goes_on},
        {"handler", program_handler_runs_after_dump},
        {"siginfo", siginfo_handler_runs_after_clear},
        {"ignore56", ignored_dump_signal},
        {"exec", execl_builds_vector},
        {"stress", stress},
        {"disk", [] {}},
        {"twice", [] {}},
        {"uname", [] {}},
        {"giveup", gave_up},
        {"plant", dump_among_planted_links},
    };
    const auto found = argc == 2 ? scenarios.find(argv[1]) : scenarios.end();
    if (found == scenarios.end()) {
        std::fprintf(stderr, "usage: covdump_probe SCENARIO\n");
        return 2;
    }
    // Like a compiler's descriptor, the object lives until the exit dump.
    g_object = new FakeObject("/build/probe/probe.gcda", 1, {{3}});
    g_object->values(0) = {5, 0, 7};
    g_object->register_it();
    found->second();
    std::fflush(stdout);
    return g_failures == 0 ? 0 : 1;
}
