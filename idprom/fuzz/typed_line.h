// What an operator's line means, read independently of the library's
// parsers: the fuzz targets compare it with the value a codec stored.
// Values are compared as canonical digit strings, so a number of any size
// keeps its size here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace boardprom_fuzz
{

// The line a codec reads from `input` through a buffer of `line_size`
// bytes: up to the newline or size - 1 characters, and, as the codecs see
// it, cut at a NUL byte.
inline std::string first_line(const std::string &input, size_t line_size)
{
    std::string line = input.substr(0, line_size - 1);
    line = line.substr(0, line.find('\n'));
    return line.substr(0, line.find('\0'));
}

inline std::string without(const std::string &text, const std::string &drop)
{
    std::string out;
    for (char c : text)
        if (drop.find(c) == std::string::npos)
            out.push_back(c);
    return out;
}

inline std::vector<std::string> split(const std::string &text, char sep)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == sep)
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

// Digits without their leading zeros, lower case; "" and "000" give "0".
inline std::string canonical(const std::string &digits)
{
    size_t i = 0;
    while (i + 1 < digits.size() && digits[i] == '0')
        ++i;
    std::string out = digits.empty() ? "0" : digits.substr(i);
    for (char &c : out)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

inline std::vector<std::string> canonical_all(const std::vector<std::string> &parts)
{
    std::vector<std::string> out;
    for (const std::string &p : parts)
        out.push_back(canonical(p));
    return out;
}

// Decimal components joined by `sep`, blanks ignored; a line ending in the
// separator ends with an empty (0) component.
inline std::vector<std::string> components(const std::string &line, char sep)
{
    return canonical_all(split(without(line, " "), sep));
}

// Dotted-decimal components: a line ending in '.' opens no further one.
inline std::vector<std::string> dotted(const std::string &line)
{
    std::vector<std::string> parts = split(without(line, " "), '.');
    if (parts.back().empty())
        parts.pop_back();
    return canonical_all(parts);
}

// Byte pairs "high-low" joined by ';' as canonical (high, low) strings;
// a line may end in ';' and a pair in '-'.  A line without pairs leaves the
// first pair 0-0.
inline std::vector<std::string> pairs(const std::string &line)
{
    std::vector<std::string> segments = split(without(line, " "), ';');
    if (segments.back().empty())
        segments.pop_back();
    if (segments.empty())
        return {"0", "0"};
    std::vector<std::string> out;
    for (const std::string &s : segments) {
        for (const std::string &half : split(s, '-'))
            out.push_back(canonical(half));
    }
    return out;
}

// The hexadecimal digits of a line in order, blanks and colons left out,
// after leading blanks and a "0x" that has more after it.
inline std::string hex_digits(const std::string &line)
{
    size_t i = line.find_first_not_of(' ');
    if (i == std::string::npos)
        return "";
    if (line.size() - i > 2 && line[i] == '0' && (line[i + 1] == 'x' || line[i + 1] == 'X'))
        i += 2;
    return without(line.substr(i), " :");
}

// The bytes the digits make, right-aligned: an odd count gains a leading 0.
inline std::vector<uint8_t> hex_bytes(const std::string &digits)
{
    const std::string even = digits.size() % 2 != 0 ? "0" + digits : digits;
    std::vector<uint8_t> out;
    for (size_t i = 0; i < even.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(even.substr(i, 2), nullptr, 16)));
    return out;
}

// A decimal number as "%d" finds it: leading white space, a sign, digits
// up to the first non-digit.  Null when there is no digit; "-0" is "0".
inline std::optional<std::string> decimal_number(const std::string &line)
{
    size_t i = line.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos)
        return std::nullopt;
    bool negative = false;
    if (line[i] == '+' || line[i] == '-')
        negative = line[i++] == '-';
    const size_t end = line.find_first_not_of("0123456789", i);
    const std::string digits = line.substr(i, end == std::string::npos ? end : end - i);
    if (digits.empty())
        return std::nullopt;
    const std::string value = canonical(digits);
    return negative && value != "0" ? "-" + value : value;
}

// A decimal number's digits as an integer, when it has at most 30 digits.
inline std::optional<__int128> small_integer(const std::string &number)
{
    const bool negative = !number.empty() && number[0] == '-';
    const std::string digits = negative ? number.substr(1) : number;
    if (digits.size() > 30)
        return std::nullopt;
    __int128 v = 0;
    for (char c : digits)
        v = v * 10 + (c - '0');
    return negative ? -v : v;
}

} // namespace boardprom_fuzz
