// Field handlers: show a field row and, in program mode, read the operator's
// line with the row's codec and store the result in the layout's byte order.
#include "fields.h"
#include "field_display.h"
#include "layouts.h"

#include <cstdio>
#include <cstring>

namespace boardprom
{
namespace
{

inline constexpr int kDotCells = 16;
inline constexpr int kPairs = 8;

// Outcome of a codec result: negative invalid, 0 keep, positive store.
FieldOutcome outcome_of(int r)
{
    if (r < 0)
        return FieldOutcome::Invalid;
    return r == 0 ? FieldOutcome::Keep : FieldOutcome::Store;
}

uint32_t width_of(const sprom_field_def *row)
{
    return row->length_or_min > 0 ? static_cast<uint32_t>(row->length_or_min) : 0;
}

FieldOutcome program_text(const sprom_field_def *row, uint8_t *field, uint8_t *rowbuf)
{
    char *line = reinterpret_cast<char *>(rowbuf);
    const int n = sprom_get_text(line, static_cast<int>(kRowBufferSize));
    if (n < 0)
        return FieldOutcome::Invalid;
    const uint32_t width = width_of(row);
    if (static_cast<uint32_t>(n) > width)
        return FieldOutcome::TooLong;
    if (n == 0)
        return FieldOutcome::Keep;
    std::memcpy(field, line, static_cast<size_t>(n));
    std::memset(field + n, 0, width - static_cast<uint32_t>(n));
    return FieldOutcome::Store;
}

FieldOutcome program_hex(const sprom_field_def *row, uint8_t *field, uint8_t *rowbuf, bool strict)
{
    const int r = sprom_get_hex(rowbuf);
    if (r <= 0)
        return outcome_of(r);
    const uint32_t width = width_of(row);
    if (strict && static_cast<uint32_t>(r) > width)
        return FieldOutcome::TooLong;
    const uint32_t take = static_cast<uint32_t>(r) < width ? static_cast<uint32_t>(r) : width;
    std::memcpy(field, rowbuf, take);
    std::memset(field + take, 0, width - take);
    return FieldOutcome::Store;
}

FieldOutcome program_signed(uint8_t *field, int endian, bool eight_bits)
{
    const int v = sprom_get_signed_dec();
    if (v == SPROM_DEC_INVALID)
        return FieldOutcome::Invalid;
    if (v == SPROM_DEC_EMPTY)
        return FieldOutcome::Keep;
    if (eight_bits) {
        if (v < -128 || v > 127)
            return FieldOutcome::Invalid;
        field[0] = static_cast<uint8_t>(v);
    } else {
        sprom_store16(field, static_cast<uint16_t>(v), endian);
    }
    return FieldOutcome::Store;
}

// A number read by `codec` and, when one was entered, handed to `store`.
template <typename T, typename Store> FieldOutcome program_number(int (*codec)(T *), Store store)
{
    T v = 0;
    const int r = codec(&v);
    if (r > 0)
        store(v);
    return outcome_of(r);
}

FieldOutcome program_dot_dec(uint8_t *field, int endian)
{
    uint16_t cells[kDotCells] = {};
    const int r = sprom_get_dot_dec(endian, cells);
    if (r > 0)
        for (int k = 0; k < kDotCells; ++k)
            field[k] = static_cast<uint8_t>(cells[k]);
    return outcome_of(r);
}

FieldOutcome program_dash_dec(uint8_t *field, uint8_t *rowbuf)
{
    const int r = sprom_get_dash_dec(rowbuf);
    if (r > 0)
        std::memcpy(field, rowbuf, 4);
    return outcome_of(r);
}

FieldOutcome program_hypen_dec(uint8_t *field, int endian)
{
    uint16_t pairs[kPairs] = {};
    const int r = sprom_get_hypen_dec(pairs);
    if (r > 0)
        for (int i = 0; i < kPairs; ++i)
            sprom_store16(field + 2 * i, pairs[i], endian);
    return outcome_of(r);
}

FieldOutcome program_field(const sprom_field_def *row, uint8_t *field, int endian, uint8_t *rowbuf,
                           bool strict)
{
    switch (row->type) {
    case SPROM_TYPE_TEXT:
        return program_text(row, field, rowbuf);
    case SPROM_TYPE_HEX:
        return program_hex(row, field, rowbuf, strict);
    case SPROM_TYPE_SIGNED_DEC8:
        return program_signed(field, endian, true);
    case SPROM_TYPE_SIGNED_DEC16:
        return program_signed(field, endian, false);
    case SPROM_TYPE_HEX1:
    case SPROM_TYPE_DEC_U8:
        return program_number(row->type == SPROM_TYPE_HEX1 ? sprom_get_hex1 : sprom_get_dec_u8,
                              [field](uint8_t v) { field[0] = v; });
    case SPROM_TYPE_HEX2:
    case SPROM_TYPE_DEC_U16:
        return program_number(row->type == SPROM_TYPE_HEX2 ? sprom_get_hex2 : sprom_get_dec_u16,
                              [=](uint16_t v) { sprom_store16(field, v, endian); });
    case SPROM_TYPE_HEX4:
    case SPROM_TYPE_DEC_U32:
        return program_number(row->type == SPROM_TYPE_HEX4 ? sprom_get_hex4 : sprom_get_dec_u32,
                              [=](uint32_t v) { sprom_store32(field, v, endian); });
    case SPROM_TYPE_DOT_DEC:
        return program_dot_dec(field, endian);
    case SPROM_TYPE_DASH_DEC:
        return program_dash_dec(field, rowbuf);
    case SPROM_TYPE_HYPEN_DEC:
        return program_hypen_dec(field, endian);
    case SPROM_TYPE_HEX8:
        return program_number(sprom_get_hex8, [=](uint64_t v) { sprom_store64(field, v, endian); });
    case SPROM_TYPE_TEMP_RANGE:
        return sprom_get_temp_range(&field[0], &field[1]) < 0 ? FieldOutcome::Invalid
                                                              : FieldOutcome::Store;
    default:
        return FieldOutcome::Keep;
    }
}

} // namespace

bool sprom_is_field_type(uint32_t type)
{
    return type <= SPROM_TYPE_TEMP_RANGE;
}

FieldOutcome sprom_visit_field(const sprom_field_def *row, uint8_t *image, int endian, bool program,
                               const char *prefix, const char *suffix, uint8_t *rowbuf)
{
    std::printf("%.*s%s", static_cast<int>(sizeof row->name), row->name, prefix);
    sprom_show_field(row, image, endian, suffix, stdout);
    if (!program)
        return FieldOutcome::Shown;
    std::fflush(stdout);
    return program_field(row, image + row->offset, endian, rowbuf, false);
}

FieldOutcome sprom_program_field(const sprom_field_def *row, uint8_t *image, int endian,
                                 uint8_t *rowbuf, bool strict)
{
    return program_field(row, image + row->offset, endian, rowbuf, strict);
}

} // namespace boardprom
