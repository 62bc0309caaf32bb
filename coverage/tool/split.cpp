// covtool split: each record's data image, byte for byte, to its file name
// below a directory.
#include <string_view>

#include "bad_input.hpp"
#include "commands.hpp"
#include "dump_reader.hpp"
#include "file_io.hpp"

namespace covtool
{
namespace
{

constexpr const char *kAbsolute = "absolute name (--strip makes it relative)";
constexpr const char *kParent = "'..' in the name would leave the output directory";
constexpr const char *kNoFileName = "the name ends without a file name";

std::string record_text(const Source &dump, const RecordRef &r)
{
    return dump.name() + ": record " + std::to_string(r.index + 1) + " (" + r.name + ")";
}

} // namespace

std::string split_target(const std::string &name, unsigned strip, std::string &refusal)
{
    std::string_view rest = name;
    if (strip > 0) {
        // As GCOV_PREFIX_STRIP: a leading '/' is not counted; each further
        // '/' ends one component; with fewer components the last is kept.
        std::size_t probe = rest.starts_with('/') ? 1 : 0;
        std::size_t cut = std::string_view::npos;
        for (unsigned level = strip; probe < rest.size() && level != 0; ++probe) {
            if (rest[probe] == '/') {
                cut = probe;
                --level;
            }
        }
        if (cut != std::string_view::npos) {
            rest.remove_prefix(cut);
        }
        // What remains goes below the directory, as below GCOV_PREFIX.
        while (rest.starts_with('/')) {
            rest.remove_prefix(1);
        }
    } else if (rest.starts_with('/')) {
        refusal = kAbsolute;
        return {};
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = rest.find('/', start);
        const std::string_view part = rest.substr(start, slash - start);
        if (part == "..") {
            refusal = kParent;
            return {};
        }
        if (slash == std::string_view::npos) {
            if (part.empty() || part == ".") {
                refusal = kNoFileName;
                return {};
            }
            break;
        }
        start = slash + 1;
    }
    return std::string(rest);
}

int split_dump(const Source &dump, const SplitOptions &options, std::ostream &err)
{
    DumpReader reader = naming_file(dump.name(), [&] { return DumpReader(dump); });
    // The framing is checked to its end before any file is written.
    const std::vector<RecordRef> records = naming_file(dump.name(), [&] { return index(reader); });
    const Fd root = open_output_directory(options.directory);
    int status = 0;
    std::vector<unsigned char> scratch;
    for (const RecordRef &r : records) {
        std::string problem;
        const std::string target = split_target(r.name, options.strip, problem);
        if (target.empty()) {
            err << "covtool: " << record_text(dump, r) << ": refused: " << problem << '\n';
            status = 1;
            continue;
        }
        problem = write_below(root, target, reader.image(r, scratch), options.force);
        if (!problem.empty()) {
            err << "covtool: " << record_text(dump, r) << ": " << target << ": " << problem << '\n';
            status = 1;
        }
    }
    return status;
}

} // namespace covtool
