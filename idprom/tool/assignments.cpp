// Parsing NAME=VALUE assignments.
#include "assignments.h"

#include "field_names.h"
#include "target.h"

#include <cerrno>
#include <cstring>

namespace idpromtool
{
namespace
{

inline constexpr const char *kBlanks = " \t";
inline constexpr const char *kNotAnAssignment = "%s: expected NAME=VALUE, found '%s'";
inline constexpr const char *kNulInLine = "%s: the line holds a NUL byte";
inline constexpr const char *kReadFailed = "%s: %s";

std::string_view trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// One line without its line end; false at the end of the file.
bool next_line(std::FILE *in, std::string *line)
{
    line->clear();
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line->push_back(static_cast<char>(c));
    if (c == EOF && line->empty())
        return false;
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return true;
}

} // namespace

bool split_assignment(std::string_view text, bool trim_value, std::string *name, std::string *value)
{
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return false;
    const std::string_view n = trimmed(text.substr(0, eq));
    if (n.empty())
        return false;
    name->assign(n);
    const std::string_view v = text.substr(eq + 1);
    value->assign(trim_value ? trimmed(v) : v);
    return true;
}

bool read_assignments(std::FILE *in, const std::string &name, std::vector<Assignment> *out)
{
    bool ok = true;
    std::string line;
    for (int number = 1; next_line(in, &line); ++number) {
        const std::string where = name + ":" + std::to_string(number);
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#')
            continue;
        Assignment a;
        a.where = where;
        if (line.find('\0') != std::string::npos) {
            complain(kExitUsage, kNulInLine, where.c_str());
            ok = false;
        } else if (!split_assignment(line, true, &a.name, &a.value)) {
            complain(kExitUsage, kNotAnAssignment, where.c_str(), printable(line).c_str());
            ok = false;
        } else {
            out->push_back(std::move(a));
        }
    }
    if (std::ferror(in) != 0) {
        complain(kExitUsage, kReadFailed, name.c_str(), std::strerror(errno));
        ok = false;
    }
    return ok;
}

} // namespace idpromtool
