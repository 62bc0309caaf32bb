// Decimal codecs: empty lines, end of input, ranges, result sizes, the
// signed sentinels, 31-character lines, and the temperature range.
#include "boardprom.h"
#include "codecs.h"

#include "ops_console.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using boardprom_test::Console;

TEST(DecU8, RangeEmptyAndEndOfInput)
{
    uint8_t v = 0x77;
    Console console("256\n-1\n \t\n42\nx\n");
    EXPECT_EQ(sprom_get_dec_u8(&v), -1);
    EXPECT_EQ(sprom_get_dec_u8(&v), -1);
    v = 0x77;
    EXPECT_EQ(sprom_get_dec_u8(&v), 0);
    EXPECT_EQ(v, 0x77);
    EXPECT_EQ(sprom_get_dec_u8(&v), 1);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(sprom_get_dec_u8(&v), -1);
    EXPECT_EQ(sprom_get_dec_u8(&v), 1); // end of input: 0
    EXPECT_EQ(v, 0);
}

TEST(DecU16, ResultSizeFollowsTheValue)
{
    uint16_t v = 5;
    Console console("70000\n300\n255\n\n \nabc\n12abc\n");
    EXPECT_EQ(sprom_get_dec_u16(&v), -1);
    EXPECT_EQ(sprom_get_dec_u16(&v), 2);
    EXPECT_EQ(v, 300);
    EXPECT_EQ(sprom_get_dec_u16(&v), 1);
    EXPECT_EQ(sprom_get_dec_u16(&v), 0);
    EXPECT_EQ(v, 255);
    EXPECT_EQ(sprom_get_dec_u16(&v), -1); // blanks are not a number here
    EXPECT_EQ(sprom_get_dec_u16(&v), -1);
    EXPECT_EQ(sprom_get_dec_u16(&v), 1);
    EXPECT_EQ(v, 12);
}

TEST(DecU32, TakesThe32BitPattern)
{
    uint32_t v = 0;
    Console console("70000\nx\n-1\n65535\n4294967296\n");
    EXPECT_EQ(sprom_get_dec_u32(&v), 4);
    EXPECT_EQ(v, 70000u);
    EXPECT_EQ(sprom_get_dec_u32(&v), -1);
    EXPECT_EQ(sprom_get_dec_u32(&v), 4);
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_EQ(sprom_get_dec_u32(&v), 2);
    // Beyond 32 bits is no number of this field (not silently 0).
    EXPECT_EQ(sprom_get_dec_u32(&v), -1);
}

TEST(SignedDec, SentinelsAndRange)
{
    Console console("32768\n-32768\n\n32767\n- 5\n");
    EXPECT_EQ(sprom_get_signed_dec(), SPROM_DEC_INVALID);
    EXPECT_EQ(sprom_get_signed_dec(), -32768);
    EXPECT_EQ(sprom_get_signed_dec(), SPROM_DEC_EMPTY);
    EXPECT_EQ(sprom_get_signed_dec(), 32767);
    EXPECT_EQ(sprom_get_signed_dec(), SPROM_DEC_INVALID);
    EXPECT_EQ(sprom_get_signed_dec(), SPROM_DEC_INVALID); // end of input
}

TEST(DecimalLines, ThirtyOneCharactersAreTakenAndTheRestReadNext)
{
    // 30 blanks and a digit fill the 32-byte buffer; the next read sees "7".
    const std::string line = std::string(30, ' ') + "57\n";
    uint16_t v = 0;
    Console console(line);
    EXPECT_EQ(sprom_get_dec_u16(&v), 1);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(sprom_get_dec_u16(&v), 1);
    EXPECT_EQ(v, 7);
}

TEST(TempRange, ParsesTwoSignedParts)
{
    uint8_t a = 0x11;
    uint8_t b = 0x22;
    Console console("-5/40\n40\n1/2/3\n200/1\n\n 3 / -4 \n5/\nx/1\n");
    EXPECT_EQ(sprom_get_temp_range(&a, &b), 0);
    EXPECT_EQ(a, 0xFB);
    EXPECT_EQ(b, 0x28);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), -1);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), -1);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), 0);
    EXPECT_EQ(a, 0xC8);
    EXPECT_EQ(b, 0x01);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), 0); // empty: nothing stored
    EXPECT_EQ(a, 0xC8);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), 0);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 0xFC);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), -1);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), -1);
    EXPECT_EQ(sprom_get_temp_range(&a, &b), -1); // end of input
}

TEST(TempRange, PartLongerThan31CharactersIsRefused)
{
    uint8_t a = 0;
    uint8_t b = 0;
    const std::string part31 = "-" + std::string(29, '0') + "5";
    EXPECT_EQ(boardprom::parse_temp_range((part31 + "/1").c_str(), &a, &b), 0);
    EXPECT_EQ(a, 0xFB);
    EXPECT_EQ(boardprom::parse_temp_range(("0" + part31 + "/1").c_str(), &a, &b), -1);
    EXPECT_EQ(boardprom::parse_temp_range(("1/0" + part31).c_str(), &a, &b), -1);
}

TEST(TextCodec, StripsTheNewlineAndCountsCharacters)
{
    char buf[8];
    Console console("hello\n\nabcdefghij\n");
    EXPECT_EQ(sprom_get_text(buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(sprom_get_text(buf, sizeof buf), 0);
    EXPECT_EQ(sprom_get_text(buf, sizeof buf), 7); // the rest stays unread
    EXPECT_EQ(sprom_get_text(buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "hij");
    EXPECT_EQ(sprom_get_text(buf, sizeof buf), -1);
}

TEST(TextCodec, BuffersBeyondTheSafeStringLimitStillCount)
{
    std::string line(40000, 'a');
    std::string buf(40001, '\0');
    Console console(line + "\n");
    EXPECT_EQ(sprom_get_text(buf.data(), static_cast<int>(buf.size())), 40000);
}

} // namespace
