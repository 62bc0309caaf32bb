// covtool list: what a dump holds, object by object.
#include <array>
#include <sstream>

#include "bad_input.hpp"
#include "commands.hpp"
#include "dump_reader.hpp"
#include "image.hpp"
#include "json.hpp"
#include "text.hpp"

namespace covtool
{
namespace
{

constexpr const char *kNoCounters = "none";

struct Counts {
    std::array<std::uint64_t, kGcc12Kinds> per_kind{};
    std::array<bool, kGcc12Kinds> present{};
};

Counts count_kinds(const DataImage &image)
{
    Counts c;
    for (const Block &b : image.blocks) {
        c.per_kind[b.kind] += b.count;
        c.present[b.kind] = true;
    }
    return c;
}

void put_text_object(std::ostream &out, const DataImage &image, bool functions)
{
    out << "  version " << version_text(image.version) << " (" << family_name(image.family)
        << "), stamp " << hex32(image.stamp);
    if (image.family == Family::gcc12) {
        out << ", checksum " << hex32(image.checksum);
    }
    out << ", " << image.functions.size() << " functions\n";
    const Counts counts = count_kinds(image);
    out << "  counters:";
    const char *separator = " ";
    for (unsigned k = 0; k < kind_count(image.family); ++k) {
        if (counts.present[k]) {
            out << separator << kind_name(image.family, k) << ' ' << counts.per_kind[k];
            separator = ", ";
        }
    }
    if (separator[0] == ' ') {
        out << separator << kNoCounters;
    }
    out << '\n';
    const ArcStats arcs = arc_stats(image);
    out << "  arcs: " << arcs.nonzero << " of " << arcs.total << " non-zero, sum " << arcs.sum
        << ", max " << arcs.max << '\n';
    if (!functions) {
        return;
    }
    for (std::size_t i = 0; i < image.functions.size(); ++i) {
        const Function &f = image.functions[i];
        if (!f.present) {
            out << "  function record " << i + 1 << ": empty\n";
            continue;
        }
        const ArcStats s = arc_stats(image, f);
        out << "  function " << f.ident << ": ";
        if (image.family == Family::gcc12) {
            out << "lineno checksum " << hex32(f.checksum) << ", cfg checksum "
                << hex32(f.cfg_checksum);
        } else {
            out << "checksum " << hex32(f.checksum);
        }
        out << ", arcs " << s.nonzero << " of " << s.total << " non-zero\n";
    }
}

void put_json_object(std::ostream &out, const DataImage &image, bool functions)
{
    out << ",\"version\":";
    put_json_string(out, version_text(image.version));
    out << ",\"layout\":\"" << (image.family == Family::gcc4 ? "gcc4" : "gcc12")
        << "\",\"stamp\":" << image.stamp;
    if (image.family == Family::gcc12) {
        out << ",\"checksum\":" << image.checksum;
    }
    out << ",\"functions\":" << image.functions.size() << ",\"counters\":{";
    const Counts counts = count_kinds(image);
    const char *separator = "";
    for (unsigned k = 0; k < kind_count(image.family); ++k) {
        if (counts.present[k]) {
            out << separator << '"' << kind_name(image.family, k) << "\":" << counts.per_kind[k];
            separator = ",";
        }
    }
    const ArcStats arcs = arc_stats(image);
    out << "},\"arcs\":{\"nonzero\":" << arcs.nonzero << ",\"total\":" << arcs.total
        << ",\"sum\":" << arcs.sum << ",\"max\":" << arcs.max << '}';
    if (!functions) {
        return;
    }
    out << ",\"function_records\":[";
    for (std::size_t i = 0; i < image.functions.size(); ++i) {
        const Function &f = image.functions[i];
        out << (i == 0 ? "" : ",") << "{\"present\":" << (f.present ? "true" : "false");
        if (f.present) {
            const ArcStats s = arc_stats(image, f);
            out << ",\"ident\":" << f.ident;
            if (image.family == Family::gcc12) {
                out << ",\"lineno_checksum\":" << f.checksum
                    << ",\"cfg_checksum\":" << f.cfg_checksum;
            } else {
                out << ",\"checksum\":" << f.checksum;
            }
            out << ",\"arcs_nonzero\":" << s.nonzero << ",\"arcs_total\":" << s.total;
        }
        out << '}';
    }
    out << ']';
}

} // namespace

int list_dump(const Source &dump, const ListOptions &options, std::ostream &out, std::ostream &err)
{
    DumpReader reader = naming_file(dump.name(), [&] { return DumpReader(dump); });
    // The framing is checked to its end before anything is printed.
    const std::vector<RecordRef> records = naming_file(dump.name(), [&] { return index(reader); });
    if (options.json) {
        out << "{\"file\":";
        put_json_string(out, dump.name());
        out << ",\"container_version\":" << reader.version() << ",\"records\":" << reader.count()
            << ",\"objects\":[";
    } else {
        out << dump.name() << ": container version " << reader.version() << ", " << reader.count()
            << " records\n";
    }
    int status = 0;
    DataImage image;
    std::vector<unsigned char> scratch;
    for (const RecordRef &r : records) {
        std::ostringstream body;
        try {
            parse_image(reader.image(r, scratch), r.image_offset, image);
            if (options.json) {
                put_json_object(body, image, options.functions);
            } else {
                put_text_object(body, image, options.functions);
            }
        } catch (BadInput &e) {
            e.set_file(dump.name());
            err << "covtool: " << e.message() << '\n';
            status = 1;
            body.str("");
            if (options.json) {
                body << ",\"error\":";
                put_json_string(body, "offset " + std::to_string(e.offset()) + ": " + e.what());
            } else {
                body << "  unreadable: offset " << e.offset() << ": " << e.what() << '\n';
            }
        }
        if (options.json) {
            out << (r.index == 0 ? "" : ",") << "{\"name\":";
            put_json_string(out, r.name);
            out << body.str() << '}';
        } else {
            out << r.name << '\n' << body.str();
        }
    }
    if (options.json) {
        out << "]}\n";
    }
    return status;
}

} // namespace covtool
