// Compiled-in settings of the show/program operations and of the fan-tray
// and power-module PROMs: devices behind the FPGA controllers, pauses,
// presence registers and the chassis-type file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace boardprom
{

// Fan-tray PROM: device 0x50 on controller 1; before writing, bit 3 of
// command 0 of device 0x20 is cleared.
inline constexpr int kFanTrayPromAddr = 0x50;
inline constexpr int kFanTrayController = 1;
inline constexpr int kFanTrayPrepAddr = 0x20;
inline constexpr int kFanTrayPrepCommand = 0x00;
inline constexpr uint32_t kFanTrayPrepMask = 0xF7;

// Power-module PROM: device 0x57 on controller 2; before writing, 0x01 goes
// to command 0xE1 of device 0x47.
inline constexpr int kPowerModulePromAddr = 0x57;
inline constexpr int kPowerModuleController = 2;
inline constexpr int kPowerModulePrepAddr = 0x47;
inline constexpr int kPowerModulePrepCommand = 0xE1;
inline constexpr uint32_t kPowerModulePrepValue = 0x01;

// Pauses of the page routines.
inline constexpr unsigned kPageReadPauseUs = 5000;
inline constexpr unsigned kPageWritePauseUs = 100;

// Presence registers of the I/O FPGA and their retries.
inline constexpr uint32_t kFanPresenceReg = 0x118;
inline constexpr uint32_t kPsuPresenceReg = 0x11C;
inline constexpr int kPresenceFirstBit = 16;
inline constexpr int kFanTrays = 3;
inline constexpr unsigned kPowerModuleSlots = 10;
inline constexpr int kPresenceRetries = 10;
inline constexpr unsigned kPresenceRetryPauseUs = 200000;

// The chassis-type file another component of the platform writes.
inline constexpr const char *kChassisFile = "/tmp/pem_dump";
inline constexpr const char *kChassisFormat = "%99s 0x%x";
inline constexpr std::size_t kChassisWordSize = 100;
inline constexpr const char *kChassisMarker = "chassis";
inline constexpr uint32_t kChassisShifted = 0x60010000; // module k sits at k + 2
inline constexpr uint32_t kChassisSwapped = 0x60010002; // modules 1 and 2 swap

// The show and program utilities' work image.
inline constexpr std::size_t kWorkImageSize = 8192;

} // namespace boardprom
