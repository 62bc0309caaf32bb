// Compiled-in settings of libboardprom: device paths, addresses, attempt
// counts and pauses of the three transport roads.
#pragma once

#include "boardprom.h"

#include <cstdint>

namespace boardprom
{

// Linux I2C character devices.
inline constexpr const char *kI2cDevicePattern = "/dev/i2c-%d";
inline constexpr int kI2cPathSize = 32;
inline constexpr unsigned long kI2cSlave = 0x0703;      // I2C_SLAVE
inline constexpr unsigned long kI2cSlaveForce = 0x0706; // I2C_SLAVE_FORCE

// The board ID-PROM: bus 1, 256 bytes behind each of 0x50 to 0x57.
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

// FPGA bus controllers.
inline constexpr uint32_t kCtrl1ControlBase = 0x224;
inline constexpr uint32_t kCtrl1DataBase = 0x284;
inline constexpr uint32_t kCtrl2ControlBase = 0x254;
inline constexpr uint32_t kCtrl2DataBase = 0x2B4;
inline constexpr int kFpgaChannels = 12;
inline constexpr int kFpgaPollLimit = 10000;
inline constexpr unsigned kFpgaStepPauseUs = 5000;

} // namespace boardprom
