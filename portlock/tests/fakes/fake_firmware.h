// A simulated firmware behind the port functions of port_io.h: it keeps
// the two port latches, answers software SMIs from a script, counts the
// pauses instead of sleeping, and records every port transaction.
#pragma once

#include <cerrno>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fake
{

struct Firmware {
    // Script: what the SMI handler leaves in port 0x80 after each unlock
    // request, in order; an empty entry (or an exhausted script) leaves the
    // port as it was.
    std::deque<std::optional<std::uint8_t>> unlock_answers;
    // What the handler leaves in port 0xB2 after an unlock request, if
    // anything (by default the command byte stays latched there).
    std::optional<std::uint8_t> command_port_after_unlock;
    // What the handler leaves in port 0xB2 after a lock request.
    std::uint8_t command_port_after_lock = 0xE1;
    // Ports the kernel refuses to grant, and with which errno.
    std::set<std::uint16_t> refused;
    int refusal_errno = EPERM;

    // Hardware state.
    std::uint8_t answer_port = 0xFF;
    std::uint8_t command_port = 0x00;

    // Observations.
    std::set<std::uint16_t> granted;
    std::vector<std::string> trace; // "grant 0x80", "out 0x55 0x80", "in 0xb2", "pause 8", ...
    unsigned seconds_paused = 0;
    int unlock_requests = 0;
    int lock_requests = 0;
    int ungranted_accesses = 0; // a real machine would have faulted

    // Port transactions only, without grants, releases and pauses.
    [[nodiscard]] std::vector<std::string> port_traffic() const;
};

// The one simulated machine the port functions talk to; reset() gives a
// fresh one.
Firmware &firmware();
void reset();

} // namespace fake
