// The NIC list loader on any list file, with any uevent file for eth0:
// one row per piece of the list while the table has room, each a NIC row
// named by its piece without the critical mark and the line end.
//
// Input: the list text, then optionally a NUL and the uevent text of eth0.
// ethtool knows eth0 (link up) and eth1 (link down); other names fail.
#include "fakes/daemon_fixture.h"
#include "fakes/fake_nics.h"
#include "fakes/os_fake.h"
#include "nic/nic.h"
#include "settings.h"
#include "state/shared_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace
{

char sysfs_root[] = "/tmp/linkmon-fuzz-sysfs.XXXXXX";
std::string uevent_path;
std::map<std::string, fake_os::FakeNic> nics;

// The pieces fgets makes of the text with a buffer of 14 characters.
std::vector<std::string> pieces_of(const std::string &text)
{
    std::vector<std::string> pieces;
    const size_t limit = linkmon::settings::PNIC_PIECE_SIZE;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        end = std::min(end, at + limit);
        pieces.push_back(text.substr(at, end - at));
        at = end;
    }
    return pieces;
}

// The row name of a piece: up to the critical mark or the line end.
std::string name_of(const std::string &piece)
{
    std::string name = piece.substr(0, piece.find('\0'));
    name = name.substr(0, name.find('+'));
    return name.substr(0, name.find('\n'));
}

constexpr const char *kSysfsDirs[] = {"/sys", "/sys/class", "/sys/class/net", "/sys/class/net/eth0",
                                      "/sys/class/net/eth0/device"};

void remove_sysfs()
{
    unlink(uevent_path.c_str());
    for (size_t i = std::size(kSysfsDirs); i > 0; --i)
        rmdir((std::string(sysfs_root) + kSysfsDirs[i - 1]).c_str());
    rmdir(sysfs_root);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (mkdtemp(sysfs_root) == nullptr)
        std::abort();
    std::string dir;
    for (const char *part : kSysfsDirs) {
        dir = std::string(sysfs_root) + part;
        mkdir(dir.c_str(), 0700);
    }
    uevent_path = dir + "/uevent";
    std::atexit(remove_sysfs);
    nics["eth0"].link = true;
    nics["eth1"].link = false;
    // The rows' log lines are not looked at.
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fake_os::reset();
    fake_os::reset_daemon_globals();
    fake_os::install_nics(&nics);
    fake_os::state().sysfs_root = sysfs_root;
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t split = input.find('\0');
    const std::string list = input.substr(0, split);
    const std::string uevent = split == std::string::npos ? "" : input.substr(split + 1);
    fake_os::state().text_files[linkmon::settings::PNIC_LIST_PATH] = list;
    FILE *f = std::fopen(uevent_path.c_str(), "w");
    if (f == nullptr || std::fwrite(uevent.data(), 1, uevent.size(), f) != uevent.size() ||
        std::fclose(f) != 0)
        std::abort();

    load_pnic_list();

    const std::vector<std::string> pieces = pieces_of(list);
    if (pnic_count != static_cast<int>(pieces.size()))
        std::abort();
    const size_t rows = std::min<size_t>(pieces.size(), FMEA_MAX_DEVICES);
    if (n_fmea_devices != rows)
        std::abort();
    for (size_t i = 0; i < rows; ++i) {
        const FmeaDevice &d = fmea_devices[i];
        if (d.type != DEV_TYPE_PNIC || d.partner_idx != PIDX_PNIC || d.index != i)
            std::abort();
        if (std::memchr(d.hwid, '\0', sizeof d.hwid) == nullptr || name_of(pieces[i]) != d.hwid)
            std::abort();
        const bool critical =
            pieces[i].substr(0, pieces[i].find('\0')).find('+') != std::string::npos;
        if (((d.flags & FLAG_CRITICAL) != 0) != critical)
            std::abort();
        const unsigned link = name_of(pieces[i]) == "eth0" ? NIC_LINK_UP : 0;
        if (d.link_status != link || d.bus > 0xFF || d.dev > 0x1F || d.func > 7)
            std::abort();
    }
    return 0;
}
