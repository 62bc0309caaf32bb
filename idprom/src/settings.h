// Compiled-in settings of libboardprom: device paths and addresses,
// attempt counts and pauses of the three transport roads, the devices
// behind the FPGA controllers, the presence registers, the chassis-type
// file and the work image of the program utility.
#pragma once

#include "boardprom.h"

#include <cstddef>
#include <cstdint>

namespace boardprom
{

// ---- Linux I2C character devices ----
inline constexpr const char *kI2cDevicePattern = "/dev/i2c-%d";
inline constexpr int kI2cPathSize = 32;
inline constexpr unsigned long kI2cSlave = 0x0703;      // I2C_SLAVE
inline constexpr unsigned long kI2cSlaveForce = 0x0706; // I2C_SLAVE_FORCE

// ---- The board ID-PROM: bus 1, 256 bytes behind each of 0x50 to 0x57 ----
inline constexpr int kIdpromBus = 1;
inline constexpr int kIdpromBaseAddr = 0x50;
inline constexpr int kIdpromSize = IDPROM_EEPROM_SIZE;
inline constexpr int kSmbusByteData = 2; // I2C_SMBUS_BYTE_DATA

// SMBus road: attempts per transfer and the pauses around writes.
inline constexpr int kSmbusAttempts = 10;
inline constexpr unsigned kWriteRetryPauseUs = 200000;
inline constexpr unsigned kEepromWritePauseUs = 200000;
inline constexpr unsigned kPlainWritePauseUs = 200000;

// The plain-transfer road delivers at most three bytes per read.
inline constexpr int kPlainReadMax = 3;
inline constexpr int kPlainReplySize = 12;

// ---- FPGA bus controllers ----
inline constexpr uint32_t kCtrl1ControlBase = 0x224;
inline constexpr uint32_t kCtrl1DataBase = 0x284;
inline constexpr uint32_t kCtrl2ControlBase = 0x254;
inline constexpr uint32_t kCtrl2DataBase = 0x2B4;
inline constexpr int kFpgaChannels = 12;
inline constexpr int kFpgaPollLimit = 10000;
inline constexpr unsigned kFpgaStepPauseUs = 5000;

// ---- Fan-tray PROM: device 0x50 on controller 1 ----
// Before writing, bit 3 of command 0 of device 0x20 is cleared.
inline constexpr int kFanTrayPromAddr = 0x50;
inline constexpr int kFanTrayController = 1;
inline constexpr int kFanTrayPrepAddr = 0x20;
inline constexpr int kFanTrayPrepCommand = 0x00;
inline constexpr uint32_t kFanTrayPrepMask = 0xF7;

// ---- Power-module PROM: device 0x57 on controller 2 ----
// Before writing, 0x01 goes to command 0xE1 of device 0x47.
inline constexpr int kPowerModulePromAddr = 0x57;
inline constexpr int kPowerModuleController = 2;
inline constexpr int kPowerModulePrepAddr = 0x47;
inline constexpr int kPowerModulePrepCommand = 0xE1;
inline constexpr uint32_t kPowerModulePrepValue = 0x01;

// Pauses of the fan-tray and power-module page routines.
inline constexpr unsigned kPageReadPauseUs = 5000;
inline constexpr unsigned kPageWritePauseUs = 100;

// ---- Presence registers of the I/O FPGA and their retries ----
inline constexpr uint32_t kFanPresenceReg = 0x118;
inline constexpr uint32_t kPsuPresenceReg = 0x11C;
inline constexpr int kPresenceFirstBit = 16;
inline constexpr int kFanTrays = 3;
inline constexpr unsigned kPowerModuleSlots = 10;
inline constexpr int kPresenceRetries = 10;
inline constexpr unsigned kPresenceRetryPauseUs = 200000;

// ---- The chassis-type file another component of the platform writes ----
inline constexpr const char *kChassisFile = "/tmp/pem_dump";
inline constexpr const char *kChassisFormat = "%99s 0x%x";
inline constexpr std::size_t kChassisWordSize = 100;
inline constexpr const char *kChassisMarker = "chassis";
inline constexpr uint32_t kChassisShifted = 0x60010000; // module k sits at k + 2
inline constexpr uint32_t kChassisSwapped = 0x60010002; // modules 1 and 2 swap

// ---- The show and program utilities' work image ----
inline constexpr std::size_t kWorkImageSize = 8192;

} // namespace boardprom
