// Field-level access for programs that edit an image without the operator
// walk: one field set from its text form through the row's own codec, one
// field rendered exactly as the show walk prints it, and a row's size.
#include "codecs.h"
#include "export.h"
#include "field_display.h"
#include "fields.h"
#include "layouts.h"
#include "settings.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace boardprom
{
namespace
{

inline constexpr const char *kChecksumFormat = "0x%04x";
// The longest line any codec takes whole (the hexadecimal codecs' buffer).
inline constexpr size_t kLongestLine = kHexLineSize - 1;

// The row's bytes lie inside the caller's image.
bool inside(const sprom_field_def &row, int image_size)
{
    return image_size >= 0 &&
           row.offset + sprom_row_bytes(row) <= static_cast<uint64_t>(image_size);
}

bool shown_as_value(uint32_t type)
{
    return sprom_is_field_type(type) || type == SPROM_TYPE_CHECKSUM;
}

int code_of(FieldOutcome outcome)
{
    switch (outcome) {
    case FieldOutcome::Store:
        return 0;
    case FieldOutcome::Keep:
        return SPROM_RC_VALUE_EMPTY;
    case FieldOutcome::TooLong:
        return SPROM_RC_VALUE_TOO_LONG;
    default:
        return SPROM_RC_VALUE_INVALID;
    }
}

// Runs the row's codec over `text` on a scratch copy of the field; the
// image changes only when the whole value was taken and fits.
int set_from_text(const sprom_field_def &row, uint8_t *image, int endian, const char *text)
{
    const size_t length = strnlen(text, kLongestLine + 1);
    if (length == 0)
        return SPROM_RC_VALUE_EMPTY;
    if (length > kLongestLine)
        return SPROM_RC_VALUE_TOO_LONG;
    if (std::memchr(text, '\n', length) != nullptr)
        return SPROM_RC_VALUE_INVALID;
    const size_t bytes = sprom_row_bytes(row);
    std::array<uint8_t, kWorkImageSize> scratch;
    if (bytes > scratch.size())
        return SPROM_RC_OUT_OF_IMAGE;
    std::memcpy(scratch.data(), image + row.offset, bytes);
    sprom_field_def local = row;
    local.offset = 0;

    std::array<char, kLongestLine + 2> line;
    std::memcpy(line.data(), text, length);
    line[length] = '\n';
    std::array<uint8_t, kRowBufferSize> rowbuf{};
    LineSource source(line.data(), length + 1);
    const FieldOutcome outcome =
        sprom_program_field(&local, scratch.data(), endian, rowbuf.data(), true);
    // Characters the codec's line buffer could not hold would have become
    // the next field's answer at the prompt.
    if (source.unread() > 0)
        return SPROM_RC_VALUE_TOO_LONG;
    if (const int rc = code_of(outcome); rc != 0)
        return rc;
    if (!sprom_field_in_range(&local, scratch.data(), endian))
        return SPROM_RC_VALUE_RANGE;
    std::memcpy(image + row.offset, scratch.data(), bytes);
    return 0;
}

// The value part of the row's show line, as a heap string of *length bytes
// (text rows keep their NUL bytes); null when it cannot be made.
char *render(const sprom_field_def &row, const uint8_t *image, int endian, size_t *length)
{
    char *text = nullptr;
    std::FILE *out = open_memstream(&text, length);
    if (out == nullptr)
        return nullptr;
    if (row.type == SPROM_TYPE_CHECKSUM)
        std::fprintf(out, kChecksumFormat, sprom_load16(image + row.offset, endian));
    else
        sprom_show_field(&row, image, endian, "", out);
    if (std::fclose(out) != 0) {
        std::free(text);
        return nullptr;
    }
    return text;
}

} // namespace
} // namespace boardprom

using namespace boardprom;

extern "C" {

BOARDPROM_EXPORT int sprom_field_size(const sprom_field_def *row)
{
    if (row == nullptr || row->type == SPROM_TYPE_BLOCK || row->type > SPROM_TYPE_END)
        return 0;
    const uint64_t bytes = sprom_row_bytes(*row);
    return bytes > static_cast<uint64_t>(INT32_MAX) ? 0 : static_cast<int>(bytes);
}

BOARDPROM_EXPORT int sprom_field_from_text(const sprom_field_def *row, unsigned char *image,
                                           int image_size, int endian, const char *text)
{
    if (row == nullptr || image == nullptr || text == nullptr)
        return IDPROM_RC_INVALID;
    if (!sprom_is_field_type(row->type))
        return SPROM_RC_NOT_A_FIELD;
    if (!inside(*row, image_size))
        return SPROM_RC_OUT_OF_IMAGE;
    return set_from_text(*row, image, endian, text);
}

BOARDPROM_EXPORT int sprom_field_to_text(const sprom_field_def *row, const unsigned char *image,
                                         int image_size, int endian, char *out, int out_size)
{
    if (row == nullptr || image == nullptr || !shown_as_value(row->type) ||
        !inside(*row, image_size) || (out == nullptr && out_size > 0))
        return -1;
    size_t length = 0;
    char *text = render(*row, image, endian, &length);
    if (text == nullptr || length > static_cast<size_t>(INT32_MAX)) {
        std::free(text);
        return -1;
    }
    if (out_size > 0) {
        const size_t n = length < static_cast<size_t>(out_size) ? length : out_size - 1u;
        std::memcpy(out, text, n);
        out[n] = '\0';
    }
    std::free(text);
    return static_cast<int>(length);
}

} // extern "C"
