// Notifications of changed devices to the registered clients, and the
// card reload after the loss of a critical device.
#include "app/app.h"
#include "app/log.h"
#include "os/os.h"
#include "pci/pci.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

#include <sys/socket.h>

#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_SKIP = "Skip %x notify %04x:%04x %02x:%02x.%x Name:%s HWID:%s\n";
inline constexpr const char *MSG_CRITICAL =
    "[%04x:%04x %02x:%02x.%x] Critical Device %s Name %s Down: Reloading Card\n";
inline constexpr size_t COMMAND_BUFFER_SIZE = 64;

// Sends the record to every registered client. A send never waits: a
// client whose socket cannot take the whole record at once (it has stopped
// reading, say) is closed and its slot freed, as for a failed send.
void send_to_clients_locked(const FmeaDevice &d)
{
    SlotFlags hang;
    find_hangups_locked(hang);
    for (int i = 0; i < LINKMON_MAX_CLIENTS; ++i) {
        int &fd = linkmonsockfd[i];
        if (fd < 0)
            continue;
        if (hang[i] && check_client_peer(fd) != 0) {
            fd = -1;
            continue;
        }
        ssize_t n = os::send(fd, &d, sizeof d, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n != static_cast<ssize_t>(sizeof d)) {
            os::close(fd);
            fd = -1;
        }
    }
}

void log_critical(const FmeaDevice &d)
{
    pcie_log(MSG_CRITICAL, d.vendor, d.device, d.bus, d.dev, d.func, d.hwid, d.name);
}

} // namespace

extern "C" int in_skip_window(const struct timespec *t)
{
    return t->tv_sec < skiptime.tv_sec ? 1 : 0;
}

extern "C" void notify_clients(unsigned row, unsigned mask)
{
    if (row >= FMEA_MAX_DEVICES)
        return;
    std::timespec now = {};
    os::clock_monotonic(&now);
    int quiet = in_skip_window(&now);
    std::lock_guard<std::mutex> hold_table(table_lock());
    std::lock_guard<std::mutex> hold(net_lock());
    FmeaDevice &d = fmea_devices[row];
    d.notify_mask = mask;
    if (!quiet)
        send_to_clients_locked(d);
    log_device(&d);
    if (quiet) {
        d.flags |= FLAG_NOTIFY_SKIPPED;
        pcie_log(MSG_SKIP, mask, d.vendor, d.device, d.bus, d.dev, d.func, d.name, d.hwid);
    }
    if (mask & NOTIFY_LINK) {
        d.link_status = d.new_link_status;
        d.new_link_status = 0;
    }
    if (mask & NOTIFY_UES) {
        d.ue_status = d.new_ue_status;
        d.new_ue_status = 0;
    }
    d.notify_sec = now.tv_sec;
    d.notify_nsec = now.tv_nsec;
    restore_injected_device_locked(row);
}

extern "C" int reload_card(unsigned row, unsigned mask)
{
    notify_clients(row, mask);
    os::sleep_for(settings::RELOAD_PAUSE);
    if (row < FMEA_MAX_DEVICES) {
        log_critical(fmea_devices[row]);
        log_critical(fmea_devices[row]);
    }
    char command[COMMAND_BUFFER_SIZE];
    std::memset(command, 0, sizeof command);
    std::strncpy(command, settings::RELOAD_COMMAND, sizeof command - 1);
    return os::system(command);
}
