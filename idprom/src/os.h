// libboardprom's only door to the outside world: the I2C character devices
// and the SMBus transactions on them, the FPGA registers behind the
// platform's IOFPGA access library, the chassis-type file and pauses.  No
// other file of the library makes these calls.
//
// The shipped library links src/os/*.cpp.  The unit-test build links, in
// place of each of those files, the fake of the same name in tests/fakes/
// when there is one (i2c_dev.cpp, clock.cpp, chassis_file.cpp; their
// controls are in tests/fakes/fake_os.h).  fpga.cpp has no fake: the tests
// link the simulated FPGA access library instead of a card's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sys/types.h>

namespace boardprom::os
{

// ---- I2C character devices (os/i2c_dev.cpp) ----
// Each returns what the system call returns: -1 with errno on failure.
int i2c_open(const char *path);                         // open(path, O_RDWR)
int i2c_bind(int fd, unsigned long request, int addr);  // ioctl I2C_SLAVE / I2C_SLAVE_FORCE
int i2c_close(int fd);                                  // close; errno is kept
ssize_t i2c_read(int fd, void *buf, size_t len);        // one read(), no retry
ssize_t i2c_write(int fd, const void *buf, size_t len); // one write(), no retry

// ---- SMBus transactions on a bound descriptor (os/i2c_dev.cpp) ----
// One I2C_SMBUS ioctl each, through the SMBus library.  Results as the
// library gives them, except that every failure is -1 (the failed ioctl's
// result) with errno set.
int32_t smbus_read_byte_data(int fd, uint8_t command);
int32_t smbus_read_block_data(int fd, uint8_t command, uint8_t *block); // 32 bytes
int32_t smbus_write_byte(int fd, uint8_t value);
int32_t smbus_write_byte_data(int fd, uint8_t command, uint8_t value);
int32_t smbus_write_word_data(int fd, uint8_t command, uint16_t value);
int32_t smbus_write_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values);
int32_t smbus_write_i2c_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values);

// ---- FPGA registers through the IOFPGA access library (os/fpga.cpp) ----
// One 32-bit register at a byte offset.  0 on success; any other value is
// the access library's failure code.
int fpga_read(uint32_t offset, uint32_t *value);
int fpga_write(uint32_t offset, uint32_t value);

// ---- The chassis-type file (os/chassis_file.cpp) ----
// The file opened for reading, or null.  The caller closes it (fclose).
std::FILE *open_chassis_file(const char *path);

// ---- Pauses (os/clock.cpp) ----
// Sleeps the whole time, resuming after a signal; errno is kept.
void sleep_us(unsigned microseconds);

} // namespace boardprom::os
