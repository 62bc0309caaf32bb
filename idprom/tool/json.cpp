// show TARGET --json: one JSON document on standard output with the target,
// its layout and image size, every block's stored and computed checksum,
// and every field's place, type, raw bytes and value as show prints it.
// Whatever the library prints while reading goes to standard error.
#include "field_names.h"
#include "prom_io.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace idpromtool
{
namespace
{

inline constexpr const char *kChecksumMismatch = "checksum mismatch in the %s PROM";

// A JSON string: quotes, backslashes and every byte outside printable
// ASCII escaped, so the document is valid whatever the PROM holds.
std::string quoted(std::string_view bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += c;
        } else if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            out += text_of("\\u%04x", b);
        }
    }
    return out + "\"";
}

std::string_view title(const sprom_field_def &row)
{
    return {row.name, strnlen(row.name, sizeof row.name)};
}

std::string hex_bytes(const Image &image, const sprom_field_def &row)
{
    std::string out;
    for (int i = 0; i < sprom_field_size(&row); ++i)
        out += text_of("%02x", image[row.offset + i]);
    return out;
}

std::string target_text(const Request &request)
{
    switch (request.target) {
    case Target::FanTray:
        return "fan " + std::to_string(request.number);
    case Target::PowerModule:
        return "psu " + std::to_string(request.number);
    case Target::Board:
        break;
    }
    return "board";
}

void print_block(const Prom &prom, const Fields &fields, const BlockRow &block, int number,
                 const Image &image, bool last)
{
    const sprom_field_def &row = fields.def(block);
    std::printf("    {\"block\": %d, \"name\": %s, \"offset\": %u, \"length\": %d", number,
                quoted(title(row)).c_str(), row.offset, row.length_or_min);
    uint16_t stored = 0;
    uint16_t computed = 0;
    if (block.checksum_row >= 0 &&
        sprom_block_checksum_of(prom.layout, block.checksum_row, image.data(), prom.size,
                                prom.endian, &stored, &computed) == 0) {
        std::printf(", \"checksum_offset\": %u, \"stored_checksum\": %u, \"computed_checksum\": "
                    "%u, \"checksum_ok\": %s",
                    prom.layout[block.checksum_row].offset, stored, computed,
                    stored == computed ? "true" : "false");
    } else {
        std::printf(", \"checksum_offset\": null, \"stored_checksum\": null, "
                    "\"computed_checksum\": null, \"checksum_ok\": null");
    }
    std::printf("}%s\n", last ? "" : ",");
}

void print_field(const Prom &prom, const Fields &fields, const FieldRow &r, const Image &image,
                 bool last)
{
    const sprom_field_def &row = fields.def(r);
    std::string value;
    const bool shown = shown_value(prom, image, row, &value);
    std::printf("    {\"name\": %s, \"qualified_name\": %s, \"block\": %d, \"offset\": %u, "
                "\"size\": %d, \"type\": \"%s\", \"raw\": \"%s\", \"value\": %s}%s\n",
                quoted(title(row)).c_str(), quoted(r.name).c_str(), r.block, row.offset,
                sprom_field_size(&row), type_name(row.type), hex_bytes(image, row).c_str(),
                shown ? quoted(value).c_str() : "null", last ? "" : ",");
}

// The whole document; false when a block's checksum differs.
bool print_document(const Request &request, const Prom &prom, const Image &image)
{
    const Fields fields(prom);
    bool all_ok = true;
    for (const BlockRow &block : fields.blocks()) {
        uint16_t stored = 0;
        uint16_t computed = 0;
        if (block.checksum_row >= 0 &&
            sprom_block_checksum_of(prom.layout, block.checksum_row, image.data(), prom.size,
                                    prom.endian, &stored, &computed) == 0)
            all_ok = all_ok && stored == computed;
    }
    std::printf("{\n  \"target\": %s,\n  \"prom\": %s,\n", quoted(target_text(request)).c_str(),
                quoted(prom_name(prom)).c_str());
    if (prom.target == Target::Board)
        std::printf("  \"channel\": null,\n");
    else
        std::printf("  \"channel\": %d,\n", prom.channel);
    std::printf("  \"layout\": \"%s\",\n  \"image_size\": %d,\n  \"checksums_ok\": %s,\n",
                layout_name(prom.layout), prom.size, all_ok ? "true" : "false");
    std::printf("  \"blocks\": [\n");
    const auto &blocks = fields.blocks();
    for (size_t i = 0; i < blocks.size(); ++i)
        print_block(prom, fields, blocks[i], static_cast<int>(i) + 1, image,
                    i + 1 == blocks.size());
    std::printf("  ],\n  \"fields\": [\n");
    const auto &rows = fields.rows();
    for (size_t i = 0; i < rows.size(); ++i)
        print_field(prom, fields, rows[i], image, i + 1 == rows.size());
    std::printf("  ]\n}\n");
    return all_ok;
}

} // namespace

int show_json(const Request &request)
{
    Prom prom;
    Image image{};
    {
        const LibraryOutputToStderr quiet;
        if (!prom_layout(request, &prom) || !read_current(request, &prom, image))
            return kExitFailed;
    }
    if (!print_document(request, prom, image))
        return complain(kExitFailed, kChecksumMismatch, target_name(prom.target));
    return kExitOk;
}

} // namespace idpromtool
