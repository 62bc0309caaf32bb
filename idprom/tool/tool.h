// idpromtool: the operator's view of libboardprom.  It uses only the
// library's exported interface (boardprom.h).
#pragma once

#include <string>

namespace idpromtool
{

enum class Command { Show, Program, Dump, Presence, Help };
enum class Target { Board, FanTray, PowerModule };

struct Request {
    Command command = Command::Help;
    Target target = Target::Board;
    int number = 0;     // fan tray or power module as the operator names it
    int length = 0;     // board: bytes to show (0: the layout's image size)
    bool blank = false; // program: start from an image of zeros
    bool force = false; // fan tray / power module: no presence check first
    std::string file;   // dump: where the raw image goes
};

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Parses the command line; on error prints why to standard error and
// returns false.
bool parse_args(int argc, char **argv, Request *request);
void print_usage();

// Runs one request against the PROMs and returns the exit status.
int run(const Request &request);

} // namespace idpromtool
