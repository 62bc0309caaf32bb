// The linkmon request word as pure functions over its bytes.
#ifndef LINKMON_REQUEST_H
#define LINKMON_REQUEST_H

#include <linkmon/linkmon_request.h>

#include <stddef.h>
#include <stdint.h>

namespace linkmon {

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
