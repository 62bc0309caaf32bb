// A move-only holder of an I2C device descriptor: closes it on scope exit
// without disturbing errno.
#pragma once

#include "platform.h"

namespace boardprom
{

class I2cFd
{
  public:
    explicit I2cFd(int fd) : fd_(fd) {}
    ~I2cFd()
    {
        reset();
    }
    I2cFd(const I2cFd &) = delete;
    I2cFd &operator=(const I2cFd &) = delete;
    I2cFd(I2cFd &&other) noexcept : fd_(other.fd_)
    {
        other.fd_ = -1;
    }

    int get() const
    {
        return fd_;
    }
    bool valid() const
    {
        return fd_ >= 0;
    }
    void reset()
    {
        if (fd_ >= 0)
            os::i2c_close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

// Writes "/dev/i2c-<bus>" into path.
void i2c_device_path(int bus, char (&path)[32]);

} // namespace boardprom
