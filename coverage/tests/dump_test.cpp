// Dump, exit dump, clear and copy through the fake platform layer.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "image_decoder.hpp"
#include "sandbox.hpp"

namespace covdump::test
{
namespace
{

using fake::state;

class Dump : public Sandbox
{
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        scratch_only();
        set_loc("card7");
        obj_.values(0) = {5, 0, 7};
    }
    static std::vector<std::string> dump_log()
    {
        return fake::lines_of(std::string(kCard7Logs) + "coverage_dump.log");
    }
    static std::string status_line(const char *status, const std::string &path)
    {
        return std::string(kFakeStamp) + " : " + status + " : " + path;
    }
    static DecodedImage decode_file(const std::string &path)
    {
        const std::string bytes = fake::read_file(path);
        return decode_image({reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size()});
    }
    FakeObject obj_{"/src/ctrl.gcda", 1, {{3}}};
};

TEST_F(Dump, SignalDumpNamedAfterProgramAndPid)
{
    obj_.register_it();
    ::umask(022);
    EXPECT_EQ(dumpCodeCoverageData("ctrl"), 0);
    const std::string path = "/misc/scratch/cflow/ctrl.ARM.4711.dat";
    EXPECT_EQ(fake::mode_of(path), 0666U);
    const DecodedImage image = decode_file(path);
    ASSERT_TRUE(image.error.empty()) << image.error;
    EXPECT_EQ(image.records.at(0).object.sum_all[0], 12U);
    EXPECT_EQ(dump_log(), (std::vector<std::string>{status_line("Started", path),
                                                    status_line("Successful", path)}));
}

TEST_F(Dump, ExitDumpUsesTransientNameAndRecords)
{
    obj_.register_it();
    ASSERT_EQ(create_cflow_dirs(), 1);
    cflowDumpAtExit();
    const std::string path = "/misc/scratch/cflow/ctrl_transient.ARM.4711.dat";
    EXPECT_TRUE(decode_file(path).error.empty());
    EXPECT_EQ(fake::read_file("/misc/scratch/cflow_trans_file"), "ctrl 4711\n");
    EXPECT_EQ(fake::lines_of(std::string(kCard7Logs) + "transient_registration.log"),
              std::vector<std::string>{std::string(kFakeStamp) + " : ctrl : 4711"});
    EXPECT_EQ(dump_log().back(), status_line("Successful", path));
}

TEST_F(Dump, LongPidsAreCut)
{
    obj_.register_it();
    state().pid = 123456;
    EXPECT_EQ(dumpCodeCoverageData("ctrl"), 0);
    EXPECT_TRUE(fake::exists("/misc/scratch/cflow/ctrl.ARM.12345.dat"));
    EXPECT_EQ(cflow_copy(), 0);
    EXPECT_TRUE(fake::exists("/misc/scratch/cflow/cflow1234.dat"));
    EXPECT_EQ(fake::mode_of("/misc/scratch/cflow/cflow1234.dat"), 0666U);
}

// Entries another user could have put in the shared dump directory in
// place of a dump file: written through, they would change files that are
// not the runtime's.
TEST_F(Dump, EntriesThatAreNoPlainFilesAreLeftAlone)
{
    obj_.register_it();
    ASSERT_EQ(create_cflow_dirs(), 1);
    fake::make_dirs("/var");
    fake::write_file("/var/secret", "secret\n");
    ::chmod(fake::real_path("/var/secret").c_str(), 0600);
    const std::string signal_dump = "/misc/scratch/cflow/ctrl.ARM.4711.dat";
    const std::string exit_dump = "/misc/scratch/cflow/ctrl_transient.ARM.4711.dat";
    const std::string copy = "/misc/scratch/cflow/cflow4711.dat";
    ASSERT_EQ(::link(fake::real_path("/var/secret").c_str(), fake::real_path(signal_dump).c_str()),
              0);
    ASSERT_EQ(::mkfifo(fake::real_path(exit_dump).c_str(), 0666), 0);
    ASSERT_EQ(::symlink(fake::real_path("/var/secret").c_str(), fake::real_path(copy).c_str()), 0);

    EXPECT_EQ(dumpCodeCoverageData("ctrl"), -1);
    cflowDumpAtExit();
    EXPECT_EQ(cflow_copy(), -1);
    EXPECT_EQ(fake::read_file("/var/secret"), "secret\n");
    EXPECT_EQ(fake::mode_of("/var/secret"), 0600U);
    const auto log = dump_log();
    EXPECT_EQ(log.at(1), status_line("No file generated", signal_dump));
    EXPECT_EQ(log.at(3), status_line("No file generated", exit_dump));
}

TEST_F(Dump, EmptyRegistryLogsNoFile)
{
    EXPECT_EQ(dumpCodeCoverageData("ctrl"), -1);
    const std::string path = "/misc/scratch/cflow/ctrl.ARM.4711.dat";
    EXPECT_FALSE(fake::exists(path));
    EXPECT_EQ(dump_log(), (std::vector<std::string>{status_line("Started", path),
                                                    status_line("No file generated", path)}));
}

TEST_F(Dump, EmptyRegistryWithOlderFileIsPartial)
{
    ASSERT_EQ(create_cflow_dirs(), 1);
    const std::string path = "/misc/scratch/cflow/ctrl.ARM.4711.dat";
    fake::write_file(path, "old");
    EXPECT_EQ(dumpCodeCoverageData("ctrl"), -1);
    EXPECT_EQ(dump_log().back(), status_line("Partially failed", path));
    EXPECT_EQ(fake::read_file(path), "old");
}

TEST_F(Dump, UnusableDirectoryLogsNothing)
{
    obj_.register_it();
    fake::tear_down();
    fake::reset(); // no /misc at all
    EXPECT_EQ(dumpCodeCoverageData("ctrl"), -1);
    EXPECT_FALSE(fake::exists("/misc"));
}

TEST_F(Dump, OverlongNameIsRefusedWithoutLogging)
{
    obj_.register_it();
    EXPECT_EQ(dumpCodeCoverageData(std::string(240, 'p').c_str()), -1);
    EXPECT_TRUE(dump_log().empty());
}

TEST_F(Dump, ClearZeroesArcCountersOnly)
{
    FakeObject mixed("/src/mixed.gcda", 0b11, {{2, 2}});
    mixed.values(0) = {3, 4};
    mixed.values(1) = {8, 9};
    obj_.register_it();
    mixed.register_it();
    cflow_clear();
    EXPECT_EQ(state().out, "['cflow clear' DONE]\n");
    EXPECT_EQ(obj_.values(0), (std::vector<gcov_type>{0, 0, 0}));
    EXPECT_EQ(mixed.values(0), (std::vector<gcov_type>{0, 0}));
    EXPECT_EQ(mixed.values(1), (std::vector<gcov_type>{8, 9}));
    ASSERT_EQ(dumpCodeCoverageData("ctrl"), 0);
    const DecodedImage image = decode_file("/misc/scratch/cflow/ctrl.ARM.4711.dat");
    for (const DecodedRecord &r : image.records) {
        EXPECT_EQ(r.object.sum_all[0], 0U) << r.name;
        EXPECT_EQ(r.functions.at(0).counters.at(0).words,
                  std::vector<std::uint32_t>(r.functions[0].counters[0].words.size(), 0));
    }
}

TEST_F(Dump, CopyNeitherLogsNorMakesDirectories)
{
    obj_.register_it();
    EXPECT_EQ(cflow_copy(), -1); // no dump directory yet
    ASSERT_EQ(create_cflow_dirs(), 1);
    EXPECT_EQ(cflow_copy(), 0);
    EXPECT_TRUE(decode_file("/misc/scratch/cflow/cflow4711.dat").error.empty());
    EXPECT_TRUE(dump_log().empty());
}

TEST_F(Dump, FileCopyReportsEachFailure)
{
    ASSERT_EQ(create_cflow_dirs(), 1);
    const unsigned char data[] = {1, 2, 3};
    EXPECT_EQ(cflow_file_copy_buffer_to_file("/misc/scratch/cflow/x.dat", data, 3), 1);
    EXPECT_EQ(fake::read_file("/misc/scratch/cflow/x.dat"), std::string("\1\2\3"));
    EXPECT_EQ(cflow_move_buffer_to_file("/misc/scratch/cflow/x.dat", data, 2), 1);
    EXPECT_EQ(fake::read_file("/misc/scratch/cflow/x.dat"), std::string("\1\2"));
    EXPECT_EQ(cflow_file_copy_buffer_to_file("/misc/nowhere/x.dat", data, 3), 0);
    EXPECT_EQ(cflow_file_copy_buffer_to_file("/misc/scratch/cflow/y.dat", data, 0), 0);
}

} // namespace
} // namespace covdump::test
