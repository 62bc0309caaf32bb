// Exported entry points: the access library's two register calls and the
// iofpga_sim_* control functions.
#include "controller.h"
#include "iofpga.h"
#include "iofpga_sim.h"

#include <cerrno>
#include <cstring>

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

using iofpga_sim::Channel;
using iofpga_sim::Locked;

namespace
{

// Runs fn(state) under the lock; errno-style result.
template <typename Fn> int with_state(Fn fn)
{
    Locked lock;
    if (lock.state() == nullptr)
        return lock.error();
    return fn(lock.state());
}

// Runs fn(channel) for a valid controller and channel.
template <typename Fn> int with_channel(int controller, int channel, Fn fn)
{
    return with_state([&](iofpga_sim::State *s) {
        Channel *ch = iofpga_sim::channel_of(s, controller, channel);
        return ch == nullptr ? EINVAL : fn(*ch);
    });
}

bool prom_range_ok(uint32_t offset, size_t len)
{
    return offset <= IOFPGA_SIM_PROM_SIZE && len <= IOFPGA_SIM_PROM_SIZE - offset;
}

} // namespace

SIM_EXPORT int iofpga_pci_read_memory_v2(uint32_t offset, uint32_t *value, int /*zero*/)
{
    if (value == nullptr)
        return EINVAL;
    return with_state(
        [&](iofpga_sim::State *s) { return iofpga_sim::register_read(s, offset, value); });
}

SIM_EXPORT int iofpga_pci_write_memory_v2(uint32_t offset, uint32_t value, int /*zero*/)
{
    return with_state(
        [&](iofpga_sim::State *s) { return iofpga_sim::register_write(s, offset, value); });
}

SIM_EXPORT int iofpga_sim_reset(void)
{
    return with_state([](iofpga_sim::State *s) {
        iofpga_sim::set_defaults(s);
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_prom_load(int controller, int channel, uint32_t offset,
                                    const uint8_t *data, size_t len)
{
    if ((data == nullptr && len != 0) || !prom_range_ok(offset, len))
        return EINVAL;
    return with_channel(controller, channel, [&](Channel &ch) {
        if (len != 0)
            std::memcpy(ch.prom + offset, data, len);
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_prom_fetch(int controller, int channel, uint32_t offset, uint8_t *out,
                                     size_t len)
{
    if ((out == nullptr && len != 0) || !prom_range_ok(offset, len))
        return EINVAL;
    return with_channel(controller, channel, [&](Channel &ch) {
        if (len != 0)
            std::memcpy(out, ch.prom + offset, len);
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_aux_set(int controller, int channel, uint8_t reg, uint8_t value)
{
    return with_channel(controller, channel, [&](Channel &ch) {
        ch.aux[reg] = value;
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_aux_get(int controller, int channel, uint8_t reg, uint8_t *value)
{
    if (value == nullptr)
        return EINVAL;
    return with_channel(controller, channel, [&](Channel &ch) {
        *value = ch.aux[reg];
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_set_present(int controller, int channel, enum iofpga_sim_device dev,
                                      int present)
{
    return with_channel(controller, channel, [&](Channel &ch) {
        (dev == IOFPGA_SIM_PROM ? ch.prom_present : ch.aux_present) = present ? 1 : 0;
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_reg_set(uint32_t offset, uint32_t value)
{
    if (offset % 4 != 0 || offset >= IOFPGA_SIM_REG_SPACE)
        return EINVAL;
    return with_state([&](iofpga_sim::State *s) {
        s->regs[offset / 4] = value;
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_reg_get(uint32_t offset, uint32_t *value)
{
    if (value == nullptr || offset % 4 != 0 || offset >= IOFPGA_SIM_REG_SPACE)
        return EINVAL;
    return with_state([&](iofpga_sim::State *s) {
        *value = s->regs[offset / 4];
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_set_busy(int controller, int channel, uint32_t now, uint32_t after_start)
{
    return with_channel(controller, channel, [&](Channel &ch) {
        ch.busy_now = now;
        ch.busy_after_start = after_start;
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_fail_reads(uint32_t offset, uint32_t count, int code)
{
    return with_state([&](iofpga_sim::State *s) {
        s->fail_read = {offset, count, code, 0};
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_fail_writes(uint32_t offset, uint32_t count, int code)
{
    return with_state([&](iofpga_sim::State *s) {
        s->fail_write = {offset, count, code, 0};
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_counters(uint64_t *reads, uint64_t *writes)
{
    return with_state([&](iofpga_sim::State *s) {
        if (reads != nullptr)
            *reads = s->reads;
        if (writes != nullptr)
            *writes = s->writes;
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_write_log(struct iofpga_sim_write *out, size_t max, size_t *n)
{
    if (n == nullptr || (out == nullptr && max != 0))
        return EINVAL;
    return with_state([&](iofpga_sim::State *s) {
        uint64_t held = s->log_count < iofpga_sim::kLogSize ? s->log_count : iofpga_sim::kLogSize;
        uint64_t take = held < max ? held : max;
        uint64_t first = s->log_count - take;
        for (uint64_t i = 0; i < take; ++i)
            out[i] = s->log[(first + i) % iofpga_sim::kLogSize];
        *n = static_cast<size_t>(take);
        return 0;
    });
}

SIM_EXPORT int iofpga_sim_clear_log(void)
{
    return with_state([](iofpga_sim::State *s) {
        s->log_count = 0;
        s->reads = 0;
        s->writes = 0;
        return 0;
    });
}
