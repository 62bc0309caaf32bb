// A fake SSE driver behind sse_os.h: it records every open and every
// command with the raw bytes of the record it was handed, and answers
// commands through a replaceable handler. Safe to call from many threads.
#pragma once

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace fake
{

struct Command {
    int fd;
    unsigned long request;
    std::array<std::uint8_t, 16> record; // as the driver saw it
};

// The driver's answer to one command: a result, or -1 with errno set.
using Handler = std::function<int(unsigned long request, void *record)>;

struct Driver {
    // Device node: present, or missing with this errno on open.
    bool present = true;
    int open_errno = ENOENT;
    // Stretches every open, to let concurrent first calls overlap.
    std::chrono::microseconds open_delay{0};
    // Descriptor handed out by the first successful open; later ones count up.
    int first_descriptor = 100;
    Handler handler = [](unsigned long, void *) { return 0; };

    std::atomic<int> open_attempts{0};
    std::atomic<int> opens{0}; // successful ones: descriptors handed out
    std::string last_path;
    int last_flags = -1;

    std::mutex commands_lock;
    std::vector<Command> commands;

    std::vector<Command> recorded();
};

Driver &driver();
void reset();

} // namespace fake
