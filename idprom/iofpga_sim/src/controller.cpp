// The register space of the simulated FPGA: plain registers, the two bus
// controllers' channel banks and the transfers a start bit sets off.
#include "controller.h"

#include <cerrno>
#include <initializer_list>

namespace iofpga_sim
{
namespace
{

inline constexpr uint32_t kStart = 0x80000000u;
inline constexpr uint32_t kCurrentAddr = 0x40000000u;
inline constexpr uint32_t kNack = 0x01000000u;
inline constexpr uint32_t kRead = 0x00010000u;
inline constexpr int kMaxBytes = 4; // the data register's width

struct Bank {
    uint32_t control;
    uint32_t data;
    uint8_t prom_addr;
    uint8_t aux_addr;
};
inline constexpr Bank kBanks[kControllers] = {
    {0x224, 0x284, 0x50, 0x20},
    {0x254, 0x2B4, 0x57, 0x47},
};

// Which controller channel, if any, a register offset belongs to.
struct Where {
    int controller = 0; // 0: a plain register
    int channel = 0;
    bool control = false;
};

Where locate(uint32_t offset)
{
    for (int c = 0; c < kControllers; ++c) {
        for (bool control : {true, false}) {
            uint32_t base = control ? kBanks[c].control : kBanks[c].data;
            if (offset >= base && offset < base + 4u * IOFPGA_SIM_CHANNELS)
                return {c + 1, static_cast<int>((offset - base) / 4), control};
        }
    }
    return {};
}

bool consume(Injection &inj, uint32_t offset)
{
    if (inj.count == 0 || (inj.offset != IOFPGA_SIM_ANY_OFFSET && inj.offset != offset))
        return false;
    if (inj.count != IOFPGA_SIM_FOREVER)
        --inj.count;
    return true;
}

void write_bytes(Channel &ch, bool prom, uint8_t command, const uint8_t *bytes, int n)
{
    if (prom) {
        ch.prom_pointer = static_cast<uint16_t>(command << 8 | bytes[0]);
        for (int i = 1; i < n; ++i) {
            ch.prom[ch.prom_pointer % IOFPGA_SIM_PROM_SIZE] = bytes[i];
            ++ch.prom_pointer;
        }
        return;
    }
    ch.aux_pointer = command;
    for (int i = 0; i < n; ++i)
        ch.aux[ch.aux_pointer++] = bytes[i];
}

uint32_t read_bytes(Channel &ch, bool prom, bool current, uint8_t command, int n)
{
    if (!current) {
        if (prom)
            ch.prom_pointer = static_cast<uint16_t>(command << 8);
        else
            ch.aux_pointer = command;
    }
    uint32_t word = 0;
    for (int i = 0; i < n; ++i) {
        uint8_t b =
            prom ? ch.prom[ch.prom_pointer++ % IOFPGA_SIM_PROM_SIZE] : ch.aux[ch.aux_pointer++];
        word |= static_cast<uint32_t>(b) << (8 * i);
    }
    return word;
}

// Carries out the transfer a control word with the start bit describes and
// leaves the status (and, for a read, the data) in the channel's registers.
void run_transfer(State *s, int controller, int channel, uint32_t ctl)
{
    const Bank &bank = kBanks[controller - 1];
    Channel &ch = s->channels[controller - 1][channel];
    uint32_t &data = s->regs[(bank.data + 4u * channel) / 4];
    uint32_t &status = s->regs[(bank.control + 4u * channel) / 4];
    uint8_t addr = static_cast<uint8_t>((ctl >> 17) & 0x7F);
    uint8_t command = static_cast<uint8_t>(ctl >> 8);
    int n = static_cast<int>((ctl >> 25) & 0x1F) + 1;
    if (n > kMaxBytes)
        n = kMaxBytes;
    bool prom = addr == bank.prom_addr;
    bool present = prom ? ch.prom_present : (addr == bank.aux_addr && ch.aux_present);

    ch.busy_now = ch.busy_after_start;
    status = ctl & ~(kStart | kNack);
    if (!present) {
        status |= kNack;
        return;
    }
    if (ctl & kRead) {
        // The bytes read replace the low end of the data register; the
        // bytes above them keep what was there before.
        const uint32_t keep = n >= kMaxBytes ? 0 : ~0u << (8 * n);
        data = (data & keep) | read_bytes(ch, prom, (ctl & kCurrentAddr) != 0, command, n);
        return;
    }
    uint8_t bytes[kMaxBytes];
    for (int i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(data >> (8 * i));
    write_bytes(ch, prom, command, bytes, n);
}

bool valid_offset(uint32_t offset)
{
    return offset % 4 == 0 && offset < IOFPGA_SIM_REG_SPACE;
}

} // namespace

int register_read(State *s, uint32_t offset, uint32_t *value)
{
    ++s->reads;
    if (consume(s->fail_read, offset))
        return s->fail_read.code;
    if (!valid_offset(offset))
        return EINVAL;
    uint32_t v = s->regs[offset / 4];
    Where w = locate(offset);
    if (w.controller != 0 && w.control) {
        Channel &ch = s->channels[w.controller - 1][w.channel];
        if (ch.busy_now != 0) {
            v |= kStart;
            if (ch.busy_now != IOFPGA_SIM_FOREVER)
                --ch.busy_now;
        }
    }
    *value = v;
    return 0;
}

int register_write(State *s, uint32_t offset, uint32_t value)
{
    ++s->writes;
    if (consume(s->fail_write, offset))
        return s->fail_write.code;
    if (!valid_offset(offset))
        return EINVAL;
    s->log[s->log_count % kLogSize] = {offset, value};
    ++s->log_count;
    s->regs[offset / 4] = value;
    Where w = locate(offset);
    if (w.controller != 0 && w.control && (value & kStart))
        run_transfer(s, w.controller, w.channel, value);
    return 0;
}

} // namespace iofpga_sim
