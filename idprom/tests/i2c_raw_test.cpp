// The plain-transfer road: messages into the caller's buffer only, never
// past its size; the register write and the read as two transfers.
#include "boardprom.h"

#include "fakes/fake_os.h"
#include "ops_console.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

using boardprom_test::Console;
using boardprom_test::fake_i2c;
using boardprom_test::fake_sleeps;
using boardprom_test::I2cEvent;

class RawRoad : public testing::Test
{
  protected:
    void SetUp() override
    {
        boardprom_test::reset_platform();
        fake_i2c().eeprom[0x10] = 0xA1;
        fake_i2c().eeprom[0x11] = 0xA2;
        fake_i2c().eeprom[0x12] = 0xA3;
        std::memset(err, '#', sizeof err);
    }
    char err[64];
};

TEST_F(RawRoad, ReadWritesTheRegisterThenReadsInASecondTransfer)
{
    int out[3] = {-1, -1, -1};
    Console console;
    EXPECT_EQ(arm_cpu_i2c_port_rd(1, 0x10, 0x50, out, 3, err, sizeof err), 0);
    EXPECT_EQ(console.output(), ""); // nothing printed on this road
    EXPECT_EQ(out[0], 0xA1);
    EXPECT_EQ(out[2], 0xA3);
    EXPECT_EQ(fake_i2c().count(I2cEvent::Open), 2u);
    EXPECT_EQ(fake_i2c().count(I2cEvent::Close), 2u);
    EXPECT_EQ(fake_i2c().events[1].request, 0x0703u);
    EXPECT_EQ(fake_sleeps(), std::vector<unsigned>{200000u});
}

TEST_F(RawRoad, SlotsBeyondTheLengthHoldTheRegisterBytes)
{
    int out[3] = {-1, -1, -1};
    EXPECT_EQ(arm_cpu_i2c_port_rd(1, 0x10, 0x50, out, 1, err, sizeof err), 0);
    EXPECT_EQ(out[0], 0xA1);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(arm_cpu_i2c_port_rd(1, 0x20310, 0x50, out, 1, err, sizeof err), 0);
    EXPECT_EQ(out[1], 0x03);
    EXPECT_EQ(out[2], 0x02);
}

TEST_F(RawRoad, LengthOutsideOneToThreeIsRefusedBeforeAnyIo)
{
    int out[3] = {};
    for (int len : {0, 4, 12, -1}) {
        EXPECT_EQ(arm_cpu_i2c_port_rd(1, 0, 0x50, out, len, err, sizeof err), 22) << len;
        EXPECT_EQ(std::string(err),
                  "arm_cpu_i2c_port_rd: length " + std::to_string(len) + " not in 1 to 3");
    }
    EXPECT_TRUE(fake_i2c().events.empty());
}

TEST_F(RawRoad, NullMessageBufferIsRefusedBeforeAnyIo)
{
    int out[3] = {};
    const uint8_t b = 0;
    EXPECT_EQ(arm_cpu_i2c_port_rd(1, 0, 0x50, out, 1, nullptr, 10), 22);
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0, 0x50, &b, 1, nullptr, 10), 22);
    EXPECT_TRUE(fake_i2c().events.empty());
}

TEST_F(RawRoad, OpenFailureNamesTheRoutineAndPath)
{
    fake_i2c().open_fails = true;
    const uint8_t b = 0;
    EXPECT_EQ(arm_cpu_i2c_port_wr(3, 0, 0x50, &b, 1, err, sizeof err), 22);
    EXPECT_STREQ(err, "arm_cpu_i2c_port_wr: file /dev/i2c-3 failed to open, fd: -1");
}

TEST_F(RawRoad, BindFailureAndShortTransfers)
{
    const uint8_t data[2] = {0x10, 0x99};
    fake_i2c().bind_fails = true;
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0, 0x50, data, 2, err, sizeof err), 22);
    EXPECT_STREQ(err, "ERROR:Device or resource busy: Could not set addr to 0x50\n");
    fake_i2c().bind_fails = false;
    fake_i2c().raw_write_result = 1;
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0, 0x50, data, 2, err, sizeof err), 22);
    EXPECT_STREQ(err, "arm_cpu_i2c_port_wr: write api failed, rc: 1");
    fake_i2c().raw_write_result = -2;
    fake_i2c().raw_read_result = 0;
    int out[3] = {};
    EXPECT_EQ(arm_cpu_i2c_port_rd(1, 0x10, 0x50, out, 2, err, sizeof err), 22);
    EXPECT_STREQ(err, "arm_cpu_i2c_port_rd: read api failed, rc: 0");
    EXPECT_EQ(fake_i2c().open_fds, 0);
}

TEST_F(RawRoad, MessagesNeverPassTheBufferSize)
{
    fake_i2c().open_fails = true;
    const uint8_t b = 0;
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0, 0x50, &b, 1, err, 8), 22);
    EXPECT_STREQ(err, "arm_cpu");
    EXPECT_EQ(err[8], '#');
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0, 0x50, &b, 1, err + 20, 0), 22);
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0, 0x50, &b, 1, err + 20, -5), 22);
    EXPECT_EQ(err[20], '#');
    int out[3] = {};
    EXPECT_EQ(arm_cpu_i2c_port_rd(1, 0, 0x50, out, 9, err + 30, 4), 22);
    EXPECT_STREQ(err + 30, "arm");
    EXPECT_EQ(err[34], '#');
}

TEST_F(RawRoad, WriteSendsTheBytesAndPauses)
{
    const uint8_t data[3] = {0x40, 0x01, 0x02};
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0x99, 0x50, data, 3, err, sizeof err), 0);
    EXPECT_EQ(fake_i2c().eeprom[0x40], 0x01);
    EXPECT_EQ(fake_i2c().eeprom[0x41], 0x02);
    EXPECT_EQ(fake_sleeps(), std::vector<unsigned>{200000u});
    EXPECT_EQ(arm_cpu_i2c_port_wr(1, 0, 0x50, data, -1, err, sizeof err), 22);
    EXPECT_STREQ(err, "arm_cpu_i2c_port_wr: write api failed, rc: -1");
}

} // namespace
