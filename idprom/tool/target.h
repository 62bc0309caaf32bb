// The PROM a request names: its kind, layout, image size and controller
// channel, and the tool's error lines.
#pragma once

#include "tool.h"

#include <boardprom.h>

#include <array>
#include <string>

namespace idpromtool
{

// The largest image the library's program walk works on.
inline constexpr int kImageMax = 8192;
using Image = std::array<unsigned char, kImageMax>;

struct Prom {
    Target target = Target::Board;
    int number = 0;  // as the operator names it
    int kind = 0;    // the library's PROM kind
    int channel = 0; // fan tray / power module: the controller channel
    sprom_field_def *layout = nullptr;
    int endian = 0;
    int size = 0; // bytes of the layout's image
};

// The library's reserved argument as the tool passes it.
inline constexpr int kReserved = 2;

// Kind, layout, byte order and image size of the request's target; no
// hardware is touched.  False (with the error printed) when the library
// has no usable layout.
bool prom_layout(const Request &request, Prom *prom);

// Asks the library whether the fan tray or power module is fitted and sets
// the channel (the board needs none; --force uses the number itself).
// False, with the reasons printed, when it is not.
bool find_module(const Request &request, Prom *prom);

// "board", "fan tray 1", "power module 0".
std::string prom_name(const Prom &prom);
const char *target_name(Target target);

// Name of the exported layout table the PROM uses.
const char *layout_name(const sprom_field_def *layout);

// printf into a string.
[[gnu::format(printf, 1, 2)]] std::string text_of(const char *format, ...);

// Prints "idpromtool: " and the message on standard error; returns `status`.
[[gnu::format(printf, 2, 3)]] int complain(int status, const char *format, ...);

// The presence check itself: 1 when fitted, the channel in *channel.  The
// library's reason goes to standard error (and, unless quiet, its message
// on success to standard output).
bool check_presence(const Request &request, int *channel, bool quiet);

} // namespace idpromtool
