#include "cli.hpp"

#include <charconv>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bad_input.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "merge.hpp"

namespace covtool
{
namespace
{

constexpr const char *kUsage = "usage: covtool list DUMP [--functions] [--json]\n"
                               "       covtool split DUMP [-o DIR] [--strip N] [--force]\n"
                               "       covtool merge -o OUT [--skip-mismatch] DUMP...\n"
                               "       covtool diff A B [--json]\n";
constexpr const char *kOutOfMemory = "out of memory";

struct UsageError {
    std::string text;
};

// The options and operands of one command line.
struct Line {
    std::string command;
    std::vector<std::string> operands;
    std::optional<std::string> output;
    std::optional<unsigned> strip;
    bool json = false, functions = false, force = false, skip_mismatch = false;
};

unsigned parse_count(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value > 0x7FFFFFFFU) {
        throw UsageError{"--strip needs a count, not '" + std::string(text) + "'"};
    }
    return value;
}

// Which options each command takes.
bool allowed(const std::string &command, std::string_view option)
{
    if (command == "list") {
        return option == "--json" || option == "--functions";
    }
    if (command == "split") {
        return option == "--output" || option == "--strip" || option == "--force";
    }
    if (command == "merge") {
        return option == "--output" || option == "--skip-mismatch";
    }
    return command == "diff" && option == "--json";
}

bool takes_value(std::string_view option)
{
    return option == "--output" || option == "--strip";
}

// The command is the first argument that is neither an option nor an
// option's value, so options may also come before it.
std::size_t command_index(const std::vector<std::string> &args)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--" || arg.size() < 2 || arg[0] != '-') {
            return arg == "--" ? i + 1 : i;
        }
        if (arg == "-o" || arg == "--output" || arg == "--strip") {
            ++i;
        }
    }
    throw UsageError{"no command"};
}

Line parse(const std::vector<std::string> &args)
{
    Line line;
    const std::size_t at = command_index(args);
    if (at >= args.size()) {
        throw UsageError{"no command"};
    }
    line.command = args[at];
    bool options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i == at) {
            continue;
        }
        const std::string &arg = args[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            line.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        std::string option = arg;
        std::optional<std::string> value;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                option = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            }
        } else if (arg.starts_with("-o")) {
            option = "--output";
            if (arg.size() > 2) {
                value = arg.substr(2);
            }
        }
        if (!allowed(line.command, option)) {
            throw UsageError{"covtool " + line.command + ": unknown option '" + arg + "'"};
        }
        if (takes_value(option) && !value) {
            if (i + 1 == args.size()) {
                throw UsageError{"option '" + arg + "' needs a value"};
            }
            value = args[++i];
        } else if (!takes_value(option) && value) {
            throw UsageError{"option '" + option + "' takes no value"};
        }
        if (option == "--output") {
            line.output = *value;
        } else if (option == "--strip") {
            line.strip = parse_count(*value);
        } else {
            line.json |= option == "--json";
            line.functions |= option == "--functions";
            line.force |= option == "--force";
            line.skip_mismatch |= option == "--skip-mismatch";
        }
    }
    return line;
}

void expect_operands(const Line &line, std::size_t min, std::size_t max)
{
    if (line.operands.size() < min || line.operands.size() > max) {
        throw UsageError{"covtool " + line.command + ": wrong number of operands"};
    }
}

constexpr const char *kCutShort = "the file was cut short while it was read";

// The dumps a command opened; a dump cut short while it was read makes the
// command fail, whatever it found in the bytes that were left.
struct Opened {
    std::vector<std::unique_ptr<FileSource>> files;

    const FileSource &open(const std::string &path)
    {
        return *files.emplace_back(std::make_unique<FileSource>(path));
    }
    void check() const
    {
        for (const auto &f : files) {
            if (!f->intact()) {
                throw Failure(f->name() + ": " + kCutShort);
            }
        }
    }
};

int dispatch(const Line &line, Opened &opened, std::ostream &out, std::ostream &err)
{
    if (line.command == "list") {
        expect_operands(line, 1, 1);
        return list_dump(opened.open(line.operands[0]), {line.json, line.functions}, out, err);
    }
    if (line.command == "split") {
        expect_operands(line, 1, 1);
        SplitOptions options;
        options.directory = line.output.value_or(".");
        options.strip = line.strip.value_or(0);
        options.force = line.force;
        return split_dump(opened.open(line.operands[0]), options, err);
    }
    if (line.command == "merge") {
        expect_operands(line, 1, SIZE_MAX);
        if (!line.output) {
            throw UsageError{"covtool merge: -o OUT is required"};
        }
        std::vector<const Source *> inputs;
        for (const std::string &path : line.operands) {
            inputs.push_back(&opened.open(path));
        }
        OutputFile output(*line.output);
        merge_dumps(inputs, output, {line.skip_mismatch}, err);
        opened.check(); // before the merged dump takes its name
        output.commit();
        return kExitOk;
    }
    if (line.command == "diff") {
        expect_operands(line, 2, 2);
        const Source &a = opened.open(line.operands[0]);
        return diff_dumps(a, opened.open(line.operands[1]), line.json, out, err);
    }
    throw UsageError{"unknown command '" + line.command + "'"};
}

} // namespace

int run(int argc, const char *const argv[], std::ostream &out, std::ostream &err)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        out << kUsage;
        return kExitOk;
    }
    Opened opened;
    try {
        const int status = dispatch(parse(args), opened, out, err);
        opened.check();
        out.flush();
        return status;
    } catch (const UsageError &e) {
        err << "covtool: " << e.text << '\n' << kUsage;
        return kExitUsage;
    } catch (const BadInput &e) {
        try {
            opened.check();
            err << "covtool: " << e.message() << '\n';
        } catch (const Failure &cut) {
            err << "covtool: " << cut.what() << '\n';
        }
    } catch (const Failure &e) {
        err << "covtool: " << e.what() << '\n';
    } catch (const std::bad_alloc &) {
        err << "covtool: " << kOutOfMemory << '\n';
    }
    return kExitFailed;
}

} // namespace covtool
