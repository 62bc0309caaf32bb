// The four operations of idpromtool, each a thin layer over the library.
#include "tool.h"

#include <boardprom.h>

#include <array>
#include <cstdarg>
#include <cstdio>

namespace idpromtool
{
namespace
{

inline constexpr int kReserved = 2;
inline constexpr int kImageMax = 8192;
inline constexpr int kMessageSize = 256;

using Image = std::array<unsigned char, kImageMax>;
static_assert(IDPROM_EEPROM_SIZE <= kImageMax, "a board show of --length bytes fits the image");

int kind_of(Target target)
{
    switch (target) {
    case Target::FanTray:
        return IDPROM_KIND_FAN_TRAY;
    case Target::PowerModule:
        return IDPROM_KIND_POWER_MODULE;
    case Target::Board:
        break;
    }
    return 0;
}

const char *name_of(Target target)
{
    switch (target) {
    case Target::FanTray:
        return "fan tray";
    case Target::PowerModule:
        return "power module";
    case Target::Board:
        break;
    }
    return "board";
}

[[gnu::format(printf, 1, 2)]] int failed(const char *format, ...)
{
    std::fputs("idpromtool: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return kExitFailed;
}

// Asks the library whether the module is fitted; true with the controller
// channel to use.  The library's reason goes to standard error.
bool check_presence(const Request &request, int *channel, bool quiet)
{
    std::array<char, kMessageSize> msg{};
    int number = request.number;
    const int present = request.target == Target::FanTray
                            ? idprom_check_fan_presence(number, msg.data(), kMessageSize)
                            : idprom_check_psu_presence(&number, msg.data(), kMessageSize);
    if (present != 1 || !quiet)
        std::fputs(msg.data(), present == 1 ? stdout : stderr);
    *channel = number;
    return present == 1;
}

// The channel of the fan tray or power module, after its presence check
// unless the operator forced it.
bool module_channel(const Request &request, int *channel)
{
    *channel = request.number;
    if (request.target == Target::Board || request.force)
        return true;
    if (check_presence(request, channel, true))
        return true;
    failed("%s %d is not present", name_of(request.target), request.number);
    return false;
}

bool image_size(int kind, sprom_field_def **layout, int *endian, int *size)
{
    if (idprom_get_sprom_format(kind, layout, endian, size, kReserved) != 0)
        return false;
    return *size > 0 && *size <= kImageMax;
}

int show(const Request &request)
{
    int channel = 0;
    if (!module_channel(request, &channel))
        return kExitFailed;
    const int kind = kind_of(request.target);
    sprom_field_def *layout = nullptr;
    int endian = 0;
    int size = 0;
    if (!image_size(kind, &layout, &endian, &size))
        return failed("no layout for PROM kind %d", kind);
    const int length = request.length != 0 ? request.length : size;
    Image image{};
    global_idprom_checksum_err = 0;
    int rc = idprom_util_show(kind, kReserved, channel, image.data(), length);
    // The library shows fan-tray and power-module images itself; the board
    // image comes back for the caller to show.
    if (rc == 0 && request.target == Target::Board)
        rc = sprom_show_program(layout, image.data(), endian, 0);
    if (rc != 0)
        return failed("show failed, rc 0x%x", rc);
    if (global_idprom_checksum_err != 0)
        return failed("checksum mismatch in the %s PROM", name_of(request.target));
    return kExitOk;
}

int program(const Request &request)
{
    int channel = 0;
    if (!module_channel(request, &channel))
        return kExitFailed;
    const int rc =
        idprom_util_program(kind_of(request.target), kReserved, request.blank ? 1 : 0, channel);
    return rc == 0 ? kExitOk : failed("program failed, rc 0x%x", rc);
}

int read_raw(const Request &request, int channel, Image &image, int *size)
{
    const int kind = kind_of(request.target);
    if (request.target == Target::Board)
        return idprom_util_bin_dump_sprom(kind, image.data(), size);
    sprom_field_def *layout = nullptr;
    int endian = 0;
    if (!image_size(kind, &layout, &endian, size))
        return SPROM_RC_NO_FORMAT;
    return idprom_read_ft_psu_page(kind, image.data(), *size, channel);
}

int dump(const Request &request)
{
    int channel = 0;
    if (!module_channel(request, &channel))
        return kExitFailed;
    Image image{};
    int size = 0;
    const int rc = read_raw(request, channel, image, &size);
    if (rc != 0)
        return failed("reading the PROM failed, rc 0x%x", rc);
    std::FILE *out = std::fopen(request.file.c_str(), "wb");
    if (out == nullptr) {
        std::perror(request.file.c_str());
        return kExitFailed;
    }
    const bool written =
        std::fwrite(image.data(), 1, static_cast<size_t>(size), out) == static_cast<size_t>(size);
    if (std::fclose(out) != 0 || !written) {
        std::perror(request.file.c_str());
        return kExitFailed;
    }
    std::printf("%d bytes of the %s PROM written to %s\n", size, name_of(request.target),
                request.file.c_str());
    return kExitOk;
}

int presence(const Request &request)
{
    int channel = 0;
    if (!check_presence(request, &channel, false))
        return kExitFailed;
    if (request.target == Target::FanTray)
        std::printf("fan tray %d is present\n", request.number);
    else
        std::printf("power module %d is present in slot %d\n", request.number, channel);
    return kExitOk;
}

} // namespace

int run(const Request &request)
{
    switch (request.command) {
    case Command::Show:
        return show(request);
    case Command::Program:
        return program(request);
    case Command::Dump:
        return dump(request);
    case Command::Presence:
        return presence(request);
    case Command::Help:
        break;
    }
    print_usage();
    return kExitOk;
}

} // namespace idpromtool
