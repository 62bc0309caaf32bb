// The board ID-PROM over the fake bus: address map, one open/bind/close per
// byte, pauses per written byte, stop-at-first-failure and the page loops.
#include "boardprom.h"

#include "fakes/fake_os.h"
#include "ops_console.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace
{

using boardprom_test::Console;
using boardprom_test::fake_i2c;
using boardprom_test::fake_sleeps;
using boardprom_test::I2cEvent;

class Eeprom : public testing::Test
{
  protected:
    void SetUp() override
    {
        boardprom_test::reset_platform();
        auto &rom = fake_i2c().eeprom;
        for (size_t i = 0; i < rom.size(); ++i)
            rom[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    // (device, command) of every SMBus transaction so far.
    static std::vector<std::pair<int, int>> transfers()
    {
        std::vector<std::pair<int, int>> t;
        for (const I2cEvent &e : fake_i2c().events)
            if (e.kind == I2cEvent::SmbusRead || e.kind == I2cEvent::SmbusWrite)
                t.emplace_back(e.addr, e.command);
        return t;
    }
};

TEST_F(Eeprom, AddressMapCrossesFrom0x51To0x52)
{
    uint8_t buf[2] = {};
    EXPECT_EQ(idprom_read_eeprom(buf, 2, 0x1FF), 0);
    EXPECT_EQ(transfers(), (std::vector<std::pair<int, int>>{{0x51, 0xFF}, {0x52, 0x00}}));
    EXPECT_EQ(buf[0], fake_i2c().eeprom[0x1FF]);
    EXPECT_EQ(buf[1], fake_i2c().eeprom[0x200]);
}

TEST_F(Eeprom, EveryByteCostsOneOpenBindAndClose)
{
    std::vector<uint8_t> buf(2048);
    EXPECT_EQ(idprom_read_eeprom(buf.data(), 2048, 0), 0);
    EXPECT_TRUE(std::equal(buf.begin(), buf.end(), fake_i2c().eeprom.begin()));
    EXPECT_EQ(fake_i2c().count(I2cEvent::Open), 2048u);
    EXPECT_EQ(fake_i2c().count(I2cEvent::Bind), 2048u);
    EXPECT_EQ(fake_i2c().count(I2cEvent::Close), 2048u);
    EXPECT_EQ(transfers().back(), std::make_pair(0x57, 0xFF));
    EXPECT_TRUE(fake_sleeps().empty());
}

TEST_F(Eeprom, WritePauses200MsAfterEveryByte)
{
    const uint8_t data[3] = {1, 2, 3};
    EXPECT_EQ(idprom_write_eeprom(data, 3, 0x2FF), 0);
    EXPECT_EQ(fake_sleeps(), std::vector<unsigned>(3, 200000u));
    EXPECT_EQ(fake_i2c().eeprom[0x2FF], 1);
    EXPECT_EQ(fake_i2c().eeprom[0x301], 3);
    EXPECT_EQ(transfers().front(), std::make_pair(0x52, 0xFF));
}

TEST_F(Eeprom, CountZeroTouchesNothing)
{
    EXPECT_EQ(idprom_read_eeprom(nullptr, 0, 5), 0);
    EXPECT_EQ(idprom_write_eeprom(nullptr, 0, 5), 0);
    EXPECT_EQ(idprom_read_page(0, nullptr, 0, 0), 0);
    EXPECT_EQ(idprom_write_page(0, nullptr, 0, 0), 0);
    EXPECT_TRUE(fake_i2c().events.empty());
}

// Offsets from 2048 up would bind the devices above 0x57: a range that
// passes the end of the ID-PROM is refused before any device is opened.
TEST_F(Eeprom, RangesPastTheIdpromAreRefusedWithoutTouchingTheBus)
{
    std::vector<uint8_t> buf(4096, 0xEE);
    Console console;
    EXPECT_EQ(idprom_read_eeprom(buf.data(), 2, 2047), IDPROM_RC_INVALID);
    EXPECT_EQ(idprom_write_eeprom(buf.data(), 1, 2048), IDPROM_RC_INVALID);
    EXPECT_EQ(idprom_read_eeprom(buf.data(), 2, 0xFFFFFFFFu), IDPROM_RC_INVALID); // wraps to 0
    EXPECT_EQ(idprom_read_page(0, buf.data(), 2049, 0), IDPROM_RC_INVALID);
    EXPECT_EQ(idprom_write_page(0, buf.data(), 8192, 0), IDPROM_RC_INVALID);
    EXPECT_TRUE(fake_i2c().events.empty());
    EXPECT_EQ(buf[0], 0xEE);
    EXPECT_EQ(
        console.output(),
        "Read AT24 refused: 2 bytes from offset 2047 pass the end of the 2048-byte ID-PROM\n"
        "Write AT24 refused: 1 bytes from offset 2048 pass the end of the 2048-byte ID-PROM\n"
        "Read AT24 refused: 2 bytes from offset 4294967295 pass the end of the 2048-byte "
        "ID-PROM\n"
        "Read AT24 refused: 2049 bytes from offset 0 pass the end of the 2048-byte ID-PROM\n"
        "Write AT24 refused: 8192 bytes from offset 0 pass the end of the 2048-byte ID-PROM\n");
    // The last byte, and the whole PROM, are still in reach.
    EXPECT_EQ(idprom_read_eeprom(buf.data(), 1, 2047), 0);
    EXPECT_EQ(idprom_read_page(0, buf.data(), 2048, 0), 0);
    EXPECT_EQ(transfers().back(), std::make_pair(0x57, 0xFF));
}

TEST_F(Eeprom, ReadStopsAtTheFirstFailingByte)
{
    fake_i2c().absent.insert(0x51);
    std::vector<uint8_t> buf(4, 0xEE);
    Console console;
    EXPECT_EQ(idprom_read_eeprom(buf.data(), 4, 0xFE), 0x105);
    EXPECT_EQ(console.output(), "read failed, res = 0xffffffff\nRead AT24 failed rc = 0x105\n");
    EXPECT_EQ(buf[1], fake_i2c().eeprom[0xFF]);
    EXPECT_EQ(buf[2], 0xEE);
}

TEST_F(Eeprom, WriteStopsAtTheFirstFailingByteWithoutItsPause)
{
    fake_i2c().absent.insert(0x51);
    const uint8_t data[3] = {9, 9, 9};
    Console console;
    EXPECT_EQ(idprom_write_eeprom(data, 3, 0xFF), 0x105);
    EXPECT_NE(console.output().find("Write AT24 failed rc = 0x105\n"), std::string::npos);
    // One byte written (200 ms), then ten failed attempts (200 ms each).
    EXPECT_EQ(fake_sleeps().size(), 11u);
    EXPECT_EQ(fake_i2c().eeprom[0x101], static_cast<uint8_t>(0x101 * 7 + 3));
}

TEST_F(Eeprom, ReadPageGoesOnPastAFailingByte)
{
    fake_i2c().absent.insert(0x50);
    std::vector<uint8_t> buf(300, 0xEE);
    Console console;
    EXPECT_EQ(idprom_read_page(4, buf.data(), 258, 77), 0x105);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[255], 0);
    EXPECT_EQ(buf[256], fake_i2c().eeprom[256]);
    EXPECT_EQ(buf[257], fake_i2c().eeprom[257]);
    EXPECT_EQ(buf[258], 0xEE);
}

TEST_F(Eeprom, WritePageGoesOnAndOrsTheCodes)
{
    fake_i2c().absent.insert(0x50);
    std::vector<uint8_t> data(257, 0x42);
    Console console;
    EXPECT_EQ(idprom_write_page(0, data.data(), 257, 0), 0x105);
    EXPECT_EQ(fake_i2c().eeprom[256], 0x42);
}

TEST_F(Eeprom, WritePageOfAWholeImage)
{
    std::vector<uint8_t> data(270);
    std::iota(data.begin(), data.end(), 0);
    EXPECT_EQ(idprom_write_page(0, data.data(), 270, 0), 0);
    EXPECT_EQ(boardprom_test::fake_slept_us(), 270ull * 200000);
    EXPECT_EQ(fake_i2c().eeprom[269], 13);
}

} // namespace
