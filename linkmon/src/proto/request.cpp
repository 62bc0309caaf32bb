// Encoding and decoding of the 64-bit linkmon request word.
#include "proto/proto.h"

#include <cstring>

namespace linkmon
{

uint64_t encode_request(unsigned action, unsigned command, unsigned bdf)
{
    return (static_cast<uint64_t>(LINKMON_MAGIC) << 48) |
           (static_cast<uint64_t>(action & 0xFFu) << 24) |
           (static_cast<uint64_t>(command & 0xFFu) << 16) | (bdf & 0xFFFFu);
}

Request decode_request_word(uint64_t word)
{
    Request r{};
    r.magic = static_cast<uint32_t>(word >> 48) & 0xFFFFu;
    r.action = static_cast<uint32_t>(word >> 24) & 0xFFu;
    r.command = static_cast<uint32_t>(word >> 16) & 0xFFu;
    const PciAddress target = unpack_bdf(word);
    r.bus = target.bus;
    r.dev = target.dev;
    r.func = target.func;
    r.vdi = static_cast<uint32_t>(word);
    return r;
}

Request decode_request(const uint8_t *bytes, size_t len)
{
    uint64_t word = 0;
    std::memcpy(&word, bytes, len < sizeof word ? len : sizeof word);
    return decode_request_word(word);
}

} // namespace linkmon
