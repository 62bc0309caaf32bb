// Pure parsers behind the operator codecs: each takes one line of text
// (without its newline) and produces bytes or a number.  The exported
// sprom_get_* functions read the line from standard input and call these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace boardprom
{

// Line buffer sizes handed to fgets.
inline constexpr int kHexLineSize = 2048;
inline constexpr int kSeparatedLineSize = 512;
inline constexpr int kDecimalLineSize = 32;
inline constexpr int kTempLineSize = 64;
inline constexpr size_t kHexMaxBytes = 1024; // 2047 digits

// Reads one line of at most size-1 characters into buf, as fgets does:
// from standard input, or from the text of the LineSource in place.  False
// at end of input or on an error.
bool read_line(char *buf, int size);

// Prints a codec's complaint about the operator's line on standard output,
// unless a LineSource is in place (its caller reports the failure itself).
void complain(const char *message);

// True while a LineSource is in place: a value the codec would store
// truncated (a temperature outside -128 to 127) is then refused instead.
bool values_must_fit();

// For its lifetime the codecs read their line from `text` instead of
// standard input and keep their complaints to themselves: a field can then
// be set from its text form through the very codec the prompt uses.  The
// text is the operator's line with its newline; it must outlive the source.
// A source put in place while another one is restores that one when it
// ends; the library serves one caller at a time, so no lock is taken.
class LineSource
{
  public:
    LineSource(const char *text, size_t length);
    ~LineSource();
    LineSource(const LineSource &) = delete;
    LineSource &operator=(const LineSource &) = delete;

    // Characters of the text no read has taken yet.
    size_t unread() const
    {
        return length_ - taken_;
    }

  private:
    friend bool read_line(char *buf, int size);
    bool read(char *buf, int size);

    const char *text_;
    size_t length_;
    size_t taken_ = 0;
    LineSource *previous_;
};

// Hexadecimal digits of line[0..n-1] into out (room for kHexMaxBytes);
// the number of bytes, or -1 at a character that is neither a digit, a
// blank nor a colon.
int parse_hex(const char *line, int n, uint8_t *out);

// Decimal number as "%d" reads it (leading white space, a sign, digits up
// to the first non-digit); false when there is no number or it does not fit
// in 32 bits (signed or unsigned).
bool parse_decimal(const char *text, int32_t *value);

// The separated-decimal codecs over line[0..n-1]; results as the codecs.
int parse_dot_dec(const char *line, int n, int endian, const int32_t *widths, uint16_t *cells);
int parse_dash_dec(const char *line, int n, uint8_t *out);
int parse_hypen_dec(const char *line, int n, uint16_t *pairs);

// "first/second" signed decimals; 0 with both stored, -1 when unacceptable.
int parse_temp_range(const char *line, uint8_t *first, uint8_t *second);

} // namespace boardprom
