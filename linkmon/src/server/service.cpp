// One linkmon request on an accepted connection: validation, the state
// and injection commands and the status dump.
#include "app/log.h"
#include "os/os.h"
#include "pci/pci.h"
#include "proto/proto.h"
#include "server/server.h"
#include "settings.h"
#include "state/shared_state.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_RECV_FAILED = "linkmon: error %d on recv\n";
inline constexpr const char *MSG_BAD_MAGIC = "service_client_return";
inline constexpr const char *MSG_REJECT =
    "Client connect: Invalid vdi %x, action %d,command %d, magic %x\n";

// Counts a refused connection: true when its lines are to be logged.
bool log_refusal()
{
    return refusal_log.admit(mono_now());
}

void reject(int fd, const Request &r, unsigned action, unsigned command)
{
    if (log_refusal())
        pcie_log(MSG_REJECT, r.vdi, static_cast<int>(action), static_cast<int>(command), r.magic);
    os::close(fd);
}

// 0 and the decoded request when it passes the tests, else -1 (the
// connection is then closed).
int read_request(int fd, Request *out)
{
    uint8_t bytes[sizeof(LinkmonRequest)] = {};
    // The server comes here once the peer has sent something, or when its
    // wait is over: the receive itself never waits.
    ssize_t n = os::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
    if (n <= 0) {
        const int err = errno;
        if (log_refusal())
            pcie_log(MSG_RECV_FAILED, err);
        os::close(fd);
        return -1;
    }
    Request r = decode_request(bytes, static_cast<size_t>(n));
    if (r.magic != LINKMON_MAGIC) {
        if (log_refusal()) {
            pcie_log(MSG_BAD_MAGIC);
            pcie_log(MSG_REJECT, r.vdi, 0, 0, r.magic);
        }
        os::close(fd);
        return -1;
    }
    if (r.action != LINKMON_ACTION_SET && r.action != LINKMON_ACTION_SHOW) {
        reject(fd, r, r.action, 0);
        return -1;
    }
    {
        std::lock_guard<std::mutex> hold(net_lock());
        fi_action = static_cast<int>(r.action);
    }
    if (r.command > LINKMON_CMD_MAX) {
        reject(fd, r, r.action, r.command);
        return -1;
    }
    *out = r;
    return 0;
}

void serve_status(int fd, const Request &r)
{
    if (r.action == LINKMON_ACTION_SHOW) {
        {
            std::lock_guard<std::mutex> hold(net_lock());
            fi_retarget_locked(r.bus, r.dev, r.func);
        }
        show_device_status(r.bus, r.dev, r.func);
    }
    os::close(fd);
}

} // namespace

extern "C" void service_client(int fd)
{
    Request r{};
    if (read_request(fd, &r) != 0)
        return;
    switch (r.command) {
    case LINKMON_CMD_STATE0:
    case LINKMON_CMD_STATE1:
        __atomic_store_n(&linkmonstate, r.vdi, __ATOMIC_RELAXED);
        add_linkmon_client(fd);
        break;
    case LINKMON_CMD_STATUS:
        serve_status(fd, r);
        break;
    default: {
        std::lock_guard<std::mutex> hold(net_lock());
        fi_arm_locked(static_cast<int>(r.command), r.bus, r.dev, r.func);
    }
        add_linkmon_client(fd);
        break;
    }
}

namespace
{

// The rows a status request logs, in table order: every row with a vendor
// ID for 00:00.0, else the first row at the address. Returns how many were
// put into `out` (room for FMEA_MAX_DEVICES rows).
uint32_t select_rows_locked(unsigned bus, unsigned dev, unsigned func, FmeaDevice *out)
{
    const bool all = bus == 0 && dev == 0 && func == 0;
    const uint32_t n = std::min<uint32_t>(n_fmea_devices, FMEA_MAX_DEVICES);
    uint32_t count = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const FmeaDevice &d = fmea_devices[i];
        if (all) {
            if (d.vendor != 0)
                out[count++] = d;
        } else if (d.bus == bus && d.dev == dev && d.func == func) {
            out[count++] = d;
            break;
        }
    }
    return count;
}

} // namespace

extern "C" void show_device_status(unsigned bus, unsigned dev, unsigned func)
{
    // The rows are copied under the table lock and logged after it, so that
    // the monitoring goes on while the lines are written.
    std::unique_ptr<FmeaDevice[]> rows(new (std::nothrow) FmeaDevice[FMEA_MAX_DEVICES]);
    if (!rows)
        return;
    uint32_t count = 0;
    {
        std::lock_guard<std::mutex> hold(table_lock());
        count = select_rows_locked(bus, dev, func, rows.get());
    }
    for (uint32_t i = 0; i < count; ++i)
        log_device(&rows[i]);
}
