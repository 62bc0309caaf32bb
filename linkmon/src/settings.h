// Compiled-in settings of pcie_monitor: paths, commands, intervals and the
// fixed sizes of the configuration window and the scan.
#ifndef LINKMON_SETTINGS_H
#define LINKMON_SETTINGS_H

#include <cstddef>
#include <cstdint>

namespace linkmon {

// Start-up and board selection
inline constexpr const char *BOARD_CONFIG_FILE = "/etc/init.d/veskaran_bootstrap.cfg";
inline constexpr const char *CARD_INDEX_PIPELINE =
    "cat /proc/cmdline | sed 's/^.*card_index=//' | cut -d' ' -f1";
inline constexpr const char *BOARDTYPE_PIPELINE =
    "cat /proc/cmdline | sed 's/^.*boardtype=//' | cut -d' ' -f1";
inline constexpr int CLIENT_MODE_ARGC = 5;
inline constexpr int SERVER_MODE_ARGC = 2;
inline constexpr unsigned STARTUP_DELAY_SEC = 90;
inline constexpr long QUIET_PERIOD_SEC = 210;

// Event log
inline constexpr std::size_t LOG_MESSAGE_SIZE = 256;
inline constexpr std::size_t LOG_DATE_SIZE = 64;

// Configuration access
inline constexpr const char *DEVMEM_PATH = "/dev/mem";
inline constexpr std::uint32_t MMCONFIG_WINDOW_SIZE = 0xC000000;
inline constexpr std::uint32_t MMCONFIG_ALIGN_MASK = MMCONFIG_WINDOW_SIZE - 1;
inline constexpr std::uint16_t MMCONFIG_VENDOR_CHECK = 0x8086;
inline constexpr std::size_t CFG_PAGE_SIZE = 4096;
inline constexpr unsigned CAP_TTL = 48;
inline constexpr unsigned EXT_CAP_TTL = 480;

// Discovery
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

// Monitoring loop and auto-clear
inline constexpr unsigned MONITOR_PERIOD_SEC = 1;
inline constexpr unsigned PAUSE_POLL_SEC = 2;
inline constexpr std::uint32_t LINKMON_PAUSED = 1;
inline constexpr std::uint32_t NCHECK_LOGS_INITIAL = 1;
inline constexpr unsigned BAR_DEBOUNCE_PASSES = 4;
inline constexpr long CRITICAL_LOSS_SEC = 1;
inline constexpr unsigned AUTO_CLEAR_PERIOD_SEC = 6;

} // namespace linkmon

#endif
