// The show and program walk over the three real layouts, with a random
// image and random operator input.
//
// Input: the layout (board, fan tray, power module), flags (byte order,
// whether 'Z' is accepted), the image, then the operator's input.
//
// Checked against this file's own reading of the layouts:
// - show mode changes nothing and flags a checksum mismatch exactly when a
//   block's stored checksum differs from the sum of its bytes;
// - program mode writes only inside the rows' fields, checksums and
//   padding (the image is a heap block of exactly the image size, so the
//   address sanitizer catches any write past it), ends by writing,
//   declining or running out of input, and once it has shown the review
//   every block checksum is right and every padding row is zero.
#include "boardprom.h"

#include "fuzz_console.h"
#include "row_bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

using boardprom_fuzz::Bytes;
using boardprom_fuzz::FuzzConsole;
using Image = std::vector<uint8_t>;

constexpr const char *kReview = "This is your input so far...";
constexpr const char *kVerifySkipped = "Z - Your change is programmed, but VERIFICATION is SKIPPED";
constexpr int kKinds[] = {0, IDPROM_KIND_FAN_TRAY, IDPROM_KIND_POWER_MODULE};

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "walk: %s\n", what);
    std::abort();
}

void check(bool ok, const char *what)
{
    if (!ok)
        fault(what);
}

uint16_t stored_checksum(const Image &img, uint32_t at, int endian)
{
    return endian == 0 ? static_cast<uint16_t>(img[at] << 8 | img[at + 1])
                       : static_cast<uint16_t>(img[at + 1] << 8 | img[at]);
}

// True when every checksummed block holds the sum of its other bytes.
bool checksums_right(const sprom_field_def *layout, const Image &img, int endian)
{
    uint32_t start = 0;
    uint32_t length = 0;
    for (size_t i = 0; layout[i].type != SPROM_TYPE_END; ++i) {
        const sprom_field_def &row = layout[i];
        if (row.type == SPROM_TYPE_BLOCK) {
            start = row.offset;
            length = static_cast<uint32_t>(row.length_or_min);
        } else if (row.type == SPROM_TYPE_CHECKSUM) {
            uint32_t sum = 0;
            for (uint32_t at = start; at < start + length; ++at)
                sum += at == row.offset || at == row.offset + 1 ? 0 : img[at];
            if (stored_checksum(img, row.offset, endian) != static_cast<uint16_t>(sum))
                return false;
        }
    }
    return true;
}

// Bytes that some row may change.
std::vector<bool> writable_bytes(const sprom_field_def *layout, size_t size)
{
    std::vector<bool> writable(size, false);
    for (size_t i = 0; layout[i].type != SPROM_TYPE_END; ++i)
        for (uint32_t k = 0; k < fuzz_row_bytes(layout[i]); ++k)
            writable.at(layout[i].offset + k) = true;
    return writable;
}

bool padding_zero(const sprom_field_def *layout, const Image &img)
{
    for (size_t i = 0; layout[i].type != SPROM_TYPE_END; ++i)
        if (layout[i].type == SPROM_TYPE_PADDING)
            for (uint32_t k = 0; k < fuzz_row_bytes(layout[i]); ++k)
                if (img[layout[i].offset + k] != 0)
                    return false;
    return true;
}

void show(sprom_field_def *layout, const Image &original, int endian)
{
    Image img = original;
    global_idprom_checksum_err = 0;
    FuzzConsole console("");
    check(sprom_show_program(layout, img.data(), endian, 0) == 0, "show mode failed");
    check(img == original, "show mode changed the image");
    check((global_idprom_checksum_err == 1) == !checksums_right(layout, img, endian),
          "show mode's checksum verdict is wrong");
    global_idprom_checksum_err = 0;
}

void program(sprom_field_def *layout, const Image &original, int endian, const std::string &input)
{
    Image img = original;
    bool reviewed = false;
    {
        FuzzConsole console(input);
        const int rc = sprom_show_program(layout, img.data(), endian, 1);
        const std::string out = console.output();
        reviewed = out.find(kReview) != std::string::npos;
        check(rc == 0 || rc == SPROM_RC_CANCELLED, "program mode gave another code");
        check(reviewed || rc == SPROM_RC_CANCELLED, "program mode wrote without a review");
        check(force_verify_skip == 0 || out.find(kVerifySkipped) != std::string::npos,
              "verification skipped without a 'Z'");
        force_verify_skip = 0;
    }
    const std::vector<bool> writable = writable_bytes(layout, img.size());
    for (size_t at = 0; at < img.size(); ++at)
        check(writable[at] || img[at] == original[at], "a byte outside every row changed");
    if (!reviewed)
        return;
    check(checksums_right(layout, img, endian), "a block checksum is wrong after the walk");
    check(padding_zero(layout, img), "a padding row is not zero after the walk");
    show(layout, img, endian);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bytes in(data, size);
    const int kind = kKinds[in.byte() % 3];
    const uint8_t flags = in.byte();
    const int endian = flags & 1;
    sprom_read_back_verify = (flags & 2) != 0 ? 1 : 0;

    sprom_field_def *layout = nullptr;
    int format_endian = 0;
    int image_size = 0;
    if (idprom_get_sprom_format(kind, &layout, &format_endian, &image_size, 2) != 0)
        fault("no layout");
    const std::string bytes = in.take(static_cast<size_t>(image_size));
    Image image(static_cast<size_t>(image_size), 0);
    std::copy(bytes.begin(), bytes.end(), image.begin());

    show(layout, image, endian);
    program(layout, image, endian, in.rest());
    sprom_read_back_verify = 1;
    return 0;
}
