// The ethtool requests of the NIC checks, all through one cached
// datagram socket.
#include "app/log.h"
#include "nic/nic.h"
#include "os/os.h"

#include <linux/ethtool.h>
#include <net/if.h>
#include <safe_str_lib.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

using namespace linkmon;

extern "C" {
int ethtool_sock = -1;
}

namespace
{

inline constexpr const char *MSG_SOCKET_FAILED = "socket returned errno = %d\n";
inline constexpr const char *MSG_IOCTL_FAILED = "SIOCETHTOOL returned errno = %d\n";
inline constexpr rsize_t IF_NAME_LIMIT = 15;

// The set-information block: command, reserved, set mask, one count.
struct SsetInfo {
    uint32_t cmd;
    uint32_t reserved;
    uint64_t sset_mask;
    uint32_t count;
    uint32_t pad;
};
static_assert(offsetof(SsetInfo, count) == sizeof(ethtool_sset_info), "count follows the mask");

inline constexpr size_t STRINGS_HEADER = offsetof(ethtool_gstrings, data);
static_assert(STRINGS_HEADER == 12, "command, set and count");

int ensure_socket()
{
    if (ethtool_sock == -1)
        ethtool_sock = os::socket(SOCK_DGRAM);
    return ethtool_sock;
}

// Fills the interface request; -1 when the name cannot be copied.
int prepare_request(ifreq *ifr, const char *name, void *block)
{
    std::memset(ifr, 0, sizeof *ifr);
    ifr->ifr_data = static_cast<char *>(block);
    return strncpy_s(ifr->ifr_name, sizeof ifr->ifr_name, name, IF_NAME_LIMIT) == 0 ? 0 : -1;
}

// The number of names in the set; -1 when it cannot be learnt.
long stat_count(const char *name, size_t len, uint32_t set, size_t fallback_offset)
{
    SsetInfo info{};
    info.cmd = ETHTOOL_GSSET_INFO;
    info.sset_mask = 1ull << set;
    if (ethtool_ioctl(name, len, &info) == 0)
        return info.sset_mask == 0 ? 0 : info.count;
    if (errno != EOPNOTSUPP || fallback_offset == 0)
        return -1;
    ethtool_drvinfo drv{};
    if (fallback_offset + sizeof(uint32_t) > sizeof drv)
        return -1;
    drv.cmd = ETHTOOL_GDRVINFO;
    if (ethtool_ioctl(name, len, &drv) != 0)
        return -1;
    uint32_t count;
    std::memcpy(&count, reinterpret_cast<const char *>(&drv) + fallback_offset, sizeof count);
    return count;
}

} // namespace

namespace linkmon
{

ethtool_stats *fetch_stat_values(const char *name, size_t len, size_t count, size_t fallback_offset)
{
    if (count == 0)
        return nullptr;
    // The driver writes as many values as it counts at the time of the
    // request, whatever n_stats says: the count is asked for again, and the
    // block has room for the larger of the two.
    const long now = stat_count(name, len, ETH_SS_STATS, fallback_offset);
    if (now < 0)
        return nullptr;
    const size_t room = static_cast<size_t>(now) > count ? static_cast<size_t>(now) : count;
    auto *block = static_cast<ethtool_stats *>(
        std::calloc(1, sizeof(ethtool_stats) + sizeof(uint64_t) * room));
    if (block == nullptr)
        return nullptr;
    block->cmd = ETHTOOL_GSTATS;
    block->n_stats = static_cast<uint32_t>(room);
    // A count other than the names' means the set changed in between: the
    // values no longer line up with the names.
    if (ethtool_ioctl(name, len, block) != 0 || block->n_stats != count) {
        std::free(block);
        return nullptr;
    }
    return block;
}

} // namespace linkmon

extern "C" int ethtool_ioctl(const char *name, size_t, void *request)
{
    if (ensure_socket() < 0)
        return -1;
    ifreq ifr;
    if (prepare_request(&ifr, name, request) != 0)
        return -1;
    return os::ioctl_ethtool(ethtool_sock, &ifr);
}

extern "C" unsigned get_nic_link(const char *name, size_t)
{
    if (ensure_socket() < 0) {
        pcie_log(MSG_SOCKET_FAILED, errno);
        return 0;
    }
    ethtool_value value{};
    value.cmd = ETHTOOL_GLINK;
    ifreq ifr;
    if (prepare_request(&ifr, name, &value) != 0)
        return 0;
    if (os::ioctl_ethtool(ethtool_sock, &ifr) != 0) {
        pcie_log(MSG_IOCTL_FAILED, errno);
        return 0;
    }
    return value.data != 0 ? NIC_LINK_UP : 0;
}

extern "C" void *fetch_stat_names(const char *name, size_t len, uint32_t set,
                                  size_t fallback_offset, int terminate)
{
    long count = stat_count(name, len, set, fallback_offset);
    if (count < 0)
        return nullptr;
    size_t n = static_cast<size_t>(count);
    auto *block =
        static_cast<ethtool_gstrings *>(std::calloc(1, STRINGS_HEADER + ETH_GSTRING_LEN * n));
    if (block == nullptr)
        return nullptr;
    block->cmd = ETHTOOL_GSTRINGS;
    block->string_set = set;
    block->len = static_cast<uint32_t>(n);
    // The kernel writes (and gives in len) the driver's current count: a
    // count that changed since it was asked for makes the names unusable.
    if (n != 0 && (ethtool_ioctl(name, len, block) != 0 || block->len != n)) {
        std::free(block);
        return nullptr;
    }
    if (terminate) {
        for (size_t i = 0; i < n; ++i)
            block->data[i * ETH_GSTRING_LEN + ETH_GSTRING_LEN - 1] = '\0';
    }
    return block;
}
