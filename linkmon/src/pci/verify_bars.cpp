// verify_bars: after a lost link is back and has stayed back for a few
// passes, the function's base address registers are compared with those
// captured at discovery.
#include "app/log.h"
#include "pci/pci.h"
#include "pci/regs.h"
#include "settings.h"
#include "state/shared_state.h"

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_BARS_CHANGED = "BARs changed: %02x:%02x.%x: %x:%x:%x:%x:%x:%x\n";
inline constexpr const char *MSG_BARS_OK = "verify_bars %02x:%02x.%x OK\n";
inline constexpr const char *MSG_NEW_BARS = "NEW BARs: %02x:%02x.%x: %x:%x:%x:%x:%x:%x\n";

bool is_compared(const TrackedDevice *tracked, unsigned k)
{
    const uint32_t mask = tracked != nullptr ? tracked->bar_mask : 0;
    return mask == 0 || (mask & (1u << k)) != 0;
}

} // namespace

extern "C" int verify_bars(unsigned row, unsigned bus, unsigned dev, unsigned func)
{
    FmeaDevice &d = fmea_devices[row];
    if (d.debounce <= settings::BAR_DEBOUNCE_PASSES) {
        ++d.debounce;
        return 0;
    }
    d.loss_sec = 0;
    d.loss_nsec = 0;
    d.debounce = 0;
    if (d.tracked_idx == -1)
        return 0;
    const TrackedDevice *tracked = tracked_row_of(&d);
    int changed = 0;
    for (unsigned k = 0; k < BAR_COUNT; ++k) {
        const uint32_t now =
            d.bars[k] != 0 ? pci_cfg_read32(bus, devfn_of(dev, func), REG_BAR0 + 4 * k) : 0;
        d.new_bars[k] = now;
        if (is_compared(tracked, k) && now != d.bars[k])
            changed = 1;
    }
    const uint32_t *b = d.new_bars;
    if (changed != 0) {
        pcie_log(MSG_BARS_CHANGED, bus, dev, func, b[0], b[1], b[2], b[3], b[4], b[5]);
    } else {
        pcie_log(MSG_BARS_OK, bus, dev, func);
        pcie_log(MSG_NEW_BARS, bus, dev, func, b[0], b[1], b[2], b[3], b[4], b[5]);
    }
    return changed;
}
