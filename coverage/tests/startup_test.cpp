// Start-up, the card location and the dump and log directories.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "sandbox.hpp"

namespace covdump::test
{
namespace
{

using fake::state;

class Directories : public Sandbox
{
};

TEST_F(Directories, PersistentDiskGetsDumpDirAndScratchLink)
{
    fake::make_dirs("/misc/disk1");
    fake::make_dirs("/misc/scratch");
    set_loc("card7");
    ::umask(022);
    EXPECT_EQ(create_cflow_dirs(), 1);
    EXPECT_TRUE(fake::is_dir("/misc/disk1/cflow"));
    EXPECT_EQ(fake::mode_of("/misc/disk1/cflow"), 01777U);
    EXPECT_TRUE(fake::is_symlink("/misc/scratch/cflow"));
    EXPECT_EQ(fake::link_target("/misc/scratch/cflow"), "/misc/disk1/cflow/");
    EXPECT_STREQ(cflow_log_path, "/misc/scratch/cflow/coverage_logs_card7.dat");
    EXPECT_TRUE(fake::is_dir("/misc/disk1/cflow/coverage_logs_card7.dat"));
    EXPECT_EQ(fake::mode_of("/misc/disk1/cflow/coverage_logs_card7.dat"), 0755U);
    // A second call finds everything in place.
    EXPECT_EQ(create_cflow_dirs(), 1);
}

TEST_F(Directories, WithoutDiskScratchDirIsPlain)
{
    scratch_only();
    ::umask(077);
    EXPECT_EQ(create_cflow_dirs(), 1);
    EXPECT_TRUE(fake::is_dir("/misc/scratch/cflow"));
    EXPECT_FALSE(fake::is_symlink("/misc/scratch/cflow"));
    EXPECT_EQ(fake::mode_of("/misc/scratch/cflow"), 01777U);
    EXPECT_STREQ(cflow_log_path, "/misc/scratch/cflow/coverage_logs_.dat");
    EXPECT_TRUE(fake::is_dir("/misc/scratch/cflow/coverage_logs_.dat"));
    EXPECT_EQ(fake::mode_of("/misc/scratch/cflow/coverage_logs_.dat"), 0700U);
    ::umask(022);
}

TEST_F(Directories, LogDirOpenToEveryoneGetsTheStickyBit)
{
    scratch_only();
    set_loc("card7");
    ::umask(0);
    EXPECT_EQ(create_cflow_dirs(), 1);
    ::umask(022);
    EXPECT_EQ(fake::mode_of("/misc/scratch/cflow/coverage_logs_card7.dat"), 01777U);
}

TEST_F(Directories, LocationThatIsNoPlainNameCountsAsEmpty)
{
    scratch_only();
    fake::make_dirs("/misc/scratch/cflow/coverage_logs_x");
    set_loc("x/../../../evil");
    EXPECT_EQ(create_cflow_dirs(), 1);
    EXPECT_STREQ(cflow_log_path, "/misc/scratch/cflow/coverage_logs_.dat");
    EXPECT_FALSE(fake::exists("/misc/evil.dat"));
}

TEST_F(Directories, NoWritableScratchFails)
{
    EXPECT_EQ(create_cflow_dirs(), 0);
    fake::make_dirs("/misc/disk1");
    EXPECT_EQ(create_cflow_dirs(), 0); // the disk is there, the scratch area is not
    EXPECT_FALSE(fake::exists("/misc/scratch"));
}

TEST_F(Directories, ExistingScratchEntryIsNotReplaced)
{
    fake::make_dirs("/misc/disk1");
    fake::make_dirs("/misc/scratch/cflow");
    EXPECT_EQ(create_cflow_dirs(), 1);
    EXPECT_FALSE(fake::is_symlink("/misc/scratch/cflow"));
}

class Location : public Sandbox
{
};

TEST_F(Location, MissingFileReturnsOne)
{
    EXPECT_EQ(getCflowLoc(), 1);
}

TEST_F(Location, LastWordRemains)
{
    fake::make_dirs("/tmp");
    fake::write_file("/tmp/cflow_loc", "card7\n");
    EXPECT_EQ(getCflowLoc(), 0);
    EXPECT_STREQ(cflow_loc, "card7");
    fake::write_file("/tmp/cflow_loc", "  first\tsecond\n\nlast");
    EXPECT_EQ(getCflowLoc(), 0);
    EXPECT_STREQ(cflow_loc, "last");
}

TEST_F(Location, EmptyFileLeavesLocationAlone)
{
    fake::make_dirs("/tmp");
    fake::write_file("/tmp/cflow_loc", "");
    EXPECT_EQ(getCflowLoc(), 0);
    EXPECT_STREQ(cflow_loc, "");
    fake::write_file("/tmp/cflow_loc", " \n ");
    EXPECT_EQ(getCflowLoc(), 0);
    EXPECT_STREQ(cflow_loc, "");
}

TEST_F(Location, OverlongNameIsCutToTheBuffer)
{
    fake::make_dirs("/tmp");
    fake::write_file("/tmp/cflow_loc", std::string(300, 'n') + "\n");
    EXPECT_EQ(getCflowLoc(), 0);
    EXPECT_EQ(std::string(cflow_loc), std::string(127, 'n'));
}

TEST_F(Location, DirectoryInPlaceOfFileReturnsOne)
{
    fake::make_dirs("/tmp/cflow_loc");
    EXPECT_EQ(getCflowLoc(), 1);
}

// The last word becomes a component of the log directory's path.
class LocationWord : public Sandbox, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(LocationWord, LeadingOutOfTheDumpDirCountsAsUnreadable)
{
    fake::make_dirs("/tmp");
    set_loc("card7");
    fake::write_file("/tmp/cflow_loc", std::string("card9 ") + GetParam() + "\n");
    EXPECT_EQ(getCflowLoc(), 1);
    EXPECT_STREQ(cflow_loc, "card7");
}

INSTANTIATE_TEST_SUITE_P(Words, LocationWord,
                         ::testing::Values("x/../../../../var/evil", "/var/evil", "a/b", ".", "..",
                                           "card7/"));

TEST_F(Location, LinkedFileIsNotRead)
{
    fake::make_dirs("/tmp");
    fake::make_dirs("/secret");
    fake::write_file("/secret/key", "leaked\n");
    ASSERT_EQ(::symlink(fake::real_path("/secret/key").c_str(),
                        fake::real_path("/tmp/cflow_loc").c_str()),
              0);
    EXPECT_EQ(getCflowLoc(), 1);
    EXPECT_STREQ(cflow_loc, "");
}

class Startup : public Sandbox
{
};

TEST_F(Startup, FullStartWithNodeNameFromUname)
{
    scratch_only();
    fake::make_dirs("/tmp");
    cflowpid = 0;
    ::umask(027);
    cflow_startup();
    ::umask(022);
    EXPECT_EQ(cflowpid, 4711);
    EXPECT_EQ(fake::read_file("/tmp/cflow_loc"), "fakenode\n");
    EXPECT_EQ(fake::mode_of("/tmp/cflow_loc"), 0640U);
    EXPECT_STREQ(cflow_loc, "fakenode");
    EXPECT_EQ(fake::lines_of("/misc/scratch/cflow/coverage_logs_fakenode.dat/"
                             "process_registration.log"),
              std::vector<std::string>{std::string(kFakeStamp) + " : ctrl : 4711"});
    EXPECT_EQ(fake::read_file("/misc/scratch/cflow_reg_file"), "ctrl 4711\n");
    EXPECT_STREQ(std::getenv("GCOV_PREFIX"), "/tmp/cflow");
    EXPECT_STREQ(std::getenv("GCOV_PREFIX_STRIP"), "0");
    ASSERT_EQ(state().exit_handlers.size(), 1U);
    EXPECT_EQ(state().exit_handlers[0], &cflowDumpAtExit);
}

TEST_F(Startup, ExistingLocationIsKept)
{
    scratch_only();
    fake::make_dirs("/tmp");
    fake::write_file("/tmp/cflow_loc", "card7\n");
    state().node_name = "other";
    cflow_startup();
    EXPECT_EQ(fake::read_file("/tmp/cflow_loc"), "card7\n");
    EXPECT_TRUE(fake::is_dir("/misc/scratch/cflow/coverage_logs_card7.dat"));
}

TEST_F(Startup, NodeNameIsNotWrittenThroughAPlantedLink)
{
    scratch_only();
    fake::make_dirs("/tmp");
    fake::make_dirs("/etc");
    ASSERT_EQ(::symlink(fake::real_path("/etc/target").c_str(),
                        fake::real_path("/tmp/cflow_loc").c_str()),
              0);
    cflow_startup();
    EXPECT_FALSE(fake::exists("/etc/target"));
    EXPECT_STREQ(cflow_loc, "");
    EXPECT_TRUE(fake::is_dir("/misc/scratch/cflow/coverage_logs_.dat"));
}

TEST_F(Startup, NoDumpDirectoryStopsSilently)
{
    ::setenv("GCOV_PREFIX", "untouched", 1);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    cflow_startup();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_STREQ(std::getenv("GCOV_PREFIX"), "untouched");
    EXPECT_TRUE(state().exit_handlers.empty());
    EXPECT_FALSE(fake::exists("/misc"));
    // A coverage-control signal must not end the program now; SIGTERM
    // keeps its default action.
    EXPECT_EQ(fake::handler_of(56), SIG_IGN);
    EXPECT_EQ(fake::handler_of(57), SIG_IGN);
    EXPECT_EQ(state().actions.count(SIGTERM), 0U);
}

TEST_F(Startup, TwoProcessesAppendTwoLines)
{
    scratch_only();
    fake::make_dirs("/tmp");
    fake::write_file("/tmp/cflow_loc", "card7\n");
    cflow_startup();
    state().pid = 4712;
    state().program = "other";
    cflow_startup();
    const auto lines =
        fake::lines_of("/misc/scratch/cflow/coverage_logs_card7.dat/process_registration.log");
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(kFakeStamp) + " : ctrl : 4711",
                                               std::string(kFakeStamp) + " : other : 4712"}));
    EXPECT_EQ(fake::read_file("/misc/scratch/cflow_reg_file"), "ctrl 4711\nother 4712\n");
}

TEST_F(Startup, ExitHandlerFailureIsReported)
{
    scratch_only();
    fake::make_dirs("/tmp");
    fake::write_file("/tmp/cflow_loc", "card7\n");
    state().at_exit_status = -1;
    ::testing::internal::CaptureStderr();
    cflow_startup();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "CFLOW-WZ::cflow_startup:353 atexit return error Cannot allocate memory. Coverage "
              "data will not be dumped at exit for ctrl 4711\n");
}

} // namespace
} // namespace covdump::test
