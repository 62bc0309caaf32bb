// Exit statuses of the command line: 2 for usage, 1 for what cannot be
// read or written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli.hpp"
#include "file_io.hpp"

namespace covtool::test
{
namespace
{

struct Line {
    std::vector<const char *> args;
    int status;
    const char *first_message_line;
};

TEST(CommandLine, ExitStatusesAndMessages)
{
    const Line lines[] = {
        {{}, kExitUsage, "covtool: no command"},
        {{"frob"}, kExitUsage, "covtool: unknown command 'frob'"},
        {{"list"}, kExitUsage, "covtool: covtool list: wrong number of operands"},
        {{"list", "a", "b"}, kExitUsage, "covtool: covtool list: wrong number of operands"},
        {{"list", "a", "--force"}, kExitUsage, "covtool: covtool list: unknown option '--force'"},
        {{"merge", "a"}, kExitUsage, "covtool: covtool merge: -o OUT is required"},
        {{"split", "a", "--strip", "x"}, kExitUsage, "covtool: --strip needs a count, not 'x'"},
        {{"split", "a", "--strip"}, kExitUsage, "covtool: option '--strip' needs a value"},
        {{"diff", "a", "--json=1", "b"}, kExitUsage, "covtool: option '--json' takes no value"},
        {{"list", "/nonexistent/d.dat"},
         kExitFailed,
         "covtool: cannot open /nonexistent/d.dat: No such file or directory"},
        {{"--json", "list", "/"}, kExitFailed, "covtool: /: not a regular file"},
        {{"merge", "-o", "/nonexistent/out.dat", "/nonexistent/d.dat"},
         kExitFailed,
         "covtool: cannot open /nonexistent/d.dat: No such file or directory"},
    };
    for (const Line &l : lines) {
        std::vector<const char *> argv = {"covtool"};
        argv.insert(argv.end(), l.args.begin(), l.args.end());
        SCOPED_TRACE(argv.size() > 1 ? argv[1] : "(none)");
        std::ostringstream out, err;
        EXPECT_EQ(run(static_cast<int>(argv.size()), argv.data(), out, err), l.status);
        EXPECT_EQ(err.str().substr(0, err.str().find('\n')), l.first_message_line);
        EXPECT_EQ(out.str(), "");
    }
    std::ostringstream out, err;
    const char *help[] = {"covtool", "--help"};
    EXPECT_EQ(run(2, help, out, err), kExitOk);
    EXPECT_EQ(out.str().rfind("usage: covtool list DUMP", 0), 0U);
}

// A dump cut short while it is mapped: the lost bytes read as zeros, not
// as a fault, and the source says it is no longer whole.
TEST(FileSource, CutShortWhileReadIsReportedNotFatal)
{
    char path[] = "/tmp/covtool-cut.XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string bytes(3 * 4096, '\x11');
    std::ofstream(path, std::ios::binary) << bytes;
    {
        const FileSource dump(path);
        const auto in_place = dump.view(0, bytes.size());
        ASSERT_EQ(in_place.size(), bytes.size());
        EXPECT_EQ(in_place[0], 0x11);
        EXPECT_TRUE(dump.intact());
        ASSERT_EQ(::truncate(path, 100), 0);
        EXPECT_EQ(in_place[2 * 4096 + 1], 0);
        EXPECT_FALSE(dump.intact());
    }
    ::unlink(path);
}

} // namespace
} // namespace covtool::test
