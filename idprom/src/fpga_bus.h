// Transfers through the I2C/PMBus controllers of the card's I/O FPGA.
// Internal to the library (hidden symbols); the fan-tray and power-module
// page routines are their callers.
#pragma once

#include <cstdint>

namespace boardprom
{

// Control/status word of a controller channel.
inline constexpr uint32_t kCtlStart = 0x80000000u;       // written: start; read: busy
inline constexpr uint32_t kCtlCurrentAddr = 0x40000000u; // read of a PROM-like device
inline constexpr uint32_t kCtlNack = 0x01000000u;        // status: no acknowledge
inline constexpr uint32_t kCtlRead = 0x00010000u;        // direction: read
inline constexpr int kCtlLengthShift = 25;
inline constexpr int kCtlAddrShift = 17;
inline constexpr int kCtlCommandShift = 8;

// Register offsets of one controller channel; false when the controller
// or channel has no bank.
struct FpgaChannelRegs {
    uint32_t control;
    uint32_t data;
};
bool fpga_channel_regs(int controller, int channel, FpgaChannelRegs *regs);

// Control words that start a read or a write transfer.
uint32_t fpga_read_control_word(int dev_addr, int controller, int command, int length_code);
uint32_t fpga_write_control_word(int dev_addr, int command, int length_code);

} // namespace boardprom

extern "C" {
// One read transfer: *out receives the bytes read, masked to length_code + 1
// bytes.  0, 0x105 (time-out), 0x2005 (NACK) or 22 (controller, address or
// command out of range; no register touched).
int mv_pmb_rd(int dev_addr, int controller, int channel, int command, uint32_t *out,
              int length_code);
// One write transfer of the data-register word `data`.  Same codes.
int mv_pmb_wr(int dev_addr, int controller, int channel, int command, uint32_t data,
              int length_code);
}
