// get_config_value on real files.
#include "app/app.h"
#include "fakes/daemon_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace
{

class ConfigFile : public fake_os::DaemonTest
{
  protected:
    void SetUp() override
    {
        DaemonTest::SetUp();
        char name[] = "/tmp/linkmon_cfg_XXXXXX";
        const int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        ::close(fd);
        path_ = name;
    }
    void TearDown() override
    {
        std::remove(path_.c_str());
        DaemonTest::TearDown();
    }
    void write(const std::string &text)
    {
        std::ofstream(path_) << text;
    }
    int get(const char *key, size_t size = 127)
    {
        out_.assign(size + 8, '#');
        const int rc = get_config_value(path_.c_str(), key, out_.data(), size);
        value_ = out_.c_str();
        return rc;
    }
    std::string path_, out_, value_;
};

const char *const UEVENT = "DRIVER=igb\nPCI_ID=8086:1533\nPCI_SLOT_NAME=0000:03:00.0\n";

} // namespace

TEST_F(ConfigFile, FindsValueOfKey)
{
    write(UEVENT);
    EXPECT_EQ(get("PCI_ID"), 0);
    EXPECT_EQ(value_, "8086:1533");
    EXPECT_EQ(get("PCI_SLOT_NAME"), 0);
    EXPECT_EQ(value_, "0000:03:00.0");
}

TEST_F(ConfigFile, KeyInsideLongerKeyMatches)
{
    write("PCI_ID=8086:1533\n");
    EXPECT_EQ(get("ID"), 0);
    EXPECT_EQ(value_, "8086:1533");
}

TEST_F(ConfigFile, LongValueIsCutToBufferSizeLessOne)
{
    write("KEY=" + std::string(200, 'v') + "\n");
    EXPECT_EQ(get("KEY", 127), 0);
    EXPECT_EQ(value_, std::string(126, 'v'));
}

TEST_F(ConfigFile, ValueEndsAtWhiteSpaceOrEndOfText)
{
    write("A=one two\nB=last");
    EXPECT_EQ(get("A"), 0);
    EXPECT_EQ(value_, "one");
    EXPECT_EQ(get("B"), 0);
    EXPECT_EQ(value_, "last");
}

TEST_F(ConfigFile, EqualsSignMayBeOnALaterLine)
{
    write("KEY\nOTHER=value\n");
    EXPECT_EQ(get("KEY"), 0);
    EXPECT_EQ(value_, "value");
}

TEST_F(ConfigFile, MissingKeyIs2AndMissingEqualsIs3)
{
    write(UEVENT);
    EXPECT_EQ(get("NOPE"), 2);
    write("A=1\nKEY without equals\n");
    EXPECT_EQ(get("KEY"), 3);
}

TEST_F(ConfigFile, MissingFileGivesOpenErrno)
{
    char out[16];
    EXPECT_EQ(get_config_value("/nonexistent/linkmon/uevent", "PCI_ID", out, sizeof out), ENOENT);
}

TEST_F(ConfigFile, ZeroSizedBufferIsACopyError)
{
    write(UEVENT);
    char out[1] = {'#'};
    EXPECT_EQ(get_config_value(path_.c_str(), "PCI_ID", out, 0), 12);
}
