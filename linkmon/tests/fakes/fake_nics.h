// Simulated network interfaces answering the ethtool requests.
#ifndef LINKMON_TESTS_FAKES_FAKE_NICS_H
#define LINKMON_TESTS_FAKES_FAKE_NICS_H

#include <map>
#include <stdint.h>
#include <string>
#include <utility>
#include <vector>

namespace fake_os
{

struct FakeNic {
    bool link = false;
    // Statistics in driver order.
    std::vector<std::pair<std::string, uint64_t>> stats;
    // The driver answers ETHTOOL_GSSET_INFO with EOPNOTSUPP and gives its
    // count through ETHTOOL_GDRVINFO instead.
    bool no_sset_info = false;
    // Statistics the driver adds once their names have been read: the
    // count grows between the names and the values.
    std::vector<std::pair<std::string, uint64_t>> added_after_names;
    // Statistics the driver adds once it has given its count, before the
    // names are read.
    std::vector<std::pair<std::string, uint64_t>> added_after_count;
};

// Set when a request declared fewer names or values than the driver holds:
// the kernel would have written past the end of the caller's block.
bool &nic_block_overrun();

// Installs the interfaces as the fake ethtool; unknown names fail with
// ENODEV. The map is read at each request.
void install_nics(std::map<std::string, FakeNic> *nics);

} // namespace fake_os

#endif
