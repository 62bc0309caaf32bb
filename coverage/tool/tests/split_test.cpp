// Where split puts each record, and what it refuses to write.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "dump_fixture.hpp"

namespace covtool::test
{
namespace
{

namespace fs = std::filesystem;

struct Target {
    const char *name;
    unsigned strip;
    const char *path;    // empty when refused
    const char *refusal; // empty when written
};

TEST(SplitTarget, StripsAsGcovPrefixStripAndRefusesWhatLeaves)
{
    const Target cases[] = {
        {"/build/src/a.gcda", 2, "a.gcda", ""},
        {"/build/src/a.gcda", 1, "src/a.gcda", ""},
        {"/build/src/a.gcda", 9, "a.gcda", ""},
        {"build/src/a.gcda", 1, "src/a.gcda", ""},
        {"rel/a.gcda", 0, "rel/a.gcda", ""},
        {"/a.gcda", 1, "a.gcda", ""},
        {"/build/src/a.gcda", 0, "", "absolute name (--strip makes it relative)"},
        {"/build/../../etc/a.gcda", 1, "", "'..' in the name would leave the output directory"},
        {"../a.gcda", 0, "", "'..' in the name would leave the output directory"},
        {"/build/src/", 1, "", "the name ends without a file name"},
    };
    for (const Target &t : cases) {
        SCOPED_TRACE(std::string(t.name) + " strip " + std::to_string(t.strip));
        std::string refusal;
        EXPECT_EQ(split_target(t.name, t.strip, refusal), t.path);
        EXPECT_EQ(refusal, t.refusal);
    }
}

class SplitFiles : public LibraryDump
{
  protected:
    void SetUp() override
    {
        LibraryDump::SetUp();
        char pattern[] = "/tmp/covtool-split.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        fs::remove_all(dir_);
        LibraryDump::TearDown();
    }
    int split(const Bytes &dump, bool force, std::string &err_text)
    {
        std::ostringstream err;
        const int status = split_dump(MemorySource("d", dump), {dir_.string(), 1, force}, err);
        err_text = err.str();
        return status;
    }
    static std::string read(const fs::path &p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path dir_;
};

TEST_F(SplitFiles, WritesImagesBelowTheDirectoryAndFollowsNoLink)
{
    add("/build/../d.gcda", 1, {{1}});
    add("/build/link/c.gcda", 1, {{1}});
    add("/build/ok/b.gcda", 1, {{1}});
    add("/build/ok/a.gcda", 1, {{1}}).values(0) = {7};
    const Bytes dump = this->dump(); // a, b, c, d
    fs::create_directories(dir_ / "elsewhere");
    fs::create_directories(dir_ / "ok");
    fs::create_directory_symlink(dir_ / "elsewhere", dir_ / "link");
    fs::create_symlink(dir_ / "elsewhere" / "target", dir_ / "ok" / "b.gcda");

    std::string err;
    EXPECT_EQ(split(dump, false, err), 1);
    EXPECT_EQ(err, "covtool: d: record 2 (/build/ok/b.gcda): ok/b.gcda: file exists (--force "
                   "overwrites it)\n"
                   "covtool: d: record 3 (/build/link/c.gcda): link/c.gcda: link is a symbolic "
                   "link or not a directory\n"
                   "covtool: d: record 4 (/build/../d.gcda): refused: '..' in the name would "
                   "leave the output directory\n");
    // The image of the record, byte for byte: its size and its one counter.
    const std::string a = read(dir_ / "ok" / "a.gcda");
    ASSERT_EQ(a.size(), 12U + 16 + 8 + 8 + 88);
    EXPECT_EQ(a.substr(0, 4), "adcg");
    EXPECT_EQ(a[36], 7);

    // An existing file stays unless forced; a link in a file's place is
    // replaced, never written through.
    std::ofstream(dir_ / "ok" / "a.gcda") << "old";
    EXPECT_EQ(split(dump, false, err), 1);
    EXPECT_EQ(read(dir_ / "ok" / "a.gcda"), "old");
    EXPECT_EQ(split(dump, true, err), 1); // c and d are still refused
    EXPECT_EQ(read(dir_ / "ok" / "a.gcda"), a);
    EXPECT_FALSE(fs::is_symlink(dir_ / "ok" / "b.gcda"));
    EXPECT_EQ(read(dir_ / "ok" / "b.gcda").size(), a.size());
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
}

} // namespace
} // namespace covtool::test
