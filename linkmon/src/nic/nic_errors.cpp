// The error turn of a physical NIC: four named error counters sampled
// through ethtool, and error episodes that open and close.
#include "app/log.h"
#include "nic/nic.h"
#include "os/os.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

#include <linux/ethtool.h>

#include <cstdlib>
#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_COUNTER = "linkmon: %s:%s: %llu\n";
inline constexpr size_t DRVINFO_STATS_OFFSET = 180;

struct Counter {
    const char *name;
    int field;
};
inline constexpr Counter COUNTERS[] = {
    {"rx_errors", NIC_SAMPLE_RX_ERRORS},
    {"tx_errors", NIC_SAMPLE_TX_ERRORS},
    {"rx_crc_errors", NIC_SAMPLE_RX_CRC_ERRORS},
    {"rx_length_errors", NIC_SAMPLE_RX_LENGTH_ERRORS},
};

int counter_field(const char *name)
{
    for (const Counter &c : COUNTERS) {
        if (std::strcmp(c.name, name) == 0)
            return c.field;
    }
    return -1;
}

// Reads the counters into `sample` and returns their increase over the
// current sample of the row; *ok is false when they cannot be read.
uint64_t sample_counters(FmeaDevice &d, const char *name, uint64_t *sample, bool *ok)
{
    size_t len = std::strlen(name);
    auto *names = static_cast<ethtool_gstrings *>(
        fetch_stat_names(name, len, ETH_SS_STATS, DRVINFO_STATS_OFFSET, 0));
    *ok = false;
    if (names == nullptr)
        return 0;
    size_t count = names->len;
    ethtool_stats *stats = fetch_stat_values(name, len, count, DRVINFO_STATS_OFFSET);
    if (stats == nullptr) {
        std::free(names);
        return 0;
    }
    uint64_t increase = 0;
    for (size_t i = 0; i < count; ++i) {
        char stat[ETH_GSTRING_LEN + 1] = {};
        std::memcpy(stat, names->data + i * ETH_GSTRING_LEN, ETH_GSTRING_LEN);
        uint64_t value = stats->data[i];
        int field = std::strstr(stat, "error") != nullptr && value != 0 ? counter_field(stat) : -1;
        if (field < 0)
            continue;
        sample[field] = value;
        uint64_t diff = value - d.nic_cur[field];
        if (diff != 0) {
            increase += diff;
            pcie_log(MSG_COUNTER, name, stat, static_cast<unsigned long long>(value));
        }
    }
    std::free(stats);
    std::free(names);
    *ok = true;
    return increase;
}

} // namespace

extern "C" int check_nic_errors(unsigned row, const char *name)
{
    FmeaDevice &d = fmea_devices[row];
    uint64_t sample[NIC_SAMPLE_WORDS] = {};
    bool ok = false;
    uint64_t increase = sample_counters(d, name, sample, &ok);
    if (!ok)
        return CHECK_OK;
    // The injected increase goes into the sample first; the snapshot is taken
    // once the sample is stored, so that the restore keeps it.
    int action = 0;
    if (fi_probe(LINKMON_CMD_PNICERR, row, FI_LOOK, &action) != 0) {
        if (action == LINKMON_ACTION_SET) {
            increase = settings::NIC_ERRORS_INJECTED;
        } else {
            increase = 0;
            if (d.nic_cur[NIC_SAMPLE_SEC] != 0)
                d.nic_cur[NIC_SAMPLE_SEC] -= settings::NIC_EPISODE_AGEING_SEC;
        }
    }
    d.nic_errors = static_cast<uint32_t>(increase);
    std::timespec now = {};
    os::clock_monotonic(&now);
    sample[NIC_SAMPLE_SEC] = static_cast<uint64_t>(now.tv_sec);
    sample[NIC_SAMPLE_NSEC] = static_cast<uint64_t>(now.tv_nsec);
    if (increase != 0) {
        int verdict = d.nic_cur[NIC_SAMPLE_SEC] != 0 ? CHECK_OK : CHECK_NIC_ERRORS;
        std::memcpy(d.nic_prev, d.nic_cur, sizeof d.nic_prev);
        std::memcpy(d.nic_cur, sample, sizeof d.nic_cur);
        fi_probe(LINKMON_CMD_PNICERR, row, FI_SNAPSHOT, &action);
        return verdict;
    }
    uint64_t last = d.nic_cur[NIC_SAMPLE_SEC];
    if (last == 0 ||
        static_cast<int64_t>(sample[NIC_SAMPLE_SEC] - last) <= settings::NIC_ERROR_EPISODE_SEC)
        return CHECK_OK;
    d.nic_cur[NIC_SAMPLE_SEC] = 0;
    fi_probe(LINKMON_CMD_PNICERR, row, FI_SNAPSHOT, &action);
    return CHECK_NIC_ERRORS;
}
