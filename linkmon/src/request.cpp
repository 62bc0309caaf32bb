// Encoding and decoding of the 64-bit linkmon request word.
#include "request.h"

#include <string.h>

namespace linkmon {

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
    r.bus = static_cast<uint32_t>(word >> 8) & 0xFFu;
    r.dev = static_cast<uint32_t>(word >> 3) & 0x1Fu;
    r.func = static_cast<uint32_t>(word) & 0x7u;
    r.vdi = static_cast<uint32_t>(word);
    return r;
}

Request decode_request(const uint8_t *bytes, size_t len)
{
    uint64_t word = 0;
    memcpy(&word, bytes, len < sizeof word ? len : sizeof word);
    return decode_request_word(word);
}

} // namespace linkmon
