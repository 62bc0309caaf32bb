// idpromtool: the operator's view of libboardprom.  It uses only the
// library's exported interface (boardprom.h).
#pragma once

#include <string>
#include <vector>

namespace idpromtool
{

enum class Command { Show, Program, Dump, Restore, Presence, Help, Version };
enum class Target { Board, FanTray, PowerModule };

// One NAME=VALUE of --set, or of a line of the --from file.
struct Assignment {
    std::string name;
    std::string value;
    std::string where; // "--set", or FILE:LINE
};

struct Request {
    Command command = Command::Help;
    Target target = Target::Board;
    int number = 0;               // fan tray or power module as the operator names it
    int length = 0;               // board show: bytes to read (0: the layout's image size)
    bool blank = false;           // program: start from an image of zeros
    bool force = false;           // fan/psu: no presence check; dump: overwrite; restore: any image
    bool json = false;            // show: one JSON document instead of the field lines
    bool yes = false;             // batch program, restore: no confirmation question
    bool no_verify = false;       // program, restore: no read-back after writing
    std::string file;             // dump: where the image goes ("-": standard output);
                                  // restore: where it comes from
    std::vector<Assignment> sets; // program: --set NAME=VALUE, in order
    std::string from;             // program: --from FILE ("-": standard input)

    // program with --set or --from: no questions per field.
    bool batch() const
    {
        return !sets.empty() || !from.empty();
    }
};

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The file name that stands for standard input or output.
inline constexpr const char *kStdStream = "-";

// Parses the command line; on error prints why to standard error and
// returns false.
bool parse_args(int argc, char **argv, Request *request);
void print_usage();
void print_version();

// Runs one request against the PROMs and returns the exit status.
int run(const Request &request);

// The commands (commands.cpp, program.cpp, batch.cpp, restore.cpp, json.cpp).
int show(const Request &request);
int show_json(const Request &request);
int dump(const Request &request);
int presence(const Request &request);
int program_interactive(const Request &request);
int program_batch(const Request &request);
int restore(const Request &request);

} // namespace idpromtool
