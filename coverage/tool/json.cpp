#include "json.hpp"

#include <cstdio>

namespace covtool
{

void put_json_string(std::ostream &out, std::string_view text)
{
    out << '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (u >= 0x20 && u < 0x7F) {
            out << c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out << escape;
        }
    }
    out << '"';
}

} // namespace covtool
