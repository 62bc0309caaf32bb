// The command line of idpromtool.
#include "tool.h"

#include <boardprom.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace idpromtool
{
namespace
{

inline constexpr const char *kUsage =
    "Usage: idpromtool COMMAND TARGET [options]\n"
    "\n"
    "Shows, programs and dumps the identification PROMs of the card, its fan\n"
    "trays and its power modules, and checks whether a fan tray or power\n"
    "module is fitted.\n"
    "\n"
    "Commands:\n"
    "  show TARGET [--length N]   print every field and check the block checksums\n"
    "  program TARGET [--blank]   enter every field, confirm, write the image back\n"
    "  dump TARGET FILE           copy the raw image into FILE\n"
    "  presence fan N | psu N     tell whether the fan tray or power module is fitted\n"
    "\n"
    "Targets:\n"
    "  board                      the card's own ID-PROM (I2C bus 1)\n"
    "  fan N                      fan tray N (0 to 2)\n"
    "  psu N                      power module N, numbered as the chassis type says\n"
    "\n"
    "Options:\n"
    "  --length N   board show: number of bytes to read, 1 to 2048 (default: the\n"
    "               layout's image)\n"
    "  --blank      program: start from an image of zeros instead of the PROM's contents\n"
    "  --force      fan/psu: skip the presence check and use N as the controller channel\n"
    "  --help       this text\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation failed or the module is not\n"
    "present, 2 for a usage error.\n";

inline constexpr const char *kLengthPastProm = "length beyond the 2048-byte ID-PROM";

bool fail(const char *what, std::string_view detail)
{
    std::fprintf(stderr, "idpromtool: %s: %.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::fprintf(stderr, "Try 'idpromtool --help'.\n");
    return false;
}

bool parse_number(const char *text, int *out)
{
    errno = 0;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > 0xFFFF)
        return false;
    *out = static_cast<int>(value);
    return true;
}

bool parse_command(std::string_view word, Command *command)
{
    if (word == "show")
        *command = Command::Show;
    else if (word == "program")
        *command = Command::Program;
    else if (word == "dump")
        *command = Command::Dump;
    else if (word == "presence")
        *command = Command::Presence;
    else
        return false;
    return true;
}

// TARGET [N]: returns the index of the first argument after it, or 0.
int parse_target(int argc, char **argv, int at, Request *request)
{
    if (at >= argc) {
        fail("missing target", "board, fan N or psu N");
        return 0;
    }
    const std::string_view word = argv[at];
    if (word == "board") {
        request->target = Target::Board;
        return at + 1;
    }
    if (word == "fan")
        request->target = Target::FanTray;
    else if (word == "psu")
        request->target = Target::PowerModule;
    else {
        fail("unknown target", word);
        return 0;
    }
    if (at + 1 >= argc || !parse_number(argv[at + 1], &request->number)) {
        fail("missing or bad number after", word);
        return 0;
    }
    return at + 2;
}

bool parse_option(int argc, char **argv, int *at, Request *request)
{
    const std::string_view word = argv[*at];
    if (word == "--blank" && request->command == Command::Program) {
        request->blank = true;
    } else if (word == "--force" && request->target != Target::Board) {
        request->force = true;
    } else if (word == "--length" && request->command == Command::Show &&
               request->target == Target::Board) {
        if (++*at >= argc || !parse_number(argv[*at], &request->length) || request->length == 0)
            return fail("bad length", *at < argc ? argv[*at] : "");
        // The ID-PROM ends at 2048 bytes; offsets above it are other devices.
        if (request->length > IDPROM_EEPROM_SIZE)
            return fail(kLengthPastProm, argv[*at]);
    } else if (request->command == Command::Dump && request->file.empty() && !word.empty() &&
               word[0] != '-') {
        request->file = argv[*at];
    } else {
        return fail("unexpected argument", word);
    }
    return true;
}

} // namespace

void print_usage()
{
    std::fputs(kUsage, stdout);
}

bool parse_args(int argc, char **argv, Request *request)
{
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help") {
            request->command = Command::Help;
            return true;
        }
    }
    if (argc < 2)
        return fail("missing command", "show, program, dump or presence");
    if (!parse_command(argv[1], &request->command))
        return fail("unknown command", argv[1]);
    int at = parse_target(argc, argv, 2, request);
    if (at == 0)
        return false;
    if (request->command == Command::Presence && request->target == Target::Board)
        return fail("presence needs a target of", "fan N or psu N");
    for (; at < argc; ++at) {
        if (!parse_option(argc, argv, &at, request))
            return false;
    }
    if (request->command == Command::Dump && request->file.empty())
        return fail("missing file for", "dump");
    return true;
}

} // namespace idpromtool
