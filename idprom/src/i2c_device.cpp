// Opening and binding an I2C character device, shared by the x86 road and
// the plain-transfer road.
#include "i2c_device.h"

#include <cerrno>
#include <cstdio>

namespace boardprom
{

I2cDevice i2c_open_bound(int bus, int addr, unsigned long request)
{
    I2cDevice dev;
    std::snprintf(dev.path, sizeof dev.path, kI2cDevicePattern, bus);
    dev.open_result = os::i2c_open(dev.path);
    dev.fd = I2cFd(dev.open_result);
    if (!dev.fd.valid()) {
        dev.failed = I2cOpenStep::Open;
        dev.error = errno;
        return dev;
    }
    if (os::i2c_bind(dev.fd.get(), request, addr) < 0) {
        dev.failed = I2cOpenStep::Bind;
        dev.error = errno;
        dev.fd.reset();
    }
    return dev;
}

} // namespace boardprom
