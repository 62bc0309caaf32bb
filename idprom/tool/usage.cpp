// The usage and version texts of idpromtool.
#include "tool.h"

#include <cstdio>

#ifndef IDPROMTOOL_VERSION
#define IDPROMTOOL_VERSION "0"
#endif

namespace idpromtool
{
namespace
{

inline constexpr const char *kUsage =
    "Usage: idpromtool COMMAND TARGET [options]\n"
    "\n"
    "Shows, programs, dumps and restores the identification PROMs of the card,\n"
    "its fan trays and its power modules, and checks whether a fan tray or power\n"
    "module is fitted.\n"
    "\n"
    "Commands:\n"
    "  show TARGET [--length N] [--json]\n"
    "                             print every field and check the block checksums\n"
    "  program TARGET [--blank]   enter every field on the terminal, confirm, write\n"
    "  program TARGET --set NAME=VALUE ... | --from FILE [--blank] [--yes]\n"
    "                             set the named fields, show the changes, confirm,\n"
    "                             write\n"
    "  dump TARGET FILE|-         copy the raw image into FILE or to standard output\n"
    "  restore TARGET FILE [--yes]\n"
    "                             write a raw image back, after checking its size\n"
    "                             and block checksums\n"
    "  presence fan N | psu N     tell whether the fan tray or power module is fitted\n"
    "\n"
    "Targets:\n"
    "  board                      the card's own ID-PROM (I2C bus 1)\n"
    "  fan N                      fan tray N (0 to 2)\n"
    "  psu N                      power module N (0 to 9), numbered as the chassis\n"
    "                             type says\n"
    "\n"
    "Options:\n"
    "  --length N        board show: bytes to read, 1 to 2048 (default: the\n"
    "                    layout's image)\n"
    "  --json            show: one JSON document with every block and field\n"
    "  --blank           program: start from an image of zeros\n"
    "  --set NAME=VALUE  program: a field, named as show prints it (TITLE@BLOCK\n"
    "                    where a title repeats), and its value as typed at the\n"
    "                    prompt; repeatable\n"
    "  --from FILE       program: NAME=VALUE lines ('#' comments); - reads\n"
    "                    standard input\n"
    "  --yes             program --set/--from, restore: write without asking\n"
    "  --no-verify       program, restore: do not read the PROM back after writing\n"
    "  --force           fan/psu: skip the presence check and use N as the\n"
    "                    controller channel (0 to 11); dump: overwrite FILE;\n"
    "                    restore: write an image of the wrong size or checksums\n"
    "  -h, --help        this text\n"
    "  --version         the program's version\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation failed, the module is not\n"
    "present or the PROM does not read back as written, 2 for a usage error or\n"
    "invalid input (nothing is written then).\n";

inline constexpr const char *kVersion = "idpromtool (chassis platform) %s\n";

} // namespace

void print_usage()
{
    std::fputs(kUsage, stdout);
}

void print_version()
{
    std::printf(kVersion, IDPROMTOOL_VERSION);
}

} // namespace idpromtool
