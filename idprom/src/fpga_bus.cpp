// Transfers through the I2C/PMBus controllers of the I/O FPGA, driven
// register by register: control word, status polling, data register.
#include "fpga_bus.h"
#include "os.h"
#include "settings.h"

#include "boardprom.h"

#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kTimeout1 = "time out 1, 0x%x\n";
inline constexpr const char *kTimeout2 = "time out 2, 0x%x\n";
inline constexpr const char *kTimeout3 = "time out 3, 0x%x\n";
inline constexpr const char *kReadNack = "NACK error! 0x%x\n";
inline constexpr const char *kWriteNack = "::NACK error! 0x%x, write 0x%08x, data 0x%08x, \n";
inline constexpr const char *kDataWriteFailed =
    "\nPMB_LIB_IDPROM(%s()):Failed to write dev_data_reg:0x%x data:0x%x";
inline constexpr const char *kControlWriteFailed =
    "\nPMB_LIB_IDPROM(%s()):Failed to write dev_ctrl_reg:0x%x data:0x%x";
inline constexpr const char *kWriteName = "mv_pmb_wr";

inline constexpr uint32_t kReadLengthMask = 0x3F;
inline constexpr uint32_t kWriteLengthMask = 0x3;

// Polls the status register until the controller is idle.  The poll-limit
// read ends the wait as a time-out; a status that cannot be read counts as
// busy.  Returns false on time-out, with the last status in *status.
bool wait_idle(uint32_t control, uint32_t *status)
{
    for (int reads = 1;; ++reads) {
        uint32_t value = kCtlStart;
        (void)os::fpga_read(control, &value);
        *status = value;
        if (reads == kFpgaPollLimit)
            return false;
        if ((value & kCtlStart) == 0)
            return true;
    }
}

// Device addresses are 7 bits and commands one byte; wider values would
// reach another device or field of the control word.
bool valid_transfer(int dev_addr, int command)
{
    return dev_addr >= 0 && dev_addr <= 0x7F && command >= 0 && command <= 0xFF;
}

// Reads of the PROM-like devices take bit 30.
bool current_address_read(int controller, int dev_addr)
{
    return (controller == 1 && (dev_addr == 0x20 || dev_addr == 0x50)) ||
           (controller == 2 && dev_addr == 0x57);
}

uint32_t length_mask(int length_code)
{
    switch (length_code) {
    case 0:
        return 0xFFu;
    case 1:
        return 0xFFFFu;
    case 2:
        return 0xFFFFFFu;
    default:
        return 0xFFFFFFFFu;
    }
}

} // namespace

bool fpga_channel_regs(int controller, int channel, FpgaChannelRegs *regs)
{
    if (channel < 0 || channel >= kFpgaChannels)
        return false;
    const uint32_t step = 4u * static_cast<uint32_t>(channel);
    if (controller == 1) {
        *regs = {kCtrl1ControlBase + step, kCtrl1DataBase + step};
        return true;
    }
    if (controller == 2) {
        *regs = {kCtrl2ControlBase + step, kCtrl2DataBase + step};
        return true;
    }
    return false;
}

uint32_t fpga_read_control_word(int dev_addr, int controller, int command, int length_code)
{
    uint32_t ctl =
        kCtlStart | ((static_cast<uint32_t>(length_code) & kReadLengthMask) << kCtlLengthShift);
    ctl &= ~kCtlNack;
    ctl |= static_cast<uint32_t>(dev_addr) << kCtlAddrShift | kCtlRead |
           static_cast<uint32_t>(command) << kCtlCommandShift;
    if (current_address_read(controller, dev_addr))
        ctl |= kCtlCurrentAddr;
    return ctl;
}

uint32_t fpga_write_control_word(int dev_addr, int command, int length_code)
{
    uint32_t ctl =
        kCtlStart | ((static_cast<uint32_t>(length_code) & kWriteLengthMask) << kCtlLengthShift);
    ctl &= ~kCtlNack;
    ctl |= static_cast<uint32_t>(dev_addr) << kCtlAddrShift;
    ctl &= ~kCtlRead;
    ctl |= static_cast<uint32_t>(command) << kCtlCommandShift;
    return ctl;
}

} // namespace boardprom

using namespace boardprom;

extern "C" int mv_pmb_rd(int dev_addr, int controller, int channel, int command, uint32_t *out,
                         int length_code)
{
    FpgaChannelRegs regs{};
    if (out == nullptr || !valid_transfer(dev_addr, command) ||
        !fpga_channel_regs(controller, channel, &regs))
        return IDPROM_RC_INVALID;
    const uint32_t ctl = fpga_read_control_word(dev_addr, controller, command, length_code);
    (void)os::fpga_write(regs.control, ctl);
    os::sleep_us(kFpgaStepPauseUs);
    uint32_t status = 0;
    if (!wait_idle(regs.control, &status)) {
        std::printf(kTimeout3, status);
        return IDPROM_RC_TRANSFER_FAILED;
    }
    if (status & kCtlNack) {
        std::printf(kReadNack, status);
        return IDPROM_RC_NACK;
    }
    os::sleep_us(kFpgaStepPauseUs);
    uint32_t value = 0;
    (void)os::fpga_read(regs.data, &value);
    *out = value & length_mask(length_code);
    return 0;
}

extern "C" int mv_pmb_wr(int dev_addr, int controller, int channel, int command, uint32_t data,
                         int length_code)
{
    FpgaChannelRegs regs{};
    if (!valid_transfer(dev_addr, command) || !fpga_channel_regs(controller, channel, &regs))
        return IDPROM_RC_INVALID;
    uint32_t status = 0;
    if (!wait_idle(regs.control, &status)) {
        std::printf(kTimeout1, status);
        return IDPROM_RC_TRANSFER_FAILED;
    }
    const uint32_t ctl = fpga_write_control_word(dev_addr, command, length_code);
    os::sleep_us(kFpgaStepPauseUs);
    if (os::fpga_write(regs.data, data) != 0)
        std::printf(kDataWriteFailed, kWriteName, regs.data, data);
    os::sleep_us(kFpgaStepPauseUs);
    if (os::fpga_write(regs.control, ctl) != 0)
        std::printf(kControlWriteFailed, kWriteName, regs.control, ctl);
    os::sleep_us(kFpgaStepPauseUs);
    if (!wait_idle(regs.control, &status)) {
        std::printf(kTimeout2, status);
        return IDPROM_RC_TRANSFER_FAILED;
    }
    if (status & kCtlNack) {
        std::printf(kWriteNack, status, ctl, data);
        return IDPROM_RC_NACK;
    }
    return 0;
}
