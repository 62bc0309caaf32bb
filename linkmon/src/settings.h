// Compiled-in settings of pcie_monitor: paths, commands, addresses,
// intervals and the fixed sizes of the configuration window and the scan.
#ifndef LINKMON_SETTINGS_H
#define LINKMON_SETTINGS_H

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace linkmon::settings
{

using std::chrono::milliseconds;
using std::chrono::seconds;

// ---- Start-up and board selection -------------------------------------------
inline constexpr const char *BOARD_CONFIG_FILE = "/etc/init.d/veskaran_bootstrap.cfg";
inline constexpr const char *CARD_INDEX_PIPELINE =
    "cat /proc/cmdline | sed 's/^.*card_index=//' | cut -d' ' -f1";
inline constexpr const char *BOARDTYPE_PIPELINE =
    "cat /proc/cmdline | sed 's/^.*boardtype=//' | cut -d' ' -f1";
inline constexpr int CLIENT_MODE_ARGC = 5;
inline constexpr int SERVER_MODE_ARGC = 2;
inline constexpr seconds STARTUP_DELAY{90};
// The quiet period ends this long after the start-up delay.
inline constexpr long QUIET_PERIOD_SEC = 210;

// ---- Event log -----------------------------------------------------------------
inline constexpr std::size_t LOG_MESSAGE_SIZE = 256;
inline constexpr std::size_t LOG_DATE_SIZE = 64;

// ---- Configuration access --------------------------------------------------------
inline constexpr const char *DEVMEM_PATH = "/dev/mem";
inline constexpr std::uint32_t MMCONFIG_WINDOW_SIZE = 0xC000000;
inline constexpr std::uint32_t MMCONFIG_ALIGN_MASK = MMCONFIG_WINDOW_SIZE - 1;
inline constexpr std::uint16_t MMCONFIG_VENDOR_CHECK = 0x8086;
inline constexpr std::size_t CFG_PAGE_SIZE = 4096;
inline constexpr unsigned CAP_TTL = 48;
inline constexpr unsigned EXT_CAP_TTL = 480;

// ---- Discovery -----------------------------------------------------------------
inline constexpr unsigned SCAN_LAST_BUS = 191;
inline constexpr unsigned SCAN_BUS0_DEVICES = 32;
inline constexpr unsigned SCAN_BUS0_FUNCTIONS = 8;
inline constexpr unsigned SCAN_DEVICES = 16;
inline constexpr unsigned SCAN_FUNCTIONS = 2;
inline constexpr const char *HWID_PATH_FORMAT = "/sys/bus/pci/devices/0000:%02x:%02x.%x/hwid";
inline constexpr const char *LSPCI_COMMAND_FORMAT = "lspci -vmm -s %x:%x.%x";
inline constexpr std::size_t HWID_READ_MAX = 23;
inline constexpr std::size_t SATA_PAGE_SIZE = 4096;
inline constexpr unsigned SATA_MAX_PORTS = 6;
inline constexpr unsigned SATA_WATCHED_PORTS = 2;

// ---- Monitoring loop and auto-clear ------------------------------------------------
inline constexpr seconds MONITOR_PERIOD{1};
inline constexpr seconds PAUSE_POLL{2};
inline constexpr std::uint32_t LINKMON_PAUSED = 1;
inline constexpr std::uint32_t NCHECK_LOGS_INITIAL = 1;
inline constexpr unsigned BAR_DEBOUNCE_PASSES = 4;
inline constexpr long CRITICAL_LOSS_SEC = 1;
inline constexpr seconds AUTO_CLEAR_PERIOD{6};

// ---- Physical NICs -----------------------------------------------------------------
// The NIC list: one interface name per line, '+' marks a critical NIC.
inline constexpr const char *PNIC_LIST_PATH = "/etc/init.d/pd_pnic_list.txt";
inline constexpr std::size_t PNIC_PIECE_SIZE = 14;
inline constexpr const char *UEVENT_PATH_FORMAT = "/sys/class/net/%s/device/uevent";
inline constexpr int NIC_ERROR_EPISODE_SEC = 300;
inline constexpr int NIC_ERRORS_INJECTED = 100;
inline constexpr int NIC_EPISODE_AGEING_SEC = 301;
inline constexpr unsigned NIC_INJECTED_LINK = 0xFFFFDFFFu;

// ---- Linkmon server ------------------------------------------------------------------
// The daemon listens on the host IP address of the card.
inline constexpr const char *SERVER_ADDRESS = "10.0.2.16";
// Connections the kernel holds for the server until it takes them; the
// server takes them as fast as they come, so this only absorbs bursts.
inline constexpr int LISTEN_BACKLOG = 128;
// Connections taken whose request word has not arrived yet. The server
// serves whichever of them has sent its request; when the set is full, the
// oldest silent one makes room for the next connection.
inline constexpr std::size_t PENDING_PEERS_MAX = 64;
// At most this many connections are taken in one turn of the server, so that
// every one of them is looked at before a later one can displace it.
inline constexpr std::size_t ACCEPT_BATCH = PENDING_PEERS_MAX / 2;
// A pending peer gets this long to send its request word; the expiry counts
// as a failed receive.
inline constexpr milliseconds REQUEST_TIMEOUT{3000};
// After a failing accept (out of descriptors, say) or a failing wait the
// server pauses this long before it goes on.
inline constexpr milliseconds ACCEPT_RETRY_PAUSE{100};
// While the server address cannot be bound (not configured yet at boot),
// the server tries again this often.
inline constexpr seconds BIND_RETRY_PAUSE{5};
// Refused connections logged in full per second; the rest of that second
// are counted and summed up in one line.
inline constexpr unsigned REFUSALS_LOGGED_PER_SECOND = 5;
inline constexpr seconds REFUSAL_WINDOW{1};

// ---- Client mode ---------------------------------------------------------------------
// How long the client waits for the daemon to take its connection. Once
// connected it waits for a reply as long as it must.
inline constexpr milliseconds CONNECT_TIMEOUT{5000};

// ---- Card reload -----------------------------------------------------------------------
inline constexpr const char *RELOAD_COMMAND = "/sbin/pdreboot -y";
inline constexpr seconds RELOAD_PAUSE{2};

} // namespace linkmon::settings

#endif
