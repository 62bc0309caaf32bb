// Hexadecimal codecs: a stream of digits into bytes, right-aligned when the
// number of digits is odd, and the fixed-width numbers built on it.
#include "codecs.h"
#include "export.h"

#include "boardprom.h"

#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kInvalidCharacter = "Invalid character!!!";
inline constexpr const char *kTooWide1 =
    "The input should be less than two digit hexadecimal (one byte).";
inline constexpr const char *kTooWide2 =
    "The input should be less than four digit hexadecimal (two byte).";
inline constexpr const char *kTooWide4 =
    "The input should be less than eight digit hexadecimal (two byte).";
inline constexpr const char *kTooWide8 =
    "The input should be less than 16 digit hexadecimal (eight byte).";

bool is_hex_digit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Shifts the decoded bytes right by one hexadecimal digit as one number.
void shift_half_byte(uint8_t *out, int count)
{
    for (int i = count - 1; i >= 1; --i) {
        out[i] = static_cast<uint8_t>(out[i] + out[i - 1] * 16);
        out[i - 1] = static_cast<uint8_t>(out[i - 1] / 16);
    }
}

// Reads a hexadecimal number of at most `width` bytes; the bytes decoded, 0
// for an empty line, -1 for an unacceptable one.  *value is big-endian.
int get_fixed_hex(int width, const char *too_wide, uint64_t *value)
{
    uint8_t scratch[kHexMaxBytes];
    const int r = sprom_get_hex(scratch);
    if (r <= 0)
        return r;
    if (r > width) {
        complain(too_wide);
        return -1;
    }
    uint64_t v = 0;
    for (int i = 0; i < r; ++i)
        v = v << 8 | scratch[i];
    *value = v;
    return r;
}

// The 2-, 4- and 8-byte codecs: *out cleared first, then the number.
template <typename T> int get_cleared_hex(T *out, const char *too_wide)
{
    *out = 0;
    uint64_t v = 0;
    const int r = get_fixed_hex(static_cast<int>(sizeof(T)), too_wide, &v);
    if (r > 0)
        *out = static_cast<T>(v);
    return r;
}

} // namespace

int parse_hex(const char *line, int n, uint8_t *out)
{
    int i = 0;
    while (i < n && line[i] == ' ')
        ++i;
    if (n - i > 2 && line[i] == '0' && (line[i + 1] == 'x' || line[i + 1] == 'X'))
        i += 2;
    bool pending = false;
    bool half = false;
    uint8_t current = 0;
    int count = 0;
    for (; i < n; ++i) {
        const char c = line[i];
        const bool last = i == n - 1;
        if (c == ' ' || c == ':') {
            if (last && pending) {
                out[count++] = current;
                pending = false;
                half = true;
            }
        } else if (!is_hex_digit(c)) {
            return -1;
        } else if (!pending) {
            current = static_cast<uint8_t>(atoh(c));
            pending = true;
            if (last) {
                out[count++] = current;
                pending = false;
                half = true;
            }
        } else {
            current = static_cast<uint8_t>(current * 16 + atoh(c));
            out[count++] = current;
            pending = false;
            half = false;
        }
    }
    if (half)
        shift_half_byte(out, count);
    return count;
}

} // namespace boardprom

using namespace boardprom;

extern "C" {

BOARDPROM_EXPORT int sprom_get_hex(unsigned char *out)
{
    char line[kHexLineSize];
    const int n = sprom_get_text(line, kHexLineSize);
    if (n <= 0)
        return n;
    const int r = parse_hex(line, n, out);
    if (r < 0)
        complain(kInvalidCharacter);
    return r;
}

BOARDPROM_EXPORT int sprom_get_hex1(unsigned char *out)
{
    uint64_t v = 0;
    const int r = get_fixed_hex(1, kTooWide1, &v);
    if (r > 0)
        *out = static_cast<unsigned char>(v);
    return r;
}

BOARDPROM_EXPORT int sprom_get_hex2(uint16_t *out)
{
    return get_cleared_hex(out, kTooWide2);
}

BOARDPROM_EXPORT int sprom_get_hex4(uint32_t *out)
{
    return get_cleared_hex(out, kTooWide4);
}

BOARDPROM_EXPORT int sprom_get_hex8(uint64_t *out)
{
    return get_cleared_hex(out, kTooWide8);
}

} // extern "C"
