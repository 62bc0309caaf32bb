// Field-level access over the real layouts with random images and random
// value texts, as a batch file or command line brings them.
//
// Input: the layout, the row, the byte order, the image's bytes, then the
// value text (up to its first NUL).
//
// - Setting a field never touches a byte outside it, and a refused text
//   leaves the image as it was; the standard streams are never used.
// - An accepted value is within the row's range (its rendering carries no
//   range warning), and rendering it then setting the rendered text gives
//   the same bytes again, except for HYPEN_DEC, whose display stops at the
//   first zero pair after the first: there the rendering must come back.
// - The stored and computed checksum of each checksum row agree after the
//   checksums are stored afresh, and storing them touches only their bytes.
#include "boardprom.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

struct Layout {
    sprom_field_def *rows;
    int count;
    int size;
};

const std::array<Layout, 3> kLayouts = {{{sprom_info_cpu_Calderi, SPROM_BOARD_ROWS, 270},
                                         {sprom_info_Miravel16, SPROM_FAN_TRAY_ROWS, 226},
                                         {sprom_info_Ostrand, SPROM_POWER_MODULE_ROWS, 202}}};
constexpr size_t kHead = 3;
constexpr int kTextMax = 4096;
using Image = std::array<unsigned char, 8192>;

void check(bool ok, const char *what, const sprom_field_def &row)
{
    if (!ok) {
        std::fprintf(stderr, "row %s (type %u): %s\n", row.name, row.type, what);
        std::abort();
    }
}

std::string render(const sprom_field_def &row, const Image &img, int size, int endian)
{
    std::array<char, kTextMax> text{};
    const int n = sprom_field_to_text(&row, img.data(), size, endian, text.data(), text.size());
    return n < 0 ? std::string() : std::string(text.data(), static_cast<size_t>(n));
}

bool same_outside(const Image &a, const Image &b, const sprom_field_def &row)
{
    const size_t start = row.offset;
    const size_t end = start + static_cast<size_t>(sprom_field_size(&row));
    for (size_t i = 0; i < a.size(); ++i) {
        if ((i < start || i >= end) && a[i] != b[i])
            return false;
    }
    return true;
}

void accepted(const sprom_field_def &row, const Image &img, int size, int endian)
{
    const std::string shown = render(row, img, size, endian);
    check(shown.rfind("[WARNING", 0) != 0, "accepted value out of range", row);
    Image again = img;
    check(sprom_field_from_text(&row, again.data(), size, endian, shown.c_str()) == 0,
          "the rendering of an accepted value is refused", row);
    if (row.type == SPROM_TYPE_HYPEN_DEC)
        check(render(row, again, size, endian) == shown, "rendering changed", row);
    else
        check(again == img, "rendering set back gives other bytes", row);
}

void checksums(const Layout &layout, Image &img, int endian)
{
    const Image before = img;
    check(sprom_update_checksums(layout.rows, img.data(), layout.size, endian) == 0,
          "checksums not stored", layout.rows[0]);
    for (int i = 0; i < layout.count; ++i) {
        const sprom_field_def &row = layout.rows[i];
        uint16_t stored = 0, computed = 0;
        const int rc = sprom_block_checksum_of(layout.rows, i, img.data(), layout.size, endian,
                                               &stored, &computed);
        check((rc == 0) == (row.type == SPROM_TYPE_CHECKSUM), "checksum row not found", row);
        check(rc != 0 || stored == computed, "stored checksum differs", row);
    }
    for (int i = 0; i < layout.size; ++i) {
        bool in_checksum = false;
        for (int r = 0; r < layout.count; ++r) {
            const sprom_field_def &row = layout.rows[r];
            in_checksum |=
                row.type == SPROM_TYPE_CHECKSUM && static_cast<uint32_t>(i) - row.offset < 2u;
        }
        check(in_checksum || img[i] == before[i], "a byte other than a checksum changed",
              layout.rows[0]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHead)
        return 0;
    const Layout &layout = kLayouts[data[0] % kLayouts.size()];
    const sprom_field_def &row = layout.rows[data[1] % (layout.count - 1)];
    const int endian = data[2] & 1;
    data += kHead;
    size -= kHead;
    Image img{};
    const size_t fill = size < static_cast<size_t>(layout.size) ? size : layout.size;
    std::memcpy(img.data(), data, fill);
    const std::string text(reinterpret_cast<const char *>(data + fill),
                           strnlen(reinterpret_cast<const char *>(data + fill), size - fill));

    const Image before = img;
    std::FILE *const in = stdin;
    std::FILE *const out = stdout;
    const int rc = sprom_field_from_text(&row, img.data(), layout.size, endian, text.c_str());
    check(stdin == in && stdout == out, "standard streams replaced", row);
    check(same_outside(before, img, row), "a byte outside the field changed", row);
    if (rc == 0)
        accepted(row, img, layout.size, endian);
    else
        check(img == before, "a refused text changed the image", row);
    checksums(layout, img, endian);
    return 0;
}
