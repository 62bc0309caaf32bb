// The command line: banner, exact option matching and exit statuses.
#include <gtest/gtest.h>

#include "fakes/fake_firmware.h"
#include "fakes/run_portlock.h"

namespace
{

TEST(CommandLine, NoArgumentPrintsBannerAndUsageAndTouchesNothing)
{
    fake::reset();

    const fake::Run run = fake::run_portlock({});

    EXPECT_EQ(run.out, "Portlock programme\n");
    EXPECT_EQ(run.err, "usage: portlock -U (unlock) | -L (lock)\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fake::firmware().trace.empty());
}

class UnknownOption : public testing::TestWithParam<const char *>
{
};

TEST_P(UnknownOption, PrintsOnlyTheBannerAndTouchesNothing)
{
    fake::reset();

    const fake::Run run = fake::run_portlock({GetParam(), "-U"});

    EXPECT_EQ(run.out, "Portlock programme\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0) << "nothing was requested, nothing failed";
    EXPECT_TRUE(fake::firmware().trace.empty());
}

// The option is compared exactly: no prefixes, no case folding.
INSTANTIATE_TEST_SUITE_P(CommandLine, UnknownOption,
                         testing::Values("-X", "-u", "-l", "-UL", "-LU", "-U ", "U", "L", "--U",
                                         "--lock", ""));

} // namespace
