// The command line of idpromtool.
#include "assignments.h"
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

// Fan trays, power modules and controller channels there are.
inline constexpr int kFanTrays = 3;
inline constexpr int kPowerModules = 10;
inline constexpr int kChannels = 12;

inline constexpr const char *kLengthPastProm = "length beyond the 2048-byte ID-PROM";
inline constexpr const char *kNoSuchFanTray = "no such fan tray (0 to 2)";
inline constexpr const char *kNoSuchPowerModule = "no such power module (0 to 9)";
inline constexpr const char *kNoSuchChannel = "no such controller channel (0 to 11)";
inline constexpr const char *kYesAlone = "--yes only goes with";
inline constexpr const char *kYesWith = "program --set/--from, or restore";
inline constexpr const char *kStdinNeedsYes =
    "--from - takes the values from standard input, which then cannot answer the question: add";
inline constexpr const char *kJsonLength = "--json shows the layout's whole image: drop";

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
    else if (word == "restore")
        *command = Command::Restore;
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

bool takes_file(const Request &request)
{
    return request.command == Command::Dump || request.command == Command::Restore;
}

// The argument after an option that takes one; null after printing why.
const char *option_value(int argc, char **argv, int *at)
{
    if (++*at < argc)
        return argv[*at];
    fail("missing value after", argv[*at - 1]);
    return nullptr;
}

bool parse_assignment(const char *text, Request *request)
{
    if (text == nullptr)
        return false;
    Assignment a;
    if (!split_assignment(text, false, &a.name, &a.value))
        return fail("--set needs NAME=VALUE, not", text);
    a.where = "--set";
    request->sets.push_back(std::move(a));
    return true;
}

bool parse_length(int argc, char **argv, int *at, Request *request)
{
    const char *text = option_value(argc, argv, at);
    if (text == nullptr)
        return false;
    if (!parse_number(text, &request->length) || request->length == 0)
        return fail("bad length", text);
    // The ID-PROM ends at 2048 bytes; offsets above it are other devices.
    if (request->length > IDPROM_EEPROM_SIZE)
        return fail(kLengthPastProm, text);
    return true;
}

bool parse_option(int argc, char **argv, int *at, Request *request)
{
    const std::string_view word = argv[*at];
    const bool program = request->command == Command::Program;
    const bool writes = program || request->command == Command::Restore;
    if (word == "--blank" && program) {
        request->blank = true;
    } else if (word == "--force" && (request->target != Target::Board || takes_file(*request))) {
        request->force = true;
    } else if (word == "--length" && request->command == Command::Show &&
               request->target == Target::Board) {
        return parse_length(argc, argv, at, request);
    } else if (word == "--json" && request->command == Command::Show) {
        request->json = true;
    } else if (word == "--set" && program) {
        return parse_assignment(option_value(argc, argv, at), request);
    } else if (word == "--from" && program && request->from.empty()) {
        const char *file = option_value(argc, argv, at);
        if (file == nullptr)
            return false;
        request->from = file;
    } else if (word == "--yes" && writes) {
        request->yes = true;
    } else if (word == "--no-verify" && writes) {
        request->no_verify = true;
    } else if (takes_file(*request) && request->file.empty() && !word.empty() &&
               (word[0] != '-' || word == kStdStream)) {
        request->file = argv[*at];
    } else {
        return fail("unexpected argument", word);
    }
    return true;
}

// The number names a fan tray or power module, or with --force a channel.
bool check_number(const Request &request)
{
    if (request.target == Target::Board)
        return true;
    const std::string number = std::to_string(request.number);
    if (request.force && request.command != Command::Presence)
        return request.number < kChannels || fail(kNoSuchChannel, number);
    if (request.target == Target::FanTray)
        return request.number < kFanTrays || fail(kNoSuchFanTray, number);
    return request.number < kPowerModules || fail(kNoSuchPowerModule, number);
}

// What only makes sense together.
bool check_combination(const Request &request)
{
    if (takes_file(request) && request.file.empty())
        return fail("missing file for", request.command == Command::Dump ? "dump" : "restore");
    if (request.command == Command::Restore && request.file == kStdStream)
        return fail("restore reads a file, not", kStdStream);
    if (request.yes && request.command == Command::Program && !request.batch())
        return fail(kYesAlone, kYesWith);
    if (request.from == kStdStream && !request.yes)
        return fail(kStdinNeedsYes, "--yes");
    if (request.json && request.length != 0)
        return fail(kJsonLength, "--length");
    return check_number(request);
}

} // namespace

bool parse_args(int argc, char **argv, Request *request)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--help" || word == "-h") {
            request->command = Command::Help;
            return true;
        }
        if (word == "--version") {
            request->command = Command::Version;
            return true;
        }
    }
    if (argc < 2)
        return fail("missing command", "show, program, dump, restore or presence");
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
    return check_combination(*request);
}

} // namespace idpromtool
