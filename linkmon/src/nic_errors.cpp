// The error turn of a physical NIC: four named error counters sampled
// through ethtool, and error episodes that open and close.
#include "net_internal.h"
#include "net_os.h"
#include "net_settings.h"

#include <linux/ethtool.h>
#include <stdlib.h>
#include <string.h>

namespace linkmon {
namespace {

inline constexpr const char *kCounterMsg = "linkmon: %s:%s: %llu\n";
inline constexpr size_t kDrvinfoStatsOffset = 180;

struct Counter {
    const char *name;
    int field;
};
inline constexpr Counter kCounters[] = {
    {"rx_errors", NIC_SAMPLE_RX_ERRORS},
    {"tx_errors", NIC_SAMPLE_TX_ERRORS},
    {"rx_crc_errors", NIC_SAMPLE_RX_CRC_ERRORS},
    {"rx_length_errors", NIC_SAMPLE_RX_LENGTH_ERRORS},
};

int counter_field(const char *name)
{
    for (const Counter &c : kCounters) {
        if (strcmp(c.name, name) == 0)
            return c.field;
    }
    return -1;
}

struct StatsBlock {
    uint32_t cmd;
    uint32_t n_stats;
    uint64_t data[];
};

// Reads the counters into `sample` and returns their increase over the
// current sample of the row; *ok is false when they cannot be read.
uint64_t sample_counters(FmeaDevice &d, const char *name, uint64_t *sample, bool *ok)
{
    size_t len = strlen(name);
    auto *names = static_cast<ethtool_gstrings *>(
        fetch_stat_names(name, len, ETH_SS_STATS, kDrvinfoStatsOffset, 0));
    *ok = false;
    if (names == nullptr)
        return 0;
    size_t count = names->len;
    auto *stats = count == 0 ? nullptr
                             : static_cast<StatsBlock *>(calloc(1, 8 + 8 * count));
    if (stats == nullptr) {
        free(names);
        return 0;
    }
    stats->cmd = ETHTOOL_GSTATS;
    stats->n_stats = static_cast<uint32_t>(count);
    if (ethtool_ioctl(name, len, stats) != 0) {
        free(stats);
        free(names);
        return 0;
    }
    uint64_t increase = 0;
    for (size_t i = 0; i < count; ++i) {
        char stat[ETH_GSTRING_LEN + 1] = {};
        memcpy(stat, names->data + i * ETH_GSTRING_LEN, ETH_GSTRING_LEN);
        uint64_t value = stats->data[i];
        int field = strstr(stat, "error") != nullptr && value != 0 ? counter_field(stat) : -1;
        if (field < 0)
            continue;
        sample[field] = value;
        uint64_t diff = value - d.nic_cur[field];
        if (diff != 0) {
            increase += diff;
            pcie_log(kCounterMsg, name, stat, static_cast<unsigned long long>(value));
        }
    }
    free(stats);
    free(names);
    *ok = true;
    return increase;
}

} // namespace
} // namespace linkmon

extern "C" int check_nic_errors(unsigned row, const char *name)
{
    using namespace linkmon;
    FmeaDevice &d = fmea_devices[row];
    uint64_t sample[NIC_SAMPLE_WORDS] = {};
    bool ok = false;
    uint64_t increase = sample_counters(d, name, sample, &ok);
    if (!ok)
        return CHECK_OK;
    int action = 0;
    if (fi_target_action(LINKMON_CMD_PNICERR, row, &action)) {
        if (action == LINKMON_ACTION_SET) {
            increase = kNicErrorsInjected;
        } else {
            increase = 0;
            if (d.nic_cur[NIC_SAMPLE_SEC] != 0)
                d.nic_cur[NIC_SAMPLE_SEC] -= kNicEpisodeAgeingSec;
        }
    }
    d.nic_errors = static_cast<uint32_t>(increase);
    timespec now{};
    netos_monotonic(&now);
    sample[NIC_SAMPLE_SEC] = static_cast<uint64_t>(now.tv_sec);
    sample[NIC_SAMPLE_NSEC] = static_cast<uint64_t>(now.tv_nsec);
    if (increase != 0) {
        int verdict = d.nic_cur[NIC_SAMPLE_SEC] != 0 ? CHECK_OK : CHECK_NIC_ERRORS;
        memcpy(d.nic_prev, d.nic_cur, sizeof d.nic_prev);
        memcpy(d.nic_cur, sample, sizeof d.nic_cur);
        fi_snapshot_row(LINKMON_CMD_PNICERR, row);
        return verdict;
    }
    uint64_t last = d.nic_cur[NIC_SAMPLE_SEC];
    if (last == 0 || static_cast<int64_t>(sample[NIC_SAMPLE_SEC] - last) <= kNicErrorEpisodeSec)
        return CHECK_OK;
    d.nic_cur[NIC_SAMPLE_SEC] = 0;
    fi_snapshot_row(LINKMON_CMD_PNICERR, row);
    return CHECK_NIC_ERRORS;
}
