// Link-time replacement of src/os/sse_os.cpp for the unit tests.
#include "fake_driver.h"

#include <cstring>
#include <memory>
#include <thread>

#include "sse_os.h"

namespace fake
{

namespace
{

std::unique_ptr<Driver> instance = std::make_unique<Driver>();

} // namespace

std::vector<Command> Driver::recorded()
{
    const std::lock_guard guard(commands_lock);
    return commands;
}

Driver &driver()
{
    return *instance;
}

void reset()
{
    instance = std::make_unique<Driver>();
}

} // namespace fake

namespace ssecall
{

int sse_os_open(const char *path, int flags)
{
    fake::Driver &d = fake::driver();
    d.open_attempts.fetch_add(1);
    if (d.open_delay.count() != 0)
        std::this_thread::sleep_for(d.open_delay);
    {
        const std::lock_guard guard(d.commands_lock);
        d.last_path = path;
        d.last_flags = flags;
    }
    if (!d.present) {
        errno = d.open_errno;
        return -1;
    }
    return d.first_descriptor + d.opens.fetch_add(1);
}

int sse_os_ioctl(int fd, unsigned long request, SseRecord *record)
{
    fake::Driver &d = fake::driver();
    fake::Command command{fd, request, {}};
    std::memcpy(command.record.data(), record, command.record.size());
    {
        const std::lock_guard guard(d.commands_lock);
        d.commands.push_back(command);
    }
    return d.handler(request, record);
}

} // namespace ssecall
