// Link-time replacement of src/os/*.cpp for the unit tests.
#include "fake_firmware.h"

#include <cerrno>
#include <cstdio>

#include "port_io.h"
#include "settings.h"

namespace fake
{

namespace
{

Firmware machine;

std::string hex(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

void check_granted(std::uint16_t port)
{
    if (machine.granted.count(port) == 0)
        ++machine.ungranted_accesses;
}

// The firmware's software-SMI handler.
void raise_smi(std::uint8_t command)
{
    if (command == portlock::kUnlockCommand) {
        ++machine.unlock_requests;
        if (!machine.unlock_answers.empty()) {
            if (const auto answer = machine.unlock_answers.front())
                machine.answer_port = *answer;
            machine.unlock_answers.pop_front();
        }
        if (machine.command_port_after_unlock)
            machine.command_port = *machine.command_port_after_unlock;
    } else if (command == portlock::kLockCommand) {
        ++machine.lock_requests;
        machine.command_port = machine.command_port_after_lock;
    }
}

} // namespace

std::vector<std::string> Firmware::port_traffic() const
{
    std::vector<std::string> traffic;
    for (const auto &entry : trace)
        if (entry.rfind("in ", 0) == 0 || entry.rfind("out ", 0) == 0)
            traffic.push_back(entry);
    return traffic;
}

Firmware &firmware()
{
    return machine;
}

void reset()
{
    machine = Firmware{};
}

} // namespace fake

using fake::machine;

extern "C" unsigned char inb(unsigned short port)
{
    fake::check_granted(port);
    machine.trace.push_back("in " + fake::hex(port));
    return port == portlock::kAnswerPort ? machine.answer_port : machine.command_port;
}

extern "C" void outb(unsigned char value, unsigned short port)
{
    fake::check_granted(port);
    machine.trace.push_back("out " + fake::hex(value) + " " + fake::hex(port));
    if (port == portlock::kAnswerPort) {
        machine.answer_port = value;
    } else if (port == portlock::kSmiCommandPort) {
        machine.command_port = value;
        fake::raise_smi(value);
    }
}

namespace portlock
{

int port_access(std::uint16_t port, bool on)
{
    if (on && machine.refused.count(port) != 0) {
        machine.trace.push_back("refused " + fake::hex(port));
        errno = machine.refusal_errno;
        return -1;
    }
    machine.trace.push_back((on ? "grant " : "release ") + fake::hex(port));
    if (on)
        machine.granted.insert(port);
    else
        machine.granted.erase(port);
    return 0;
}

void pause_seconds(unsigned seconds)
{
    machine.trace.push_back("pause " + std::to_string(seconds));
    machine.seconds_paused += seconds;
}

} // namespace portlock
