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

} // namespace boardprom

using namespace boardprom;

extern "C" BOARDPROM_EXPORT int idprom_util_show(int kind, int reserved, int channel,
                                                 unsigned char *buf, int length)
{
    sprom_field_def *layout = nullptr;
    int endian = 0;
    int size = 0;
    int rc = idprom_get_sprom_format(kind, &layout, &endian, &size, reserved);
    if (rc != 0) {
        std::puts(kNoFormat);
        return rc;
    }
    announce_reading();
    rc = is_ft_psu(kind) ? idprom_read_ft_psu_page(kind, buf, size, channel)
                         : idprom_read_page(kind, buf, length, 0);
    if (rc != 0) {
        std::puts(kReadFailed);
        return rc;
    }
    if (!is_ft_psu(kind))
        return 0;
    rc = sprom_show_program(layout, buf, endian, 0);
    if (rc != 0)
        std::puts(kShowFailed);
    return rc;
}

extern "C" BOARDPROM_EXPORT int idprom_util_bin_dump_sprom(int kind, unsigned char *buf, int *size)
{
    sprom_field_def *layout = nullptr;
    int endian = 0;
    int n = 0;
    int rc = idprom_get_sprom_format(kind, &layout, &endian, &n, kDumpReserved);
    if (rc != 0) {
        std::puts(kNoFormat);
        return rc;
    }
    // The board road whatever the kind: the kind only chooses the length.
    rc = idprom_read_page(kind, buf, n, 0);
    if (rc != 0) {
        std::puts(kReadFailed);
        return rc;
    }
    *size = n;
    return 0;
}
