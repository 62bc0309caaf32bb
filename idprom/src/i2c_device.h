// An I2C character device opened and bound to one device address: the
// first two steps of every transfer on the x86 and plain-transfer roads.
#pragma once

#include "os.h"
#include "settings.h"

namespace boardprom
{

// A move-only holder of an I2C device descriptor: closes it on scope exit
// without disturbing errno.
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
    I2cFd &operator=(I2cFd &&other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
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

// Which step of opening a bound device failed.
enum class I2cOpenStep { Done, Open, Bind };

struct I2cDevice {
    I2cFd fd{-1}; // valid only when failed is Done
    I2cOpenStep failed = I2cOpenStep::Done;
    int open_result = 0;          // what open returned
    int error = 0;                // errno of the failed step
    char path[kI2cPathSize] = {}; // "/dev/i2c-<bus>"
};

// Opens /dev/i2c-<bus> read-write and binds it to addr with `request`
// (I2C_SLAVE or I2C_SLAVE_FORCE).  Nothing is printed: each road reports a
// failure in its own words.  A descriptor whose bind failed is closed.
I2cDevice i2c_open_bound(int bus, int addr, unsigned long request);

} // namespace boardprom
