// The server thread and the monitoring thread on real sockets at the same
// time: registrations, injections and status requests against
// notifications, snapshots, restores and the checks of a monitoring pass.
// Run under ThreadSanitizer.
#include "app/app.h"
#include "concurrency/stdout_to_null.h"
#include "monitor/monitor.h"
#include "nic/nic.h"
#include "pci/pci.h"
#include "proto/proto.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

constexpr int kRequests = 300;
constexpr int kNotifications = 600;

void reset_table()
{
    for (int &fd : linkmonsockfd)
        fd = -1;
    memset(fmea_devices, 0, sizeof(FmeaDevice) * 4);
    for (uint32_t i = 0; i < 4; ++i) {
        fmea_devices[i].index = i;
        fmea_devices[i].vendor = 0x8086;
        fmea_devices[i].bus = i + 1;
        fmea_devices[i].link_status = 0x2011;
    }
    n_fmea_devices = 4;
    fi_command = 0;
    skiptime = {0, 0};
}

uint64_t request_for(int i)
{
    switch (i % 4) {
    case 0:
        return linkmon::encode_request(LINKMON_ACTION_SET, LINKMON_CMD_LINK, (1 + i % 3) << 8);
    case 1:
        return linkmon::encode_request(LINKMON_ACTION_SHOW, LINKMON_CMD_STATUS, 2 << 8);
    case 2:
        return linkmon::encode_request(LINKMON_ACTION_SET, LINKMON_CMD_STATE0, 0);
    default:
        return linkmon::encode_request(LINKMON_ACTION_SHOW, LINKMON_CMD_UES, 3 << 8);
    }
}

// Drains a client's end; the number of bytes it had received.
size_t drain(int fd)
{
    size_t total = 0;
    char buf[4096];
    for (;;) {
        ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0)
            return total;
        total += static_cast<size_t>(n);
    }
}

TEST(NetRace, ServerAndMonitorShareTheTableAndTheInjection)
{
    StdoutToNull quiet;
    reset_table();
    std::vector<int> peers;

    std::thread server([&] {
        for (int i = 0; i < kRequests; ++i) {
            int sv[2];
            ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, sv));
            uint64_t word = request_for(i);
            ASSERT_EQ(8, send(sv[1], &word, sizeof word, 0));
            service_client(sv[0]);
            // Every third client goes away again; the next registration or
            // notification must free its slot.
            if (i % 3 == 2)
                close(sv[1]);
            else
                peers.push_back(sv[1]);
        }
    });
    std::thread monitor([] {
        for (int i = 0; i < kNotifications; ++i) {
            unsigned row = static_cast<unsigned>(i % 4);
            int action = 0;
            {
                // As a check does: the row changes under the table lock.
                std::lock_guard<std::mutex> hold(linkmon::table_lock());
                if (linkmon::fi_probe(LINKMON_CMD_LINK, row, linkmon::FI_SNAPSHOT, &action))
                    fmea_devices[row].new_link_status = 0xFFFF;
            }
            notify_clients(row, NOTIFY_LINK);
        }
    });
    server.join();
    monitor.join();

    // Every record arrives whole.
    for (int fd : peers) {
        EXPECT_EQ(0u, drain(fd) % sizeof(FmeaDevice));
        close(fd);
    }
    close_all_clients();
}

TEST(NetRace, FullTableFlushWhileNotifying)
{
    StdoutToNull quiet;
    reset_table();
    constexpr int kClients = 120;
    std::vector<int> peers;
    for (int i = 0; i < kClients; ++i) {
        int sv[2];
        ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, sv));
        add_linkmon_client(sv[0]);
        peers.push_back(sv[1]);
    }
    std::thread flusher([] {
        for (int i = 0; i < 50; ++i)
            close_all_clients();
    });
    std::thread monitor([] {
        for (int i = 0; i < 200; ++i)
            notify_clients(0, NOTIFY_LINK);
    });
    flusher.join();
    monitor.join();
    for (int fd : peers) {
        EXPECT_EQ(0u, drain(fd) % sizeof(FmeaDevice));
        close(fd);
    }
}

// Status requests for the whole table and for one row, one after the other
// on the server's side, while the monitoring thread appends NIC rows (the
// row counter grows) and then runs passes whose link checks find every link
// changed and notify.
TEST(NetRace, StatusStormDuringLinkChanges)
{
    StdoutToNull quiet;
    reset_table();
    // Configuration space of buses 0 to 4, the link status of each row's
    // function at its PCI Express capability.
    constexpr unsigned kCap = 0x40;
    std::vector<uint8_t> space(pci_cfg_offset(5, 0, 0, 0));
    mmucfg_base = space.data();
    auto set_links = [&](uint16_t status) {
        for (uint32_t i = 0; i < 4; ++i)
            memcpy(&space[pci_cfg_offset(i + 1, 0, 0, kCap + 0x12)], &status, sizeof status);
    };
    set_links(0x2011);
    for (uint32_t i = 0; i < 4; ++i) {
        fmea_devices[i].pcie_cap = kCap;
        fmea_devices[i].partner_idx = 0;
    }

    std::atomic<bool> done{false};
    std::atomic<int> served{0};
    std::thread server([&] {
        for (int i = 0; !done.load() || i < 50; ++i) {
            int sv[2];
            ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, sv));
            uint64_t word = linkmon::encode_request(LINKMON_ACTION_SHOW, LINKMON_CMD_STATUS,
                                                    i % 2 == 0 ? 0 : 2 << 8);
            ASSERT_EQ(8, send(sv[1], &word, sizeof word, 0));
            service_client(sv[0]);
            close(sv[1]);
            served.fetch_add(1);
        }
    });
    char name[16];
    for (int k = 0; k < 8; ++k) {
        snprintf(name, sizeof name, "lmrace%d", k);
        add_pnic_device(name, strlen(name));
    }
    for (int pass = 0; pass < 200; ++pass) {
        set_links(pass % 2 == 0 ? 0x2012 : 0x2011);
        monitor_pass();
    }
    done.store(true);
    server.join();
    EXPECT_EQ(12u, n_fmea_devices);
    EXPECT_EQ(0x2011u, fmea_devices[1].link_status);
    EXPECT_GE(served.load(), 50);
    mmucfg_base = nullptr;
    close_all_clients();
}

} // namespace
