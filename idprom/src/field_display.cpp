// Field display: each row type's format, in the layout's byte order, with
// the range warning of the bounded numeric types.
#include "field_display.h"
#include "layouts.h"

#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr int kComponents = 8; // 16-bit components of DOT_DEC and HYPEN_DEC
inline constexpr const char *kAllZeroDotDec = "0.0.0.0.0.0.0.0";

bool within(const sprom_field_def *row, uint32_t value)
{
    return value >= static_cast<uint32_t>(row->length_or_min) &&
           value <= static_cast<uint32_t>(row->max);
}

// Prints the warning when value lies outside the row's range.
void warn_range(const sprom_field_def *row, uint32_t value, std::FILE *out)
{
    if (!within(row, value))
        std::fprintf(out, kRangeWarning, static_cast<uint32_t>(row->length_or_min),
                     static_cast<uint32_t>(row->max));
}

void show_text(const sprom_field_def *row, const uint8_t *field, const char *suffix, std::FILE *out)
{
    for (int32_t i = 0; i < row->length_or_min; ++i)
        std::fputc(field[i], out);
    std::fprintf(out, "%s", suffix);
}

void show_hex_bytes(const sprom_field_def *row, const uint8_t *field, const char *suffix,
                    std::FILE *out)
{
    for (int32_t i = 0; i < row->length_or_min; ++i)
        std::fprintf(out, i == 0 ? "%02x" : " %02x", field[i]);
    std::fprintf(out, "%s", suffix);
}

void show_dot_dec(const uint8_t *field, int endian, const char *suffix, std::FILE *out)
{
    int last = -1;
    uint16_t c[kComponents];
    for (int i = 0; i < kComponents; ++i) {
        c[i] = sprom_load16(field + 2 * i, endian);
        if (c[i] != 0)
            last = i;
    }
    if (last < 0) {
        std::fprintf(out, "%s%s", kAllZeroDotDec, suffix);
        return;
    }
    for (int i = 0; i <= last; ++i)
        std::fprintf(out, i == 0 ? "%d" : ".%d", c[i]);
    std::fprintf(out, "%s", suffix);
}

void show_hypen_dec(const uint8_t *field, int endian, const char *suffix, std::FILE *out)
{
    const uint16_t first = sprom_load16(field, endian);
    std::fprintf(out, "%d-%d", first >> 8, first & 0xFF);
    for (int i = 1; i < kComponents; ++i) {
        const uint16_t v = sprom_load16(field + 2 * i, endian);
        if (v == 0)
            break;
        std::fprintf(out, ";%d-%d", v >> 8, v & 0xFF);
    }
    std::fprintf(out, "%s", suffix);
}

// A bounded number: the range warning, then the value in hex or decimal.
void show_number(const sprom_field_def *row, uint32_t value, const char *format, const char *suffix,
                 std::FILE *out)
{
    warn_range(row, value, out);
    std::fprintf(out, format, value, suffix);
}

} // namespace

void sprom_show_field(const sprom_field_def *row, const uint8_t *image, int endian,
                      const char *suffix, std::FILE *out)
{
    const uint8_t *field = image + row->offset;
    switch (row->type) {
    case SPROM_TYPE_TEXT:
        return show_text(row, field, suffix, out);
    case SPROM_TYPE_HEX:
        return show_hex_bytes(row, field, suffix, out);
    case SPROM_TYPE_SIGNED_DEC8:
        std::fprintf(out, "%d%s", static_cast<int8_t>(field[0]), suffix);
        return;
    case SPROM_TYPE_HEX1:
        return show_number(row, field[0], "0x%02x%s", suffix, out);
    case SPROM_TYPE_DEC_U8:
        return show_number(row, field[0], "%u%s", suffix, out);
    case SPROM_TYPE_SIGNED_DEC16:
        std::fprintf(out, "%d%s", static_cast<int16_t>(sprom_load16(field, endian)), suffix);
        return;
    case SPROM_TYPE_HEX2:
        return show_number(row, sprom_load16(field, endian), "0x%04x%s", suffix, out);
    case SPROM_TYPE_DEC_U16:
        return show_number(row, sprom_load16(field, endian), "%u%s", suffix, out);
    case SPROM_TYPE_HEX4:
        return show_number(row, sprom_load32(field, endian), "0x%08x%s", suffix, out);
    case SPROM_TYPE_DEC_U32: {
        // Shown as a signed decimal, like the other decimal rows.
        const uint32_t value = sprom_load32(field, endian);
        warn_range(row, value, out);
        std::fprintf(out, "%d%s", static_cast<int32_t>(value), suffix);
        return;
    }
    case SPROM_TYPE_DOT_DEC:
        return show_dot_dec(field, endian, suffix, out);
    case SPROM_TYPE_DASH_DEC:
        std::fprintf(out, "%d-%d-%d-%d%s", field[0], field[1], field[2], field[3], suffix);
        return;
    case SPROM_TYPE_HYPEN_DEC:
        return show_hypen_dec(field, endian, suffix, out);
    case SPROM_TYPE_HEX8:
        std::fprintf(out, "0x%016llx%s",
                     static_cast<unsigned long long>(sprom_load64(field, endian)), suffix);
        return;
    case SPROM_TYPE_TEMP_RANGE:
        std::fprintf(out, "%d/%d%s", static_cast<int8_t>(field[0]), static_cast<int8_t>(field[1]),
                     suffix);
        return;
    default:
        return;
    }
}

bool sprom_field_in_range(const sprom_field_def *row, const uint8_t *image, int endian)
{
    const uint8_t *field = image + row->offset;
    switch (row->type) {
    case SPROM_TYPE_HEX1:
    case SPROM_TYPE_DEC_U8:
        return within(row, field[0]);
    case SPROM_TYPE_HEX2:
    case SPROM_TYPE_DEC_U16:
        return within(row, sprom_load16(field, endian));
    case SPROM_TYPE_HEX4:
    case SPROM_TYPE_DEC_U32:
        return within(row, sprom_load32(field, endian));
    default:
        return true;
    }
}

} // namespace boardprom
