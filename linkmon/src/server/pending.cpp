// The turn of the server thread. Connections are taken as they come into a
// bounded set of pending peers; a request is carried out as soon as its
// peer has sent it, one at a time, so that a peer that connects and stays
// silent holds up nobody but itself. It gets 3 seconds, and when the set is
// full the oldest silent peer makes room for the next connection.
#include "app/log.h"
#include "os/os.h"
#include "server/server.h"
#include "settings.h"

#include <cerrno>

using namespace linkmon;

namespace
{

inline constexpr const char *SERVER_NAME = "accept_linkmon_connections";
inline constexpr const char *MSG_ACCEPT_FAILED = "%s: accept err = %d\n";

using std::chrono::milliseconds;

// How long the next wait may last: until the oldest peer's time is up or a
// summary of refusals is due; negative when nothing is due.
milliseconds next_wait(const PendingPeers &pending, MonoTime now)
{
    bool any = false;
    MonoTime due{};
    if (pending.size() != 0) {
        due = pending[0].since + settings::REQUEST_TIMEOUT;
        any = true;
    }
    MonoTime summary{};
    if (refusal_log.flush_due(&summary) && (!any || summary < due)) {
        due = summary;
        any = true;
    }
    if (!any)
        return milliseconds(-1);
    if (due <= now)
        return milliseconds(0);
    return std::chrono::ceil<milliseconds>(due - now);
}

// Peers whose time is up get one last receive, which fails (and is logged
// as a failed receive) unless their request has come just now.
void end_expired_waits(PendingPeers &pending, MonoTime now)
{
    while (pending.size() != 0 && now - pending[0].since >= settings::REQUEST_TIMEOUT)
        service_client(pending.take(0));
}

// Takes the connections that are waiting, a bounded number at a time.
void take_connections(int listen_fd, PendingPeers &pending)
{
    for (std::size_t k = 0; k < settings::ACCEPT_BATCH; ++k) {
        const int fd = os::accept(listen_fd);
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            pcie_log(MSG_ACCEPT_FAILED, SERVER_NAME, errno);
            // Out of descriptors, say: pause rather than spin.
            os::sleep_for(settings::ACCEPT_RETRY_PAUSE);
            return;
        }
        // The set is full: the oldest peer has been silent at every look
        // so far. One last receive serves it if its request came after all.
        const int oldest = pending.add(fd, mono_now());
        if (oldest >= 0)
            service_client(oldest);
    }
}

} // namespace

namespace linkmon
{

int PendingPeers::add(int fd, MonoTime now)
{
    int oldest = -1;
    if (n_ == peers_.size())
        oldest = take(0);
    peers_[n_++] = {fd, now};
    return oldest;
}

int PendingPeers::take(std::size_t i)
{
    const int fd = peers_[i].fd;
    for (std::size_t k = i + 1; k < n_; ++k)
        peers_[k - 1] = peers_[k];
    --n_;
    return fd;
}

void serve_turn(int listen_fd, PendingPeers &pending)
{
    const MonoTime now = mono_now();
    end_expired_waits(pending, now);
    refusal_log.flush(now);

    std::array<int, settings::PENDING_PEERS_MAX + 1> fds;
    std::array<unsigned char, settings::PENDING_PEERS_MAX + 1> ready{};
    const std::size_t n = pending.size() + 1;
    fds[0] = listen_fd;
    for (std::size_t i = 0; i < pending.size(); ++i)
        fds[i + 1] = pending[i].fd;
    if (os::poll_readable(fds.data(), n, ready.data(), next_wait(pending, now)) < 0) {
        if (errno != EINTR)
            os::sleep_for(settings::ACCEPT_RETRY_PAUSE);
        return;
    }
    // The requests that have come, in the order their connections came.
    std::size_t taken = 0;
    for (std::size_t i = 1; i < n; ++i) {
        if (ready[i] == 0)
            continue;
        service_client(pending.take(i - 1 - taken));
        ++taken;
    }
    if (ready[0] != 0)
        take_connections(listen_fd, pending);
}

} // namespace linkmon
