// I2C character devices and SMBus transactions: the libc and SMBus-library
// calls of the I2C roads.
#include "os.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

namespace boardprom::os
{
namespace
{

// The SMBus library turns a failed ioctl into -errno; the road reports the
// ioctl's own -1, with errno telling why.
int32_t ioctl_result(int32_t res)
{
    if (res >= 0)
        return res;
    errno = -res;
    return -1;
}

} // namespace

int i2c_open(const char *path)
{
    return ::open(path, O_RDWR);
}

int i2c_bind(int fd, unsigned long request, int addr)
{
    return ::ioctl(fd, request, static_cast<long>(addr));
}

int i2c_close(int fd)
{
    int saved = errno;
    int rc = ::close(fd);
    errno = saved;
    return rc;
}

ssize_t i2c_read(int fd, void *buf, size_t len)
{
    return ::read(fd, buf, len);
}

ssize_t i2c_write(int fd, const void *buf, size_t len)
{
    return ::write(fd, buf, len);
}

int32_t smbus_read_byte_data(int fd, uint8_t command)
{
    return ioctl_result(i2c_smbus_read_byte_data(fd, command));
}

int32_t smbus_read_block_data(int fd, uint8_t command, uint8_t *block)
{
    return ioctl_result(i2c_smbus_read_block_data(fd, command, block));
}

int32_t smbus_write_byte(int fd, uint8_t value)
{
    return ioctl_result(i2c_smbus_write_byte(fd, value));
}

int32_t smbus_write_byte_data(int fd, uint8_t command, uint8_t value)
{
    return ioctl_result(i2c_smbus_write_byte_data(fd, command, value));
}

int32_t smbus_write_word_data(int fd, uint8_t command, uint16_t value)
{
    return ioctl_result(i2c_smbus_write_word_data(fd, command, value));
}

int32_t smbus_write_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values)
{
    return ioctl_result(i2c_smbus_write_block_data(fd, command, length, values));
}

int32_t smbus_write_i2c_block_data(int fd, uint8_t command, uint8_t length, const uint8_t *values)
{
    return ioctl_result(i2c_smbus_write_i2c_block_data(fd, command, length, values));
}

} // namespace boardprom::os
