// The request word on the wire and its decoding by the server.
#include "proto/proto.h"

#include <gtest/gtest.h>
#include <string.h>

namespace
{

using linkmon::decode_request;
using linkmon::encode_request;

TEST(RequestWord, BytesOnTheWireAreLittleEndian)
{
    uint64_t word =
        encode_request(LINKMON_ACTION_SHOW, LINKMON_CMD_LINK, (0x02 << 8) | (0x1F << 3) | 7);
    uint8_t bytes[8];
    memcpy(bytes, &word, sizeof bytes);
    const uint8_t expected[8] = {0xFF, 0x02, 0x03, 0x02, 0x00, 0x00, 0x34, 0x12};
    EXPECT_EQ(0, memcmp(expected, bytes, sizeof bytes));
}

TEST(RequestWord, AddressKeepsOnlySixteenBits)
{
    uint64_t word = encode_request(LINKMON_ACTION_SET, LINKMON_CMD_STATUS, 0x10203);
    EXPECT_EQ(0x1234000000070203ull, word);
}

TEST(RequestWord, DecodeSplitsEveryField)
{
    uint64_t word = encode_request(LINKMON_ACTION_SHOW, LINKMON_CMD_UES, 0x03A1);
    linkmon::Request r = decode_request(reinterpret_cast<const uint8_t *>(&word), 8);
    EXPECT_EQ(0x1234u, r.magic);
    EXPECT_EQ(2u, r.action);
    EXPECT_EQ(4u, r.command);
    EXPECT_EQ(3u, r.bus);
    EXPECT_EQ(0x14u, r.dev);
    EXPECT_EQ(1u, r.func);
    EXPECT_EQ(0x020403A1u, r.vdi);
}

TEST(RequestWord, SevenBytesFailTheMagicWith0x0034)
{
    uint64_t word = encode_request(LINKMON_ACTION_SHOW, LINKMON_CMD_STATUS, 0x0200);
    linkmon::Request r = decode_request(reinterpret_cast<const uint8_t *>(&word), 7);
    EXPECT_EQ(0x0034u, r.magic);
    EXPECT_EQ(0x02070200u, r.vdi);
}

TEST(RequestWord, ReservedBitsAreIgnored)
{
    uint64_t word =
        encode_request(LINKMON_ACTION_SET, LINKMON_CMD_LINK, 0x0100) | 0xBEEF00000000ull;
    linkmon::Request r = linkmon::decode_request_word(word);
    EXPECT_EQ(0x1234u, r.magic);
    EXPECT_EQ(0x00030100u, r.vdi);
}

} // namespace
