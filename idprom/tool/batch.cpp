// program TARGET --set NAME=VALUE ... | --from FILE: every value is checked
// against its field's codec and size before the PROM is read, then the new
// image (fields not named keep their bytes, block checksums computed
// afresh) is shown as changes, confirmed, written and read back.
#include "apply.h"
#include "assignments.h"
#include "prom_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

namespace idpromtool
{
namespace
{

inline constexpr const char *kCannotRead = "cannot read %s: %s";
inline constexpr const char *kNoValues = "%s: no NAME=VALUE lines";
inline constexpr const char *kBadName = "%s: %s";
inline constexpr const char *kTwice = "%s: %s is set twice (first at %s)";
inline constexpr const char *kRefused = "%s: %s: %s";
inline constexpr const char *kStdinName = "standard input";

// What a field takes, for the reason of a refused value.
std::string expected_form(const sprom_field_def &row)
{
    switch (row.type) {
    case SPROM_TYPE_TEXT:
        return text_of("text of at most %d characters", row.length_or_min);
    case SPROM_TYPE_HEX:
        return text_of("at most %d bytes in hexadecimal digits, as 00:1b:21:0a:0b:0c",
                       row.length_or_min);
    case SPROM_TYPE_SIGNED_DEC8:
        return "a number from -128 to 127";
    case SPROM_TYPE_HEX1:
    case SPROM_TYPE_HEX2:
    case SPROM_TYPE_HEX4:
    case SPROM_TYPE_HEX8:
        return text_of("a hexadecimal number of at most %d digits", 2 * sprom_field_size(&row));
    case SPROM_TYPE_DEC_U8:
        return "a number from 0 to 255";
    case SPROM_TYPE_SIGNED_DEC16:
        return "a number from -32768 to 32767";
    case SPROM_TYPE_DEC_U16:
        return "a number from 0 to 65535";
    case SPROM_TYPE_DEC_U32:
        return "a 32-bit number";
    case SPROM_TYPE_DOT_DEC:
        return "up to eight numbers from 0 to 65535 joined by dots, as 1.3.6.1";
    case SPROM_TYPE_DASH_DEC:
        return "four numbers from 0 to 255 joined by hyphens, as 10-20-30-40";
    case SPROM_TYPE_HYPEN_DEC:
        return "up to eight pairs HIGH-LOW of numbers from 0 to 255 joined by semicolons, as "
               "1-2;3-4";
    case SPROM_TYPE_TEMP_RANGE:
        return "two numbers from -128 to 127 joined by a slash, as -5/40";
    default:
        return "no value: it is computed or fixed";
    }
}

std::string reason(int rc, const sprom_field_def &row, const std::string &value)
{
    const std::string shown = "'" + printable(value) + "'";
    switch (rc) {
    case SPROM_RC_NOT_A_FIELD:
        return row.type == SPROM_TYPE_CHECKSUM ? "checksums are computed, not set"
                                               : "this row takes no value";
    case SPROM_RC_VALUE_EMPTY:
        return "empty value (the prompt would keep the field); expected " + expected_form(row);
    case SPROM_RC_VALUE_TOO_LONG:
        return shown + " does not fit: expected " + expected_form(row);
    case SPROM_RC_VALUE_RANGE:
        return text_of("%s is outside the field's range 0x%x to 0x%x", shown.c_str(),
                       static_cast<unsigned>(row.length_or_min), static_cast<unsigned>(row.max));
    default:
        return "invalid value " + shown + ": expected " + expected_form(row);
    }
}

// The --set values and the --from file's lines; false after printing why.
bool gather(const Request &request, std::vector<Assignment> *all)
{
    *all = request.sets;
    if (request.from.empty())
        return true;
    const bool from_stdin = request.from == kStdStream;
    std::FILE *in = from_stdin ? stdin : std::fopen(request.from.c_str(), "r");
    if (in == nullptr) {
        complain(kExitUsage, kCannotRead, request.from.c_str(), std::strerror(errno));
        return false;
    }
    const size_t before = all->size();
    const bool ok = read_assignments(in, from_stdin ? kStdinName : request.from, all);
    if (!from_stdin)
        std::fclose(in);
    if (ok && all->size() == before) {
        complain(kExitUsage, kNoValues, from_stdin ? kStdinName : request.from.c_str());
        return false;
    }
    return ok;
}

struct Resolved {
    const Assignment *assignment;
    const FieldRow *row;
};

// Names resolved to rows, each row named once, each value accepted by its
// field; every refusal is printed.
bool resolve(const Prom &prom, const Fields &fields, const std::vector<Assignment> &all,
             std::vector<Resolved> *out)
{
    bool ok = true;
    std::map<int, const Assignment *> first;
    Image scratch{};
    for (const Assignment &a : all) {
        std::string why;
        const FieldRow *row = fields.find(a.name, &why);
        if (row == nullptr) {
            complain(kExitUsage, kBadName, a.where.c_str(), why.c_str());
            ok = false;
            continue;
        }
        if (const auto seen = first.find(row->row); seen != first.end()) {
            complain(kExitUsage, kTwice, a.where.c_str(), row->name.c_str(),
                     seen->second->where.c_str());
            ok = false;
            continue;
        }
        first[row->row] = &a;
        const sprom_field_def &def = fields.def(*row);
        const int rc =
            sprom_field_from_text(&def, scratch.data(), prom.size, prom.endian, a.value.c_str());
        if (rc != 0) {
            complain(kExitUsage, kRefused, a.where.c_str(), row->name.c_str(),
                     reason(rc, def, a.value).c_str());
            ok = false;
            continue;
        }
        out->push_back({&a, row});
    }
    return ok;
}

} // namespace

int program_batch(const Request &request)
{
    Prom prom;
    if (!prom_layout(request, &prom))
        return kExitFailed;
    const Fields fields(prom);
    std::vector<Assignment> all;
    std::vector<Resolved> values;
    // Every fault of every line is reported before giving up.
    const bool read = gather(request, &all);
    if (!resolve(prom, fields, all, &values) || !read)
        return kExitUsage;
    Image before{};
    if (!read_current(request, &prom, before))
        return kExitFailed;
    Image after{};
    if (!request.blank)
        after = before;
    for (const Resolved &v : values) {
        const sprom_field_def &def = fields.def(*v.row);
        sprom_field_from_text(&def, after.data(), prom.size, prom.endian,
                              v.assignment->value.c_str());
    }
    sprom_update_checksums(prom.layout, after.data(), prom.size, prom.endian);
    return apply_image(request, prom, before, after);
}

} // namespace idpromtool
