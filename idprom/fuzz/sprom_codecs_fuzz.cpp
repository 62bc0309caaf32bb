// Every SPROM field codec, both ways.  A field's bytes are shown as the
// walk shows them and the shown text is programmed back through the row's
// codec: the same bytes must come back.  Then a random operator line is
// programmed into the field: an unacceptable line changes nothing, and
// whatever an accepted one stored must survive the same round.
//
// Input: the row type, flags (byte order, range), the row's width or range,
// the field's bytes, then the operator's input.
//
// The display is lossless except where its own rules drop something; there
// the round gives what those rules imply instead:
// - TEXT is shown as its raw bytes and read back as one line, so a newline
//   byte ends the line and a NUL ends the text: programmed back, the field
//   holds the bytes before the first NUL or newline and NULs after them, and
//   when there are no such bytes the line is empty and the field is kept.
// - HYPEN_DEC shows the pairs only up to the first zero pair after the
//   first one: programmed back, the pairs from that one on are zero.
// - DOT_DEC is always shown as eight 16-bit components, while the parser
//   follows dot_dec_bytes: the round holds for that table's initial
//   contents, which this target never changes.
// - A bounded number out of its row's range is shown after a range warning
//   that the operator does not type: the warning is checked (there exactly
//   when the value is out of range) and left out of the line.
#include "boardprom.h"
#include "codecs.h"
#include "field_display.h"
#include "fields.h"

