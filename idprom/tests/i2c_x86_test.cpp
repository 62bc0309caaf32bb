// The x86 SMBus road against the fake bus: attempts, messages, the
// count-down of a failing write, block reads, transaction kinds.
#include "boardprom.h"
#include "settings.h"

#include "fakes/fake_os.h"
#include "ops_console.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using boardprom_test::Console;
using boardprom_test::fake_i2c;
using boardprom_test::fake_sleeps;
using boardprom_test::I2cEvent;

class X86Road : public testing::Test
{
  protected:
    void SetUp() override
    {
        boardprom_test::reset_platform();
    }
};

TEST_F(X86Road, ReadBindsWithForceAndReadsOneByteOfData)
{
    fake_i2c().eeprom[0x1FF] = 0x5A;
    char out = 0;
    Console console;
    EXPECT_EQ(x86_cpu_i2c_rd(1, 0x51, 2, 0x1FF, &out), 0); // only the low 8 bits of command
    EXPECT_EQ(console.output(), "");
    EXPECT_EQ(static_cast<uint8_t>(out), 0x5A);
    const auto &ev = fake_i2c().events;
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_EQ(ev[0].path, "/dev/i2c-1");
    EXPECT_EQ(ev[1].request, 0x0706u);
    EXPECT_EQ(ev[2].command, 0xFF);
    EXPECT_EQ(ev[3].kind, I2cEvent::Close);
    EXPECT_EQ(fake_i2c().open_fds, 0);
}

TEST_F(X86Road, BlockReadKeepsOnlyTheFirstOfUpTo32Bytes)
{
    fake_i2c().block_reply.assign(32, 0xC3);
    fake_i2c().block_reply[0] = 0x11;
    char guard[4] = {0, 0, 0x7E, 0x7E};
    EXPECT_EQ(x86_cpu_i2c_rd(1, 0x50, 5, 3, &guard[1]), 0);
    EXPECT_EQ(guard[1], 0x11);
    EXPECT_EQ(guard[2], 0x7E);
    EXPECT_EQ(fake_i2c().count(I2cEvent::SmbusBlockRead), 1u);
}

TEST_F(X86Road, ReadRetriesTenTimesWithoutPauseThenGivesUp)
{
    fake_i2c().absent.insert(0x50);
    char out = 0x33;
    Console console;
    EXPECT_EQ(x86_cpu_i2c_rd(1, 0x50, 2, 0, &out), 0x105);
    EXPECT_EQ(console.output(), "read failed, res = 0xffffffff\n");
    EXPECT_EQ(fake_i2c().count(I2cEvent::SmbusRead), 10u);
    EXPECT_TRUE(fake_sleeps().empty());
    EXPECT_EQ(out, 0x33);
}

TEST_F(X86Road, ReadSucceedsAtALaterAttempt)
{
    fake_i2c().failing_transfers = 9;
    fake_i2c().eeprom[7] = 9;
    char out = 0;
    EXPECT_EQ(x86_cpu_i2c_rd(1, 0x50, 2, 7, &out), 0);
    EXPECT_EQ(out, 9);
    EXPECT_EQ(fake_i2c().count(I2cEvent::SmbusRead), 10u);
}

TEST_F(X86Road, FailingWriteCountsDownTenLines)
{
    fake_i2c().absent.insert(0x52);
    Console console;
    EXPECT_EQ(x86_cpu_i2c_wr(1, 0x52, 2, 0, 'x'), 0x105);
    std::string expected;
    for (int left = 9; left >= 0; --left)
        expected += "x86_cpu_i2c_wr retry again count = " + std::to_string(left) + "\n";
    expected += "Write failed, res = 0xffffffff\n";
    EXPECT_EQ(console.output(), expected);
    EXPECT_EQ(fake_sleeps(), std::vector<unsigned>(10, 200000u));
    EXPECT_EQ(fake_i2c().open_fds, 0);
}

TEST_F(X86Road, OpenAndBindFailuresAreCodeOne)
{
    fake_i2c().open_fails = true;
    Console console;
    char out = 0;
    EXPECT_EQ(x86_cpu_i2c_rd(7, 0x50, 2, 0, &out), 1);
    fake_i2c().open_fails = false;
    fake_i2c().bind_fails = true;
    EXPECT_EQ(x86_cpu_i2c_wr(1, 0x50, 2, 0, 0), 1);
    EXPECT_EQ(console.output(), "ERROR: Could not open dev, /dev/i2c-7\n"
                                "ERROR:Device or resource busy: Could not set addr to 0x50\n");
    EXPECT_EQ(fake_i2c().open_fds, 0);
    EXPECT_EQ(fake_i2c().count(I2cEvent::SmbusWrite), 0u);
}

struct WriteKind {
    int size;
    int recorded_size;
    uint32_t value; // what reaches the bus for the value 0xF0
};

class X86WriteKind : public testing::TestWithParam<WriteKind>
{
};

TEST_P(X86WriteKind, SizeChoosesTheTransaction)
{
    boardprom_test::reset_platform();
    EXPECT_EQ(x86_cpu_i2c_wr(1, 0x50, GetParam().size, 0x21, static_cast<char>(0xF0)), 0);
    ASSERT_EQ(fake_i2c().count(I2cEvent::SmbusWrite), 1u);
    const I2cEvent &e = fake_i2c().events[2];
    EXPECT_EQ(e.size, GetParam().recorded_size);
    EXPECT_EQ(e.command, 0x21);
    EXPECT_EQ(e.value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(SmbusSizes, X86WriteKind,
                         testing::Values(WriteKind{1, 1, 0}, WriteKind{2, 2, 0xF0},
                                         WriteKind{3, 3, 0xF0}, // zero-extended, not 0xFFF0
                                         WriteKind{5, 5, 0xF0}, WriteKind{8, 8, 0xF0},
                                         WriteKind{4, 2, 0xF0}));

TEST_F(X86Road, NullOutputIsRefusedBeforeAnyIo)
{
    EXPECT_EQ(x86_cpu_i2c_rd(1, 0x50, 2, 0, nullptr), 22);
    EXPECT_TRUE(fake_i2c().events.empty());
}

} // namespace
