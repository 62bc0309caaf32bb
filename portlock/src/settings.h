// Compiled-in settings of portlock: the I/O ports, the command bytes the
// firmware's software-SMI handler understands, and the unlock retry policy.
#pragma once

#include <cstdint>
#include <string_view>

namespace portlock
{

// Software-SMI command port: a write raises an SMI, a read returns the
// byte the firmware left there.
inline constexpr std::uint16_t kSmiCommandPort = 0xB2;
// Answer port of the unlock request (the POST-code port).
inline constexpr std::uint16_t kAnswerPort = 0x80;

inline constexpr std::uint8_t kUnlockCommand = 0xE0;
inline constexpr std::uint8_t kLockCommand = 0xE1;

// Written to the answer port before the first unlock request.
inline constexpr std::uint8_t kAnswerPrimer = 0x55;
// Answers that mean the firmware has unlocked the engine.
inline constexpr std::uint8_t kAnswerUnlocked = 0xAA;

inline constexpr int kUnlockAttempts = 6;
inline constexpr unsigned kSecondsBetweenAttempts = 8;

// Command-line options, compared exactly with the first argument.
inline constexpr std::string_view kUnlockOption = "-U";
inline constexpr std::string_view kLockOption = "-L";

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;

} // namespace portlock
