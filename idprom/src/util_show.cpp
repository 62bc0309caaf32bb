// Reading a PROM for the operator: the show utility and the raw dump.
#include "export.h"
#include "ops_util.h"

#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kNoFormat = "Unable to determine the sprom format for this board!";
inline constexpr const char *kReadFailed = "Failed to read IDPROM board memory!";
inline constexpr const char *kShowFailed = "Failed to display sprom contents!";
inline constexpr int kDumpReserved = 2;

} // namespace

bool is_ft_psu(int kind)
{
    return kind == IDPROM_KIND_FAN_TRAY || kind == IDPROM_KIND_POWER_MODULE;
}

void announce_reading()
{
    std::puts(kReadingNotice);
}

int find_format(int kind, int reserved, PromFormat *format)
{
    return idprom_get_sprom_format(kind, &format->layout, &format->endian, &format->size, reserved);
}

namespace
{

int format_or_complain(int kind, int reserved, PromFormat *format)
{
    const int rc = find_format(kind, reserved, format);
    if (rc != 0)
        std::puts(kNoFormat);
    return rc;
}

int read_or_complain(int rc)
{
    if (rc != 0)
        std::puts(kReadFailed);
    return rc;
}

} // namespace

} // namespace boardprom

using namespace boardprom;

extern "C" BOARDPROM_EXPORT int idprom_util_show(int kind, int reserved, int channel,
                                                 unsigned char *buf, int length)
{
    PromFormat format;
    int rc = format_or_complain(kind, reserved, &format);
    if (rc != 0)
        return rc;
    announce_reading();
    rc = read_or_complain(is_ft_psu(kind) ? idprom_read_ft_psu_page(kind, buf, format.size, channel)
                                          : idprom_read_page(kind, buf, length, 0));
    if (rc != 0 || !is_ft_psu(kind))
        return rc;
    rc = sprom_show_program(format.layout, buf, format.endian, 0);
    if (rc != 0)
        std::puts(kShowFailed);
    return rc;
}

extern "C" BOARDPROM_EXPORT int idprom_util_bin_dump_sprom(int kind, unsigned char *buf, int *size)
{
    PromFormat format;
    int rc = format_or_complain(kind, kDumpReserved, &format);
    if (rc != 0)
        return rc;
    // The board road whatever the kind: the kind only chooses the length.
    rc = read_or_complain(idprom_read_page(kind, buf, format.size, 0));
    if (rc == 0)
        *size = format.size;
    return rc;
}
