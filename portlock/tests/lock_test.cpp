// The lock request against the simulated firmware.
#include <gtest/gtest.h>

#include "fakes/fake_firmware.h"
#include "fakes/run_portlock.h"

namespace
{

class Lock : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake::reset();
    }
};

TEST_F(Lock, PrintsTheByteTheFirmwareLeftInTheCommandPort)
{
    fake::firmware().command_port_after_lock = 0x5A;

    const fake::Run run = fake::run_portlock({"-L"});

    EXPECT_EQ(run.out, "Portlock programme\nMe Lock\nLOCK: I/O port 0xB2 read: 0x5a\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST_F(Lock, RequestsOnceWithoutAnswerCheckOrPause)
{
    fake::firmware().command_port = 0x11;

    fake::run_portlock({"-L"});

    const std::vector<std::string> expected{"grant 0xb2", "in 0xb2", "out 0xe1 0xb2", "in 0xb2",
                                            "release 0xb2"};
    EXPECT_EQ(fake::firmware().trace, expected);
    EXPECT_EQ(fake::firmware().lock_requests, 1);
    EXPECT_EQ(fake::firmware().unlock_requests, 0);
    EXPECT_EQ(fake::firmware().answer_port, 0xFF) << "the lock must leave port 0x80 alone";
    EXPECT_EQ(fake::firmware().ungranted_accesses, 0);
}

TEST_F(Lock, RefusedCommandPortTouchesNoPort)
{
    fake::firmware().refused = {0xB2};

    const fake::Run run = fake::run_portlock({"-L"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Portlock programme\nMe Lock\n");
    EXPECT_EQ(run.err, "portlock: access to I/O port 0xb2 refused: Operation not permitted; no "
                       "port was touched\n");
    EXPECT_TRUE(fake::firmware().port_traffic().empty());
    EXPECT_EQ(fake::firmware().lock_requests, 0);
}

} // namespace
