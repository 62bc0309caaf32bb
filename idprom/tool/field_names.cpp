// Row names of a layout and field values as text.
#include "field_names.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>

namespace idpromtool
{
namespace
{

inline constexpr char kBlockMark = '@';
inline constexpr const char *kUnknown = "no field %s in the %s layout";
inline constexpr const char *kAmbiguous =
    "%s is in more than one block of the %s layout: name it %s";
inline constexpr const char *kBadBlock = "the %s layout has no field %s in block %s";

constexpr const char *kTypeNames[] = {
    "TEXT",       "HEX",  "SIGNED_DEC8", "HEX1",    "DEC_U8",   "SIGNED_DEC16", "HEX2",
    "DEC_U16",    "HEX4", "DEC_U32",     "DOT_DEC", "DASH_DEC", "HYPEN_DEC",    "HEX8",
    "TEMP_RANGE", "SKIP", "BLOCK",       "PADDING", "CHECKSUM", "END"};

std::string title_of(const sprom_field_def &row)
{
    return std::string(row.name, strnlen(row.name, sizeof row.name));
}

} // namespace

Fields::Fields(const Prom &prom) : layout_(prom.layout), what_(target_name(prom.target))
{
    std::map<std::string, int> seen;
    int block = 0;
    for (int i = 0; layout_[i].type < SPROM_TYPE_END; ++i) {
        const sprom_field_def &row = layout_[i];
        if (row.type == SPROM_TYPE_BLOCK) {
            ++block;
            blocks_.push_back({i, -1});
            continue;
        }
        if (sprom_field_size(&row) == 0)
            continue;
        if (row.type == SPROM_TYPE_CHECKSUM && !blocks_.empty())
            blocks_.back().checksum_row = i;
        rows_.push_back({i, block, title_of(row)});
        ++seen[rows_.back().name];
    }
    for (FieldRow &r : rows_) {
        if (seen[r.name] > 1)
            r.name += kBlockMark + std::to_string(r.block);
    }
}

const FieldRow *Fields::find(std::string_view name, std::string *why) const
{
    for (const FieldRow &r : rows_) {
        if (r.name == name)
            return &r;
    }
    // TITLE@N for any row, TITLE for a unique one (handled above).
    const size_t mark = name.rfind(kBlockMark);
    const std::string title(name.substr(0, mark));
    std::vector<const FieldRow *> titled;
    for (const FieldRow &r : rows_) {
        if (title_of(def(r)) == title)
            titled.push_back(&r);
    }
    if (titled.empty()) {
        *why = text_of(kUnknown, std::string(name).c_str(), what_);
        return nullptr;
    }
    if (mark == std::string_view::npos) {
        std::string choices;
        for (const FieldRow *r : titled)
            choices += (choices.empty() ? "" : " or ") + r->name;
        *why = text_of(kAmbiguous, title.c_str(), what_, choices.c_str());
        return nullptr;
    }
    const std::string_view digits = name.substr(mark + 1);
    int block = -1;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), block);
    for (const FieldRow *r : titled) {
        if (ec == std::errc() && end == digits.data() + digits.size() && r->block == block)
            return r;
    }
    *why = text_of(kBadBlock, what_, title.c_str(), std::string(digits).c_str());
    return nullptr;
}

const FieldRow *Fields::at_offset(int offset) const
{
    for (const FieldRow &r : rows_) {
        const sprom_field_def &row = def(r);
        const auto start = static_cast<int64_t>(row.offset);
        if (offset >= start && offset < start + sprom_field_size(&row))
            return &r;
    }
    return nullptr;
}

bool shown_value(const Prom &prom, const Image &image, const sprom_field_def &row,
                 std::string *value)
{
    const int n = sprom_field_to_text(&row, image.data(), prom.size, prom.endian, nullptr, 0);
    if (n < 0)
        return false;
    value->assign(static_cast<size_t>(n) + 1, '\0');
    sprom_field_to_text(&row, image.data(), prom.size, prom.endian, value->data(), n + 1);
    value->resize(static_cast<size_t>(n));
    if (row.type == SPROM_TYPE_TEXT) {
        while (!value->empty() && value->back() == '\0')
            value->pop_back();
    }
    return true;
}

std::string printable(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\\') {
            out += "\\\\";
        } else if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

const char *type_name(uint32_t type)
{
    return type < std::size(kTypeNames) ? kTypeNames[type] : "UNKNOWN";
}

} // namespace idpromtool
