// Decimal codecs: unsigned 8-, 16- and 32-bit numbers, the signed number
// returned directly, and the temperature range "low/high".
#include "codecs.h"
#include "export.h"

#include "boardprom.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace boardprom
{
namespace
{

inline constexpr size_t kTempPartMax = 31;

// A line of nothing but blanks, tabs and its newline.
bool only_blanks(const char *line)
{
    for (const char *p = line; *p != '\0'; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\n')
            return false;
    return true;
}

// Reads a line for an unsigned decimal codec.  Returns 1 with *value set,
// or the codec's result when it is already known (end of input: 0 stored
// and 1; an empty line: 0; not a number: -1).
struct UnsignedLine {
    int result;
    bool have_value;
    uint32_t value;
};

UnsignedLine read_unsigned(bool blanks_are_empty)
{
    char line[kDecimalLineSize];
    if (!read_line(line, kDecimalLineSize))
        return {1, true, 0};
    if (blanks_are_empty ? only_blanks(line) : std::strcmp(line, "\n") == 0)
        return {0, false, 0};
    int32_t v = 0;
    if (!parse_decimal(line, &v))
        return {-1, false, 0};
    return {1, true, static_cast<uint32_t>(v)};
}

bool fits_signed_byte(int32_t v)
{
    return v >= INT8_MIN && v <= INT8_MAX;
}

// Appends c to a temperature part; false when the part is full.
bool append(char *part, size_t *len, char c)
{
    if (*len >= kTempPartMax)
        return false;
    part[(*len)++] = c;
    part[*len] = '\0';
    return true;
}

} // namespace

bool parse_decimal(const char *text, int32_t *value)
{
    char *end = nullptr;
    const int saved = errno;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    const bool overflow = errno == ERANGE;
    errno = saved;
    if (end == text || overflow || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX))
        return false;
    *value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

int parse_temp_range(const char *line, uint8_t *first, uint8_t *second)
{
    char parts[2][kTempPartMax + 1] = {{'\0'}, {'\0'}};
    size_t lens[2] = {0, 0};
    int part = 0;
    const size_t n = std::strlen(line);
    for (size_t i = 0; i < n; ++i) {
        const char c = line[i];
        if (c == ' ')
            continue;
        if ((c >= '0' && c <= '9') || c == '-') {
            if (!append(parts[part], &lens[part], c))
                return -1;
        } else if (c == '/' && part == 0) {
            part = 1;
        } else {
            return -1;
        }
    }
    int32_t a = 0;
    int32_t b = 0;
    if (part != 1 || !parse_decimal(parts[0], &a) || !parse_decimal(parts[1], &b))
        return -1;
    if (values_must_fit() && !(fits_signed_byte(a) && fits_signed_byte(b)))
        return -1;
    *first = static_cast<uint8_t>(a);
    *second = static_cast<uint8_t>(b);
    return 0;
}

} // namespace boardprom

using namespace boardprom;

extern "C" {

BOARDPROM_EXPORT int sprom_get_dec_u8(unsigned char *out)
{
    const UnsignedLine l = read_unsigned(true);
    if (l.have_value)
        *out = static_cast<unsigned char>(l.value);
    if (l.result != 1)
        return l.result;
    return l.value > 0xFFu ? -1 : 1;
}

BOARDPROM_EXPORT int sprom_get_dec_u16(uint16_t *out)
{
    const UnsignedLine l = read_unsigned(false);
    if (l.have_value)
        *out = static_cast<uint16_t>(l.value);
    if (l.result != 1)
        return l.result;
    if (l.value > 0xFFFFu)
        return -1;
    return l.value <= 0xFFu ? 1 : 2;
}

BOARDPROM_EXPORT int sprom_get_dec_u32(uint32_t *out)
{
    const UnsignedLine l = read_unsigned(false);
    if (l.have_value)
        *out = l.value;
    if (l.result != 1)
        return l.result;
    if (l.value <= 0xFFu)
        return 1;
    return l.value <= 0xFFFFu ? 2 : 4;
}

BOARDPROM_EXPORT int sprom_get_signed_dec(void)
{
    char line[kDecimalLineSize];
    if (!read_line(line, kDecimalLineSize))
        return SPROM_DEC_INVALID;
    if (std::strlen(line) < 2)
        return SPROM_DEC_EMPTY;
    int32_t v = 0;
    if (!parse_decimal(line, &v) || v < -32768 || v > 32767)
        return SPROM_DEC_INVALID;
    return v;
}

BOARDPROM_EXPORT int sprom_get_temp_range(unsigned char *first, unsigned char *second)
{
    char line[kTempLineSize];
    if (!read_line(line, kTempLineSize))
        return -1;
    if (std::strlen(line) <= 1)
        return 0;
    for (char *p = line; *p != '\0'; ++p)
        if (*p == '\n')
            *p = '\0';
    return parse_temp_range(line, first, second);
}

} // extern "C"
