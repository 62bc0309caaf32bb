// The unlock request against the simulated firmware.
#include <gtest/gtest.h>

#include "fakes/fake_firmware.h"
#include "fakes/run_portlock.h"

namespace
{

using Answers = std::deque<std::optional<std::uint8_t>>;

struct UnlockCase {
    const char *name;
    Answers answers;
    int status;
    std::string out;
    unsigned seconds_paused;
    int unlock_requests;
};

void PrintTo(const UnlockCase &c, std::ostream *os)
{
    *os << c.name;
}

class UnlockOutcome : public testing::TestWithParam<UnlockCase>
{
  protected:
    void SetUp() override
    {
        fake::reset();
    }
};

TEST_P(UnlockOutcome, PrintsReportsAndPausesAsTheFirmwareAnswers)
{
    const UnlockCase &c = GetParam();
    fake::firmware().unlock_answers = c.answers;

    const fake::Run run = fake::run_portlock({"-U"});

    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(fake::firmware().seconds_paused, c.seconds_paused);
    EXPECT_EQ(fake::firmware().unlock_requests, c.unlock_requests);
    EXPECT_EQ(fake::firmware().ungranted_accesses, 0);
    EXPECT_TRUE(fake::firmware().granted.empty()) << "ports left granted";
}

const UnlockCase kUnlockCases[] = {
    {"AnswerOnThirdAttempt",
     {0x00, 0x00, 0xAA},
     0,
     "Portlock programme\nMe Unlock\n"
     "UNLOCK: I/O port 0xB2 read: 0xe0 Passed Lock status = 0xaa Retry = 4\n",
     16,
     3},
    {"PrimerLeftInPlacePassesAtOnce",
     {},
     0,
     "Portlock programme\nMe Unlock\n"
     "UNLOCK: I/O port 0xB2 read: 0xe0 Passed Lock status = 0x55 Retry = 6\n",
     0,
     1},
    {"SixFailuresPauseFiveTimes", Answers(6, std::uint8_t{0x13}), 1,
     "Portlock programme\n"
     "UNLOCK: I/O port 0xB2 read: 0xe0 Failed Lock status = 0x13 Retry = 0\n",
     40, 6},
    {"PrimerReturnedOnLastAttempt",
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x55},
     0,
     "Portlock programme\nMe Unlock\n"
     "UNLOCK: I/O port 0xB2 read: 0xe0 Passed Lock status = 0x55 Retry = 1\n",
     40,
     6},
    {"ZeroAnswerIsNotDone",
     {0x00},
     1,
     "Portlock programme\n"
     "UNLOCK: I/O port 0xB2 read: 0xe0 Failed Lock status = 0x0 Retry = 0\n",
     40,
     6},
};

INSTANTIATE_TEST_SUITE_P(Unlock, UnlockOutcome, testing::ValuesIn(kUnlockCases),
                         [](const auto &info) { return std::string(info.param.name); });

class Unlock : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake::reset();
    }
};

TEST_F(Unlock, PrimesAnswerPortThenRequestsAndReleasesBothPorts)
{
    fake::firmware().unlock_answers = {0x01, 0xAA};

    fake::run_portlock({"-U"});

    const std::vector<std::string> expected{
        "grant 0x80", "grant 0xb2",    "out 0x55 0x80", "in 0xb2", "out 0xe0 0xb2", "in 0x80",
        "pause 8",    "out 0xe0 0xb2", "in 0x80",       "in 0xb2", "release 0xb2",  "release 0x80",
    };
    EXPECT_EQ(fake::firmware().trace, expected);
}

TEST_F(Unlock, ReportsTheByteReadBackFromTheCommandPort)
{
    fake::firmware().command_port_after_unlock = 0x3C;
    fake::firmware().unlock_answers = {0xAA};

    const fake::Run run = fake::run_portlock({"-U"});

    EXPECT_EQ(run.out, "Portlock programme\nMe Unlock\n"
                       "UNLOCK: I/O port 0xB2 read: 0x3c Passed Lock status = 0xaa Retry = 6\n");
}

TEST_F(Unlock, IgnoresArgumentsAfterTheOption)
{
    const fake::Run run = fake::run_portlock({"-U", "-L"});

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(fake::firmware().unlock_requests, 1);
    EXPECT_EQ(fake::firmware().lock_requests, 0);
}

TEST_F(Unlock, RefusedAnswerPortTouchesNoPort)
{
    fake::firmware().refused = {0x80};

    const fake::Run run = fake::run_portlock({"-U"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Portlock programme\n");
    EXPECT_EQ(run.err, "portlock: access to I/O port 0x80 refused: Operation not permitted; no "
                       "port was touched\n");
    EXPECT_TRUE(fake::firmware().port_traffic().empty());
    EXPECT_EQ(fake::firmware().seconds_paused, 0u);
}

TEST_F(Unlock, RefusedCommandPortGivesTheAnswerPortBackUntouched)
{
    fake::firmware().refused = {0xB2};
    fake::firmware().refusal_errno = ENOSYS;

    const fake::Run run = fake::run_portlock({"-U"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Portlock programme\n");
    EXPECT_EQ(run.err, "portlock: access to I/O port 0xb2 refused: Function not implemented; no "
                       "port was touched\n");
    const std::vector<std::string> expected{"grant 0x80", "refused 0xb2", "release 0x80"};
    EXPECT_EQ(fake::firmware().trace, expected);
    EXPECT_EQ(fake::firmware().answer_port, 0xFF) << "primer written without access";
}

} // namespace
