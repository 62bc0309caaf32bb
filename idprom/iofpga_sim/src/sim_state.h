// The simulated FPGA's state file: layout, mapping and locking.
#pragma once

#include "iofpga_sim.h"

#include <cstddef>
#include <cstdint>

namespace iofpga_sim
{

inline constexpr char kMagic[8] = {'I', 'O', 'F', 'P', 'G', 'A', 'S', '1'};
inline constexpr uint32_t kVersion = 1;
inline constexpr int kControllers = 2;
inline constexpr size_t kLogSize = 512;

struct Channel {
    uint8_t prom_present;
    uint8_t aux_present;
    uint8_t aux_pointer;
    uint8_t pad0;
    uint16_t prom_pointer;
    uint16_t pad1;
    uint32_t busy_now;         // status reads still reporting busy
    uint32_t busy_after_start; // busy reads armed by every start
    uint8_t aux[256];
    uint8_t prom[IOFPGA_SIM_PROM_SIZE];
};

struct Injection {
    uint32_t offset; // IOFPGA_SIM_ANY_OFFSET for any
    uint32_t count;  // IOFPGA_SIM_FOREVER for ever
    int32_t code;
    uint32_t pad;
};

struct State {
    char magic[8];
    uint32_t version;
    uint32_t size;
    uint32_t regs[IOFPGA_SIM_REG_SPACE / 4];
    Channel channels[kControllers][IOFPGA_SIM_CHANNELS];
    Injection fail_read;
    Injection fail_write;
    uint64_t reads;
    uint64_t writes;
    uint64_t log_count; // writes logged so far; the ring holds the latest
    iofpga_sim_write log[kLogSize];
};

// Maps the state file (creating it with defaults) and locks it for the
// lifetime of the guard.  state() is null when that failed; error() tells why.
class Locked
{
  public:
    Locked();
    ~Locked();
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    State *state() const
    {
        return state_;
    }
    int error() const
    {
        return error_;
    }

  private:
    State *state_ = nullptr;
    int error_ = 0;
};

void set_defaults(State *s);

// Channel by controller (1 or 2) and channel number; null when out of range.
Channel *channel_of(State *s, int controller, int channel);

} // namespace iofpga_sim
