// The unlock request: prime the answer port, raise the unlock SMI up to six
// times eight seconds apart, and report what the firmware answered.
#include <cerrno>
#include <cstdint>

#include "port_grant.h"
#include "port_io.h"
#include "portlock.h"
#include "settings.h"

namespace portlock
{

namespace
{

inline constexpr const char *kUnlockedLine = "Me Unlock\n";
inline constexpr const char *kUnlockFormat =
    "UNLOCK: I/O port 0xB2 read: 0x%x %s Lock status = 0x%x Retry = %d\n";
inline constexpr const char *kPassed = "Passed";
inline constexpr const char *kFailed = "Failed";

struct UnlockOutcome {
    bool passed = false;
    std::uint8_t answer = 0; // last byte read from the answer port
    int attempts_left = kUnlockAttempts;
};

constexpr bool is_unlocked_answer(std::uint8_t answer)
{
    return answer == kAnswerPrimer || answer == kAnswerUnlocked;
}

// Raises the unlock SMI until the firmware answers or the attempts run
// out, pausing between attempts but not after the last one.
UnlockOutcome request_unlock(std::FILE *out)
{
    UnlockOutcome outcome;
    while (outcome.attempts_left != 0) {
        outb(kUnlockCommand, kSmiCommandPort);
        outcome.answer = inb(kAnswerPort);
        if (is_unlocked_answer(outcome.answer)) {
            std::fputs(kUnlockedLine, out);
            outcome.passed = true;
            break;
        }
        --outcome.attempts_left;
        if (outcome.attempts_left != 0) {
            std::fflush(out);
            pause_seconds(kSecondsBetweenAttempts);
        }
    }
    return outcome;
}

} // namespace

int unlock(std::FILE *out, std::FILE *err)
{
    // Both ports are granted before either is touched, so a refusal
    // leaves the hardware exactly as it was.
    PortGrant answer_port(kAnswerPort);
    if (!answer_port.held())
        return report_refused(err, kAnswerPort, errno);
    PortGrant command_port(kSmiCommandPort);
    if (!command_port.held())
        return report_refused(err, kSmiCommandPort, errno);

    outb(kAnswerPrimer, kAnswerPort);
    (void)inb(kSmiCommandPort);
    const UnlockOutcome outcome = request_unlock(out);

    const std::uint8_t command_byte = inb(kSmiCommandPort);
    command_port.release();
    answer_port.release();
    std::fprintf(out, kUnlockFormat, static_cast<unsigned>(command_byte),
                 outcome.passed ? kPassed : kFailed, static_cast<unsigned>(outcome.answer),
                 outcome.attempts_left);
    // A failed unlock must not look like success to the calling script.
    return outcome.passed ? kExitOk : kExitFailure;
}

} // namespace portlock
