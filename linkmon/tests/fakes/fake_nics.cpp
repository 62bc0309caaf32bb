// Simulated network interfaces for the ethtool fake.
#include "fakes/fake_nics.h"
#include "fakes/os_fake.h"

#include <errno.h>
#include <linux/ethtool.h>
#include <string.h>

namespace fake_os
{
namespace
{

int answer(FakeNic &nic, void *block)
{
    uint32_t cmd;
    memcpy(&cmd, block, sizeof cmd);
    auto *words = static_cast<uint32_t *>(block);
    uint32_t count = static_cast<uint32_t>(nic.stats.size());
    switch (cmd) {
    case ETHTOOL_GLINK:
        static_cast<ethtool_value *>(block)->data = nic.link ? 1 : 0;
        return 0;
    case ETHTOOL_GSSET_INFO:
        if (nic.no_sset_info) {
            errno = EOPNOTSUPP;
            return -1;
        }
        words[4] = count;
        nic.stats.insert(nic.stats.end(), nic.added_after_count.begin(),
                         nic.added_after_count.end());
        nic.added_after_count.clear();
        return 0;
    case ETHTOOL_GDRVINFO:
        static_cast<ethtool_drvinfo *>(block)->n_stats = count;
        return 0;
    // Like the kernel, both write the driver's current count, whatever the
    // block declares; the fake stops at the declared end and notes the
    // overrun instead.
    case ETHTOOL_GSTRINGS: {
        auto *strings = static_cast<ethtool_gstrings *>(block);
        nic_block_overrun() |= count > strings->len;
        for (uint32_t i = 0; i < count && i < strings->len; ++i)
            strncpy(reinterpret_cast<char *>(strings->data) + i * ETH_GSTRING_LEN,
                    nic.stats[i].first.c_str(), ETH_GSTRING_LEN);
        strings->len = count;
        nic.stats.insert(nic.stats.end(), nic.added_after_names.begin(),
                         nic.added_after_names.end());
        nic.added_after_names.clear();
        return 0;
    }
    case ETHTOOL_GSTATS: {
        auto *stats = static_cast<ethtool_stats *>(block);
        nic_block_overrun() |= count > stats->n_stats;
        for (uint32_t i = 0; i < count && i < stats->n_stats; ++i)
            stats->data[i] = nic.stats[i].second;
        stats->n_stats = count;
        return 0;
    }
    default:
        errno = EOPNOTSUPP;
        return -1;
    }
}

} // namespace

bool &nic_block_overrun()
{
    static bool overrun = false;
    return overrun;
}

void install_nics(std::map<std::string, FakeNic> *nics)
{
    nic_block_overrun() = false;
    state().ethtool = [nics](const std::string &name, void *block) {
        auto it = nics->find(name);
        if (it == nics->end()) {
            errno = ENODEV;
            return -1;
        }
        return answer(it->second, block);
    };
}

} // namespace fake_os
