// Programming a PROM: read (or blank) the image, walk it in program mode,
// and write the whole image back after the operator's confirmation.
#include "export.h"
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

// Bytes a row occupies in the image, as the walk reads or writes them.
std::uint64_t row_bytes(const sprom_field_def &row)
{
    switch (row.type) {
    case SPROM_TYPE_TEXT:
    case SPROM_TYPE_HEX:
    case SPROM_TYPE_PADDING:
        return static_cast<std::uint32_t>(row.length_or_min);
    case SPROM_TYPE_SIGNED_DEC8:
    case SPROM_TYPE_HEX1:
    case SPROM_TYPE_DEC_U8:
        return 1;
    case SPROM_TYPE_SIGNED_DEC16:
    case SPROM_TYPE_HEX2:
    case SPROM_TYPE_DEC_U16:
    case SPROM_TYPE_TEMP_RANGE:
    case SPROM_TYPE_CHECKSUM:
        return 2;
    case SPROM_TYPE_HEX4:
    case SPROM_TYPE_DEC_U32:
    case SPROM_TYPE_DASH_DEC:
        return 4;
    case SPROM_TYPE_HEX8:
        return 8;
    case SPROM_TYPE_DOT_DEC:
    case SPROM_TYPE_HYPEN_DEC:
        return 16;
    case SPROM_TYPE_BLOCK:
        return static_cast<std::uint32_t>(row.length_or_min);
    default:
        return 0;
    }
}

// A layout altered by the calling program must not lead the walk or the
// transfers past the work image.
bool fits_work_image(const sprom_field_def *layout, int size)
{
    if (size < 0 || static_cast<std::size_t>(size) > kWorkImageSize)
        return false;
    for (std::size_t i = 0; layout[i].type != SPROM_TYPE_END; ++i) {
        if (layout[i].offset + row_bytes(layout[i]) > kWorkImageSize)
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
