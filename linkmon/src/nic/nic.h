// The physical NICs of the NIC list file: their rows in the device table,
// the link and error turns of their check, and the ethtool requests behind
// them.
#ifndef LINKMON_NIC_NIC_H
#define LINKMON_NIC_NIC_H

#include <cstddef>
#include <cstdint>

struct ethtool_stats;

extern "C" {

enum { NIC_LINK_UP = 0x2000 };

// ---- pnic_list.cpp: one row per listed interface ----------------------------------
extern int pnic_count;
void load_pnic_list(void);
void add_pnic_device(const char *text, size_t len);

// ---- pnic_check.cpp, nic_errors.cpp: the check of a NIC row -------------------------
int check_pnic(unsigned row);
int check_nic_errors(unsigned row, const char *name);

// ---- ethtool.cpp: requests through one cached datagram socket ------------------------
extern int ethtool_sock;
unsigned get_nic_link(const char *name, size_t len);
void *fetch_stat_names(const char *name, size_t len, uint32_t set, size_t fallback_offset,
                       int terminate);
int ethtool_ioctl(const char *name, size_t len, void *request);

} // extern "C"

namespace linkmon
{

// "8086:1533" gives the vendor ID at the start and the device ID after the
// colon.
void parse_pci_id(const char *text, uint32_t *vendor, uint32_t *device);

// The values of the statistics set (ETH_SS_STATS) whose names fetch_stat_names
// gave `count` of, in the names' order; null when they cannot be read or the
// set no longer has `count` values. The caller frees the block.
ethtool_stats *fetch_stat_values(const char *name, size_t len, size_t count,
                                 size_t fallback_offset);

} // namespace linkmon

#endif
