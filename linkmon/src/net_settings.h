// Compiled-in settings of the linkmon network side: server address and
// port, time bounds, files and the card reload command.
#ifndef LINKMON_NET_SETTINGS_H
#define LINKMON_NET_SETTINGS_H

#include <stddef.h>

namespace linkmon {

// The daemon listens on the host IP address of the card.
inline constexpr const char *kServerAddress = "10.0.2.16";
inline constexpr int kListenBacklog = 5;

// A peer gets this long to send its request word before the server gives
// up on it and serves the next connection.
inline constexpr int kRequestTimeoutMs = 3000;
// After a failing accept (out of descriptors, say) the server pauses this
// long before it accepts again.
inline constexpr int kAcceptRetryPauseMs = 100;

// Physical NIC list, one interface name per line, '+' marks a critical NIC.
inline constexpr const char *kPnicListPath = "/etc/init.d/pd_pnic_list.txt";
inline constexpr size_t kPnicPieceSize = 14;
inline constexpr const char *kUeventPathFormat = "/sys/class/net/%s/device/uevent";
inline constexpr int kNicErrorEpisodeSec = 300;
inline constexpr int kNicErrorsInjected = 100;
inline constexpr int kNicEpisodeAgeingSec = 301;
inline constexpr unsigned kNicInjectedLink = 0xFFFFDFFFu;

// Card reload.
inline constexpr const char *kReloadCommand = "/sbin/pdreboot -y";
inline constexpr unsigned kReloadPauseSec = 2;

} // namespace linkmon

#endif
