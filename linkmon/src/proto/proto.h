// The linkmon protocol, shared by the server and the client: the port, the
// request word as pure functions over its bytes, and the bus/device/function
// text of a request's target.
#ifndef LINKMON_PROTO_PROTO_H
#define LINKMON_PROTO_PROTO_H

#include <linkmon/linkmon_request.h>

#include <cstddef>
#include <cstdint>

extern "C" {

enum { LINKMON_PORT = 11000 };

// "[[domain:]bus:]device[.function]" (hexadecimal) as domain * 65536 +
// bus * 256 + device * 8 + function; 0 when the text is not valid. The text
// is cut up in place.
int parse_pci_slot(char *text);

} // extern "C"

namespace linkmon
{

// Bus, device and function packed into 16 bits: bus 15..8, device 7..3,
// function 2..0 (the low half of parse_pci_slot's result, and bits 15..0 of
// the request word).
struct PciAddress {
    unsigned bus;
    unsigned dev;
    unsigned func;
};
constexpr PciAddress unpack_bdf(uint64_t packed)
{
    return {static_cast<unsigned>(packed >> 8) & 0xFFu, static_cast<unsigned>(packed >> 3) & 0x1Fu,
            static_cast<unsigned>(packed) & 0x7u};
}

struct Request {
    uint32_t magic;
    uint32_t action;
    uint32_t command;
    uint32_t bus;
    uint32_t dev;
    uint32_t func;
    uint32_t vdi; // the low 32 bits: action, command and address
};

// The word a client sends: magic, action, command and bits 15..0 of the
// packed bus/device/function.
uint64_t encode_request(unsigned action, unsigned command, unsigned bdf);

// Decodes the bytes received (host order, missing high bytes zero).
Request decode_request(const uint8_t *bytes, size_t len);
Request decode_request_word(uint64_t word);

} // namespace linkmon

#endif
