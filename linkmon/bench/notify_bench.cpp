// Notification fan-out over loopback: one record to 1000 registered
// clients, and a notification that meets 999 clients that stopped reading.
#include "../tests/concurrency/stdout_to_null.h"
#include "app/app.h"
#include "os/os.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kClients = LINKMON_MAX_CLIENTS;

struct Loopback {
    int listener = -1;
    sockaddr_in addr{};
    std::vector<int> peers; // the clients' ends

    Loopback()
    {
        linkmon::os::raise_nofile_limit();
        listener = socket(AF_INET, SOCK_STREAM, 0);
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len);
        listen(listener, 64);
    }
    ~Loopback()
    {
        close_all_clients();
        for (int fd : peers)
            close(fd);
        close(listener);
    }

    // Connects one client and registers the daemon's end in `slot`. A
    // stalled client has tiny buffers, filled up before it is registered.
    bool add(int slot, bool stalled)
    {
        int c = socket(AF_INET, SOCK_STREAM, 0);
        if (stalled) {
            int small = 1024;
            setsockopt(c, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        }
        if (connect(c, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
            close(c);
            return false;
        }
        int s = accept(listener, nullptr, nullptr);
        if (s < 0) {
            close(c);
            return false;
        }
        if (stalled) {
            int small = 4096;
            setsockopt(s, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
            fill(s);
        }
        peers.push_back(c);
        linkmonsockfd[slot] = s;
        return true;
    }

    // Sends until the socket takes nothing more, down to single bytes.
    static void fill(int s)
    {
        char junk[4096] = {};
        for (size_t chunk = sizeof junk; chunk > 0; chunk /= 2)
            while (send(s, junk, chunk, MSG_DONTWAIT | MSG_NOSIGNAL) > 0) {
            }
    }

    void drain()
    {
        char buf[8192];
        for (int fd : peers)
            while (recv(fd, buf, sizeof buf, MSG_DONTWAIT) > 0) {
            }
    }
};

int registered()
{
    int n = 0;
    for (int fd : linkmonsockfd)
        n += fd >= 0;
    return n;
}

void prepare_row()
{
    for (int &fd : linkmonsockfd)
        fd = -1;
    memset(&fmea_devices[0], 0, sizeof fmea_devices[0]);
    fmea_devices[0].vendor = 0x8086;
    n_fmea_devices = 1;
    skiptime = {0, 0};
}

void BM_NotifyThousandClients(benchmark::State &state)
{
    prepare_row();
    Loopback net;
    for (int i = 0; i < kClients; ++i) {
        if (!net.add(i, false)) {
            state.SkipWithError("cannot open 1000 loopback connections");
            return;
        }
    }
    StdoutToNull quiet;
    int64_t sent = 0;
    for (auto _ : state) {
        notify_clients(0, NOTIFY_LINK);
        if (++sent % 16 == 0) {
            state.PauseTiming();
            net.drain();
            state.ResumeTiming();
        }
    }
    state.counters["clients_kept"] = registered();
}
BENCHMARK(BM_NotifyThousandClients)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NotifyWithStalledClients(benchmark::State &state)
{
    StdoutToNull quiet;
    for (auto _ : state) {
        state.PauseTiming();
        prepare_row();
        Loopback net;
        bool ok = net.add(0, false);
        for (int i = 1; ok && i < kClients; ++i)
            ok = net.add(i, true);
        if (!ok) {
            state.SkipWithError("cannot open 1000 loopback connections");
            return;
        }
        usleep(100000);
        for (int i = 1; i < kClients; ++i)
            Loopback::fill(linkmonsockfd[i]);
        state.ResumeTiming();
        notify_clients(0, NOTIFY_LINK);
        state.PauseTiming();
        state.counters["clients_kept"] = registered();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NotifyWithStalledClients)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
