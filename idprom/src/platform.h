// The platform layer of libboardprom: the only functions that reach the
// outside world (I2C character devices, SMBus transactions, FPGA registers,
// pauses).  The shipped library links src/os/; a unit-test build links the
// fakes of tests/fakes/ of the same file name instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace boardprom::os
{

// ---- I2C character devices (src/os/i2c_dev.cpp) ----
// Each returns what the system call returns (-1 with errno on failure).
int i2c_open(const char *path);
int i2c_bind(int fd, unsigned long request, int addr);
int i2c_close(int fd);
ssize_t i2c_read(int fd, void *buf, size_t len);
ssize_t i2c_write(int fd, const void *buf, size_t len);

// ---- SMBus transactions on a bound descriptor (src/os/i2c_dev.cpp) ----
// Results as the SMBus library gives them, except that every failure is -1
// (the failed ioctl's result) with errno set.
int32_t smbus_read_byte_data(int fd, uint8_t command);
int32_t smbus_read_block_data(int fd, uint8_t command, uint8_t *block); // 32 bytes
int32_t smbus_write_byte(int fd, uint8_t value);
int32_t smbus_write_byte_data(int fd, uint8_t command, uint8_t value);
int32_t smbus_write_word_data(int fd, uint8_t command, uint16_t value);
int32_t smbus_write_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values);
int32_t smbus_write_i2c_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values);

// ---- Pauses (src/os/clock.cpp) ----
void sleep_us(unsigned microseconds);

// ---- FPGA registers through the IOFPGA access library (src/os/fpga.cpp) ----
// 0 on success; any other value is the access library's failure code.
int fpga_read(uint32_t offset, uint32_t *value);
int fpga_write(uint32_t offset, uint32_t value);

} // namespace boardprom::os
