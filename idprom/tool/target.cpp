// The PROM a request names, and the presence check in front of every fan
// tray and power module.
#include "target.h"

#include <cstdarg>
#include <cstdio>

namespace idpromtool
{
namespace
{

inline constexpr int kMessageSize = 256;
inline constexpr const char *kNoLayout = "no layout for PROM kind %d";
inline constexpr const char *kNotPresent = "%s %d is not present";

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

} // namespace

const char *target_name(Target target)
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

std::string prom_name(const Prom &prom)
{
    if (prom.target == Target::Board)
        return target_name(prom.target);
    return std::string(target_name(prom.target)) + " " + std::to_string(prom.number);
}

const char *layout_name(const sprom_field_def *layout)
{
    if (layout == sprom_info_cpu_Calderi)
        return "sprom_info_cpu_Calderi";
    if (layout == sprom_info_Miravel16)
        return "sprom_info_Miravel16";
    if (layout == sprom_info_Ostrand)
        return "sprom_info_Ostrand";
    return "unknown";
}

std::string text_of(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

int complain(int status, const char *format, ...)
{
    std::fflush(stdout);
    std::fputs("idpromtool: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return status;
}

bool prom_layout(const Request &request, Prom *prom)
{
    prom->target = request.target;
    prom->number = request.number;
    prom->kind = kind_of(request.target);
    prom->channel = request.number;
    if (idprom_get_sprom_format(prom->kind, &prom->layout, &prom->endian, &prom->size, kReserved) !=
            0 ||
        prom->size <= 0 || prom->size > kImageMax) {
        complain(kExitFailed, kNoLayout, prom->kind);
        return false;
    }
    return true;
}

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

bool find_module(const Request &request, Prom *prom)
{
    prom->channel = request.number;
    if (request.target == Target::Board || request.force)
        return true;
    if (check_presence(request, &prom->channel, true))
        return true;
    complain(kExitFailed, kNotPresent, target_name(request.target), request.number);
    return false;
}

} // namespace idpromtool
