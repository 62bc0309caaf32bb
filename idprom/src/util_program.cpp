// Programming a PROM: read (or blank) the image, walk it in program mode,
// and write the whole image back after the operator's confirmation.
#include "export.h"
#include "layouts.h"
#include "ops_util.h"
#include "settings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kReadFailed = "Failed to read IDPROM board info memory!";
inline constexpr const char *kShowFailed = "Failed to display sprom contents!";
inline constexpr const char *kWriting =
    "\n* Writing to IDPROM board info memory... This will take a while... Please wait.";
inline constexpr const char *kWriteFailed = "Failed to write data to IDPROM board info memory!";
inline constexpr const char *kFinishedWithError = "* SPROM write finished with error. rc:%d\n";
inline constexpr const char *kDone = "Done programming SPROM.";

inline constexpr int kModeFromProm = 0;
inline constexpr int kModeBlank = 1;

using WorkImage = std::array<unsigned char, kWorkImageSize>;

// A layout altered by the calling program must not lead the walk or the
// transfers past the work image.
bool fits_work_image(const sprom_field_def *layout, int size)
{
    if (size < 0 || static_cast<std::size_t>(size) > kWorkImageSize)
        return false;
    for (std::size_t i = 0; layout[i].type != SPROM_TYPE_END; ++i) {
        if (layout[i].offset + sprom_row_bytes(layout[i]) > kWorkImageSize)
            return false;
    }
    return true;
}

int read_image(int kind, int mode, int channel, WorkImage &image, int size)
{
    if (mode == kModeFromProm) {
        return is_ft_psu(kind) ? idprom_read_ft_psu_page(kind, image.data(), size, channel)
                               : idprom_read_page(kind, image.data(), size, 0);
    }
    if (mode == kModeBlank)
        std::fill_n(image.begin(), size, 0);
    return 0;
}

int write_image(int kind, int channel, const WorkImage &image, int size)
{
    std::puts(kWriting);
    const int rc = is_ft_psu(kind) ? idprom_write_ft_psu_page(kind, image.data(), size, channel)
                                   : idprom_write_page(kind, image.data(), size, 0);
    if (rc != 0)
        std::puts(kWriteFailed);
    return rc;
}

int edit_and_write(int kind, int channel, const PromFormat &format, WorkImage &image)
{
    const int rc = sprom_show_program(format.layout, image.data(), format.endian, 1);
    if (rc == SPROM_RC_CANCELLED)
        return 0;
    if (rc != 0) {
        std::puts(kShowFailed);
        return rc;
    }
    return write_image(kind, channel, image, format.size);
}

int program_prom(int kind, int reserved, int mode, int channel)
{
    WorkImage image{};
    PromFormat format;
    int rc = find_format(kind, reserved, &format);
    announce_reading();
    if (rc == 0 && !fits_work_image(format.layout, format.size))
        rc = SPROM_RC_BAD_DEFINITION;
    if (rc == 0)
        rc = read_image(kind, mode, channel, image, format.size);
    if (rc != 0) {
        std::puts(kReadFailed);
        return rc;
    }
    return edit_and_write(kind, channel, format, image);
}

} // namespace
} // namespace boardprom

extern "C" BOARDPROM_EXPORT int idprom_util_program(int kind, int reserved, int mode, int channel)
{
    const int rc = boardprom::program_prom(kind, reserved, mode, channel);
    force_verify_skip = 0;
    if (rc != 0)
        std::printf(boardprom::kFinishedWithError, rc);
    std::puts(boardprom::kDone);
    return rc;
}
