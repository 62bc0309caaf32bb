// The command record handed to the driver by address with every command.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ssecall
{

struct SseRecord {
    std::int32_t status;      // 0 before every call
    std::uint8_t reserved[4]; // alignment of the pointer; zeroed
    void *arg;                // the caller's argument, passed through unchanged
};

static_assert(sizeof(SseRecord) == 16, "the driver expects a 16-byte record");
static_assert(offsetof(SseRecord, status) == 0, "status at offset 0");
static_assert(offsetof(SseRecord, reserved) == 4, "reserved bytes at offset 4");
static_assert(offsetof(SseRecord, arg) == 8, "the argument pointer at offset 8");

// A fresh record for one call: nothing of an earlier call survives in it.
constexpr SseRecord make_record(void *arg)
{
    return SseRecord{0, {0, 0, 0, 0}, arg};
}

// The ioctl request number for a command: zero-extended from 32 bits, so
// commands with the top bit set are not sign-extended.
constexpr unsigned long request_number(int cmd)
{
    return static_cast<unsigned long>(static_cast<std::uint32_t>(cmd));
}

} // namespace ssecall