#include "fuzz_console.h"
#include "row_bytes.h"
#include "typed_line.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace
{

using boardprom::FieldOutcome;
using boardprom_fuzz::Bytes;
using boardprom_fuzz::FuzzConsole;
using Field = std::vector<uint8_t>;

constexpr const char *kPrefix = " = ";
constexpr uint32_t kFieldTypes = SPROM_TYPE_TEMP_RANGE + 1;

[[noreturn]] void fault(const char *what, const sprom_field_def &row)
{
    std::fprintf(stderr, "field type %u: %s\n", row.type, what);
    std::abort();
}

void check(bool ok, const char *what, const sprom_field_def &row)
{
    if (!ok)
        fault(what, row);
}

// The value a bounded number row compares with its range, or false for
// the rows that have no range warning.
bool bounded_value(const sprom_field_def &row, const Field &field, int endian, uint32_t *value)
{
    const uint32_t n = fuzz_row_bytes(row);
    switch (row.type) {
    case SPROM_TYPE_HEX1:
    case SPROM_TYPE_DEC_U8:
    case SPROM_TYPE_HEX2:
    case SPROM_TYPE_DEC_U16:
    case SPROM_TYPE_HEX4:
    case SPROM_TYPE_DEC_U32:
        break;
    default:
        return false;
    }
    uint32_t v = 0;
    for (uint32_t i = 0; i < n; ++i)
        v = v << 8 | field[endian == 0 ? i : n - 1 - i];
    *value = v;
    return true;
}

// The text an operator would type to give the field its shown value.
std::string shown_value(const sprom_field_def &row, const Field &field, int endian)
{
    Field image = field;
    std::array<uint8_t, boardprom::kRowBufferSize> line{};
    FuzzConsole console("");
    const FieldOutcome o =
        boardprom::sprom_visit_field(&row, image.data(), endian, false, kPrefix, "", line.data());
    check(o == FieldOutcome::Shown, "show mode gave an outcome", row);
    check(image == field, "show mode changed the field", row);
    const std::string out = console.output();
    const std::string head = std::string(row.name) + kPrefix;
    check(out.compare(0, head.size(), head) == 0, "line does not start with the name", row);
    std::string value = out.substr(head.size());
    uint32_t v = 0;
    if (bounded_value(row, field, endian, &v)) {
        const auto lo = static_cast<uint32_t>(row.length_or_min);
        const auto hi = static_cast<uint32_t>(row.max);
        char warning[96];
        std::snprintf(warning, sizeof warning, boardprom::kRangeWarning, lo, hi);
        const bool warned = value.rfind(warning, 0) == 0;
        check(warned == (v < lo || v > hi), "range warning disagrees with the range", row);
        if (warned)
            value.erase(0, std::strlen(warning));
    }
    return value;
}

struct Programmed {
    FieldOutcome outcome;
    Field field;
    bool input_used_up;
};

// Programs `input` into a copy of the field as one program-mode visit does.
Programmed program(const sprom_field_def &row, const Field &field, int endian,
                   const std::string &input)
{
    Field image = field;
    std::array<uint8_t, boardprom::kRowBufferSize> line{};
    FuzzConsole console(input);
    const FieldOutcome o =
        boardprom::sprom_visit_field(&row, image.data(), endian, true, kPrefix, "", line.data());
    return {o, image, console.input_used_up()};
}

// Bytes of a TEXT field before its first NUL or newline.
size_t text_length(const Field &field)
{
    size_t n = 0;
    while (n < field.size() && field[n] != 0 && field[n] != '\n')
        ++n;
    return n;
}

// What programming the shown value back must store (see the top).
Field round_trip_result(const sprom_field_def &row, const Field &field)
{
    Field out = field;
    if (row.type == SPROM_TYPE_TEXT) {
        const size_t n = text_length(field);
        if (n > 0)
            std::fill(out.begin() + static_cast<long>(n), out.end(), 0);
    } else if (row.type == SPROM_TYPE_HYPEN_DEC) {
        for (size_t pair = 1; pair < 8; ++pair) {
            if (out[2 * pair] == 0 && out[2 * pair + 1] == 0) {
                std::fill(out.begin() + static_cast<long>(2 * pair), out.end(), 0);
                break;
            }
        }
    }
    return out;
}

void round_trip(const sprom_field_def &row, const Field &field, int endian)
{
    const std::string shown = shown_value(row, field, endian);
    const Programmed p = program(row, field, endian, shown + "\n");
    const bool empty_text = row.type == SPROM_TYPE_TEXT && text_length(field) == 0;
    check(p.outcome == (empty_text ? FieldOutcome::Keep : FieldOutcome::Store),
          "the shown value was not accepted back", row);
    check(p.field == round_trip_result(row, field), "the shown value stored other bytes", row);
    const bool newline_in_text =
        row.type == SPROM_TYPE_TEXT && std::memchr(field.data(), '\n', field.size()) != nullptr;
    check(p.input_used_up || newline_in_text, "the shown value was not read as one line", row);
}

// The digits of the shown value of a number row, as the operator would
// type them back (without a hexadecimal row's "0x").
std::string shown_number(const sprom_field_def &row, const Field &field, int endian)
{
    const std::string shown = shown_value(row, field, endian);
    return shown.rfind("0x", 0) == 0 ? shown.substr(2) : shown;
}

// A decimal row's range, the value it stores for v, and how it shows it.
bool decimal_stored(const sprom_field_def &row, __int128 v, std::string *shown)
{
    __int128 lo = 0;
    __int128 hi = 0;
    switch (row.type) {
    case SPROM_TYPE_SIGNED_DEC8:
        lo = -128, hi = 127;
        break;
    case SPROM_TYPE_SIGNED_DEC16:
        lo = -32768, hi = 32767;
        break;
    case SPROM_TYPE_DEC_U8:
        hi = 255;
        break;
    case SPROM_TYPE_DEC_U16:
        hi = 65535;
        break;
    default: // DEC_U32: the 32-bit pattern, shown as a signed number
        lo = INT32_MIN, hi = UINT32_MAX;
        break;
    }
    if (v < lo || v > hi)
        return false;
    const long long n = row.type == SPROM_TYPE_DEC_U32
                            ? static_cast<int32_t>(static_cast<uint32_t>(v & 0xFFFFFFFF))
                            : static_cast<long long>(v);
    *shown = std::to_string(n);
    return true;
}

// The value an accepted line stored, judged from the line itself: the
// library's parsers are not consulted, and sizes are not bounded here, so
// an over-limit number that wraps round is caught.
void check_entered(const sprom_field_def &row, const std::string &input, const Field &stored,
                   int endian)
{
    using namespace boardprom_fuzz;
    const std::string shown = shown_value(row, stored, endian);
    switch (row.type) {
    case SPROM_TYPE_TEXT: {
        const std::string line = first_line(input, boardprom::kRowBufferSize);
        Field expected(line.begin(), line.end());
        expected.resize(stored.size(), 0);
        check(expected == stored, "the text stored is not the line", row);
        return;
    }
    case SPROM_TYPE_HEX: {
        Field expected = hex_bytes(hex_digits(first_line(input, boardprom::kHexLineSize)));
        expected.resize(stored.size(), 0);
        check(expected == stored, "the bytes stored are not the line's digits", row);
        return;
    }
    case SPROM_TYPE_HEX1:
    case SPROM_TYPE_HEX2:
    case SPROM_TYPE_HEX4:
    case SPROM_TYPE_HEX8:
        check(canonical(hex_digits(first_line(input, boardprom::kHexLineSize))) ==
                  canonical(shown_number(row, stored, endian)),
              "the number stored is not the line's", row);
        return;
    case SPROM_TYPE_DASH_DEC:
        check(components(first_line(input, boardprom::kSeparatedLineSize), '-') ==
                  components(shown, '-'),
              "the dash decimals stored are not the line's", row);
        return;
    case SPROM_TYPE_DOT_DEC: {
        std::vector<std::string> typed = dotted(first_line(input, boardprom::kSeparatedLineSize));
        std::vector<std::string> got = dotted(shown);
        check(typed.size() <= 8, "more than eight components were accepted", row);
        typed.resize(8, "0");
        got.resize(8, "0");
        check(typed == got, "the dotted decimals stored are not the line's", row);
        return;
    }
    case SPROM_TYPE_HYPEN_DEC: {
        std::vector<std::string> typed = pairs(first_line(input, boardprom::kSeparatedLineSize));
        check(typed.size() <= 16, "more than eight pairs were accepted", row);
        for (size_t k = 2; k + 1 < typed.size(); k += 2) {
            if (typed[k] == "0" && typed[k + 1] == "0") {
                typed.resize(k); // the display stops at the first zero pair
                break;
            }
        }
        check(typed == pairs(shown), "the pairs stored are not the line's", row);
        return;
    }
    case SPROM_TYPE_TEMP_RANGE: {
        const std::string line = first_line(input, boardprom::kTempLineSize);
        if (line.size() <= 1)
            return; // an empty answer stores nothing
        const std::vector<std::string> parts = split(without(line, " "), '/');
        check(parts.size() == 2, "a range without exactly one '/' was accepted", row);
        std::string expected;
        for (const std::string &part : parts) {
            const std::optional<std::string> number = decimal_number(part);
            check(number.has_value(), "a range part without a number was accepted", row);
            const std::optional<__int128> v = small_integer(*number);
            check(v.has_value() && *v >= INT32_MIN && *v <= UINT32_MAX,
                  "an over-limit range part was accepted", row);
            expected += (expected.empty() ? "" : "/") +
                        std::to_string(static_cast<int8_t>(static_cast<uint8_t>(*v & 0xFF)));
        }
        check(expected == shown, "the range stored is not the line's", row);
        return;
    }
    default: { // the decimal numbers
        const std::optional<std::string> number =
            decimal_number(first_line(input, boardprom::kDecimalLineSize));
        check(number.has_value(), "a line without a number was stored", row);
        const std::optional<__int128> v = small_integer(*number);
        std::string expected;
        check(v.has_value() && decimal_stored(row, *v, &expected),
              "an over-limit number was stored", row);
        check(expected == shown_number(row, stored, endian), "the number stored is not the line's",
              row);
        return;
    }
    }
}

// The row: type, byte order, width or range, and the columns the type's
// row carries in the real layouts.
sprom_field_def make_row(Bytes &in, int *endian)
{
    sprom_field_def row{};
    std::snprintf(row.name, sizeof row.name, "%s", "FIELD");
    row.type = in.byte() % kFieldTypes;
    const uint8_t flags = in.byte();
    *endian = flags & 1;
    switch (row.type) {
    case SPROM_TYPE_TEXT:
    case SPROM_TYPE_HEX:
        row.length_or_min = 1 + in.byte();
        break;
    case SPROM_TYPE_DOT_DEC:
    case SPROM_TYPE_HYPEN_DEC:
        row.length_or_min = 16;
        break;
    case SPROM_TYPE_DASH_DEC:
        row.length_or_min = 4;
        break;
    case SPROM_TYPE_TEMP_RANGE:
        row.length_or_min = 2;
        break;
    default:
        // Bounded rows: a random range, or none at all.
        if (flags & 2) {
            row.length_or_min = static_cast<int32_t>(in.word());
            row.max = static_cast<int32_t>(in.word());
        } else {
            row.max = -1;
        }
        break;
    }
    return row;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bytes in(data, size);
    int endian = 0;
    const sprom_field_def row = make_row(in, &endian);
    const std::string bytes = in.take(fuzz_row_bytes(row));
    Field field(fuzz_row_bytes(row), 0);
    std::copy(bytes.begin(), bytes.end(), field.begin());

    round_trip(row, field, endian);

    const std::string input = in.rest();
    const Programmed entered = program(row, field, endian, input);
    if (entered.outcome != FieldOutcome::Store) {
        check(entered.field == field, "an unaccepted line changed the field", row);
        return 0;
    }
    // At the end of input the unsigned decimal codecs store 0: no line to judge.
    if (!input.empty())
        check_entered(row, input, entered.field, endian);
    round_trip(row, entered.field, endian);
    return 0;
}
