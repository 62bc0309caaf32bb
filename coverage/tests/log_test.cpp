// The log line forms, the registration records and the stamps.
#include <string>

#include "sandbox.hpp"
#include "stamp.hpp"

namespace covdump::test
{
namespace
{

using fake::state;

class Logs : public Sandbox
{
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        card7_ready();
    }
    static std::vector<std::string> lines(const std::string &file)
    {
        return fake::lines_of(kCard7Logs + file);
    }
    const std::string stamp_ = kFakeStamp;
};

TEST_F(Logs, FormOneWithoutText)
{
    cflow_log("process_registration.log", nullptr, "ctrl", 4711, 0);
    EXPECT_EQ(lines("process_registration.log"),
              std::vector<std::string>{stamp_ + " : ctrl : 4711"});
}

TEST_F(Logs, FormTwoWithTextAndNoSignal)
{
    cflow_log("coverage_dump.log", "Started", "/misc/scratch/cflow/ctrl.ARM.4711.dat", 4711, 0);
    EXPECT_EQ(
        lines("coverage_dump.log"),
        std::vector<std::string>{stamp_ + " : Started : /misc/scratch/cflow/ctrl.ARM.4711.dat"});
}

TEST_F(Logs, FormThreeWithSignal)
{
    cflow_log("recieved_signals.log", "Dump", "ctrl", 4711, 15);
    cflow_log("recieved_signals.log", "Clean", "ctrl", 4711, 57);
    EXPECT_EQ(fake::read_file(std::string(kCard7Logs) + "recieved_signals.log"),
              stamp_ + " : Dump : ctrl : 4711 : 15\n" + stamp_ + " : Clean : ctrl : 4711 : 57\n");
}

TEST_F(Logs, OverlongLogPathIsRefused)
{
    const std::string name(600, 'x');
    cflow_log(name.c_str(), nullptr, "ctrl", 1, 0);
    cflow_log("short.log", "text", std::string(4000, 'n').c_str(), 1, 0);
    EXPECT_FALSE(fake::exists("/misc/scratch/cflow/coverage_logs_card7.dat/short.log"));
}

TEST_F(Logs, MissingLogDirectoryIsSkippedSilently)
{
    std::strcpy(cflow_log_path, "/misc/nowhere");
    cflow_log("process_registration.log", nullptr, "ctrl", 4711, 0);
    cflow_log_path[0] = '\0';
    cflow_log("process_registration.log", nullptr, "ctrl", 4711, 0);
    EXPECT_FALSE(fake::exists("/process_registration.log"));
}

TEST_F(Logs, RegistrationRecordAppends)
{
    cflowpid = 321;
    record_proc_info("/misc/scratch/cflow_reg_file");
    record_proc_info("/misc/scratch/cflow_reg_file");
    EXPECT_EQ(fake::read_file("/misc/scratch/cflow_reg_file"), "ctrl 321\nctrl 321\n");
}

TEST_F(Logs, RegistrationRecordFailureIsReported)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    record_proc_info("/nowhere/reg");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error in opening file: /nowhere/reg in record_proc_info\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: No such file or directory\n");
}

struct StampCase {
    std::time_t utc;
    long offset;
    const char *expected;
};

class Stamps : public ::testing::TestWithParam<StampCase>
{
};

TEST_P(Stamps, FourteenDigitsOfLocalTime)
{
    char out[kStampLength + 1];
    format_stamp(GetParam().utc, GetParam().offset, out);
    EXPECT_STREQ(out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Dates, Stamps,
                         ::testing::Values(StampCase{1700000000, 3600, "20231114231320"},
                                           StampCase{951782400 + 86399, 0, "20000229235959"},
                                           StampCase{0, -3600, "19691231230000"},
                                           StampCase{1709164800, 0, "20240229000000"},
                                           StampCase{2147483647, 0, "20380119031407"}));

} // namespace
} // namespace covdump::test
