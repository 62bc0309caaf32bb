// Separated-decimal codecs: dotted decimal (component widths from
// dot_dec_bytes), four dash-joined bytes, and byte pairs "high-low;...".
// One scanner collects the digits of each component; every store is
// checked against the area the codec was given.
#include "codecs.h"
#include "export.h"

#include "boardprom.h"

namespace boardprom
{
namespace
{

inline constexpr int kMaxDigits = 64;
inline constexpr int kDotCells = 16;
inline constexpr int kDotResult = 8;
inline constexpr int kDashComponents = 4;
inline constexpr int kPairs = 8;
inline constexpr uint32_t kTooLarge = 0xFFFFFFFFu; // beyond every component limit

// Digits of the component being collected (blanks are skipped).
class Component
{
  public:
    // False when the component would exceed kMaxDigits digits.
    bool add(char digit)
    {
        if (digits_ == kMaxDigits)
            return false;
        ++digits_;
        // Saturates instead of wrapping: 4294967297 must not read as 1.
        const auto d = static_cast<uint32_t>(digit - '0');
        value_ = value_ > (kTooLarge - d) / 10 ? kTooLarge : value_ * 10 + d;
        return true;
    }
    bool pending() const
    {
        return digits_ > 0;
    }
    // The value (0 without digits); the component starts afresh.
    uint32_t take()
    {
        const uint32_t v = value_;
        value_ = 0;
        digits_ = 0;
        return v;
    }

  private:
    uint32_t value_ = 0;
    int digits_ = 0;
};

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// True when every character is a digit, a blank or one of the separators.
bool only(const char *line, int n, char sep1, char sep2)
{
    for (int i = 0; i < n; ++i) {
        const char c = line[i];
        if (!is_digit(c) && c != ' ' && c != sep1 && c != sep2)
            return false;
    }
    return true;
}

// Stores one dotted-decimal component at byte k; false when unacceptable.
bool store_dot(uint32_t value, int width, int endian, uint16_t *cells, int *k)
{
    if (*k >= kDotCells)
        return false;
    if (width == 1) {
        if (value > 0xFF)
            return false;
        cells[(*k)++] = static_cast<uint16_t>(value);
        return true;
    }
    // A two-byte component needs bytes k and k+1 of the field.
    if (width != 2 || *k + 1 >= kDotCells || value > 0xFFFF)
        return false;
    const uint16_t hi = static_cast<uint16_t>(value >> 8);
    const uint16_t lo = static_cast<uint16_t>(value & 0xFF);
    cells[*k] = endian == 0 ? hi : lo;
    cells[*k + 1] = endian == 0 ? lo : hi;
    *k += 2;
    return true;
}

} // namespace

int parse_dot_dec(const char *line, int n, int endian, const int32_t *widths, uint16_t *cells)
{
    if (!only(line, n, '.', '.'))
        return -1;
    Component comp;
    int k = 0;
    for (int i = 0; i < n; ++i) {
        const char c = line[i];
        if (is_digit(c) && !comp.add(c))
            return -1;
        const bool ends = c == '.' || (i == n - 1 && comp.pending());
        if (!ends)
            continue;
        if (k >= kDotCells)
            return -1;
        const int32_t w = widths[k];
        if (w == 0)
            continue; // second byte of a component: the digits wait for the next one
        if (!store_dot(comp.take(), w, endian, cells, &k))
            return -1;
    }
    return kDotResult;
}

int parse_dash_dec(const char *line, int n, uint8_t *out)
{
    if (!only(line, n, '-', '-'))
        return -1;
    // Every '-' closes a component and opens the next one; the last one is
    // closed by the end of the line, empty (0) when the line ends in '-'.
    Component comp;
    int j = 0;
    for (int i = 0; i < n; ++i) {
        const char c = line[i];
        if (is_digit(c) && !comp.add(c))
            return -1;
        if (c != '-')
            continue;
        const uint32_t v = comp.take();
        if (j >= kDashComponents || v > 0xFF)
            return -1;
        out[j++] = static_cast<uint8_t>(v);
    }
    const uint32_t v = comp.take();
    if (j != kDashComponents - 1 || v > 0xFF)
        return -1;
    out[j] = static_cast<uint8_t>(v);
    return n;
}

int parse_hypen_dec(const char *line, int n, uint16_t *pairs)
{
    for (int p = 0; p < kPairs; ++p)
        pairs[p] = 0;
    if (!only(line, n, '-', ';'))
        return -1;
    Component comp;
    int p = 0;
    bool have_high = false;
    for (int i = 0; i < n; ++i) {
        const char c = line[i];
        if (is_digit(c) && !comp.add(c))
            return -1;
        if (c == '-') {
            const uint32_t high = comp.take();
            if (have_high || p >= kPairs || high > 0xFF)
                return -1;
            pairs[p] = static_cast<uint16_t>(high << 8);
            have_high = true;
        } else if (c == ';' || (i == n - 1 && comp.pending())) {
            const uint32_t low = comp.take();
            if (!have_high || p >= kPairs || low > 0xFF)
                return -1;
            pairs[p] = static_cast<uint16_t>(pairs[p] | low);
            ++p;
            have_high = false;
        }
    }
    return n;
}

} // namespace boardprom

using namespace boardprom;

extern "C" {

BOARDPROM_EXPORT int sprom_get_dot_dec(int endian, uint16_t *cells)
{
    char line[kSeparatedLineSize];
    const int n = sprom_get_text(line, kSeparatedLineSize);
    if (n <= 0)
        return n;
    return parse_dot_dec(line, n, endian, dot_dec_bytes, cells);
}

BOARDPROM_EXPORT int sprom_get_dash_dec(unsigned char *out)
{
    char line[kSeparatedLineSize];
    const int n = sprom_get_text(line, kSeparatedLineSize);
    if (n <= 0)
        return n;
    return parse_dash_dec(line, n, out);
}

BOARDPROM_EXPORT int sprom_get_hypen_dec(uint16_t *pairs)
{
    char line[kSeparatedLineSize];
    const int n = sprom_get_text(line, kSeparatedLineSize);
    if (n <= 0)
        return n;
    return parse_hypen_dec(line, n, pairs);
}

} // extern "C"
