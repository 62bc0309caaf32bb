// The unit tests' platform layer: files live under a private sandbox root
// (absolute paths are placed below it), the clock, the process ID, the node
// name and the program name are fixed, and signal installs and execs are
// recorded instead of run.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace covdump::fake
{

struct ExecCall {
    std::string function;
    std::string path;
    std::vector<std::string> argv;
    std::vector<std::string> envp;
};

struct State {
    std::string root;
    pid_t pid = 4711;
    std::string program = "ctrl";
    std::time_t now = 1700000000;
    long utc_offset = 3600;
    std::string node_name = "fakenode";
    int at_exit_status = 0;
    std::vector<void (*)()> exit_handlers;
    std::string out;
    int fail_signal = 0;                     // signal whose install fails
    std::map<int, struct sigaction> actions; // dispositions installed
    std::vector<int> raised;
    std::vector<ExecCall> execs;
    int exec_result = -1;
};

State &state();

// Fresh sandbox and records; called by every test's set-up.
void reset();
// Removes the sandbox.
void tear_down();

// Where a path of the runtime lies on the real file system.
std::string real_path(std::string_view path);

// Helpers over sandbox paths.
void make_dirs(std::string_view path);
void write_file(std::string_view path, std::string_view content);
std::string read_file(std::string_view path);
bool exists(std::string_view path);
bool is_dir(std::string_view path);
bool is_symlink(std::string_view path);
std::string link_target(std::string_view path); // sandbox form
unsigned mode_of(std::string_view path);
std::vector<std::string> lines_of(std::string_view path);

// Plain handler of the disposition installed for `sig`.
sighandler_t handler_of(int sig);

} // namespace covdump::fake
