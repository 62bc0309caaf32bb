// The linkmon server: request validation, commands, the client table and
// the listening socket.
#include "fakes/daemon_fixture.h"
#include "proto/proto.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace std::chrono_literals;

namespace
{

std::string word_bytes(uint64_t word, size_t len = 8)
{
    return std::string(reinterpret_cast<const char *>(&word), len);
}

class Server : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake_os::reset();
        fake_os::reset_daemon_globals();
    }

    // Serves one connection on descriptor fd that sends these bytes.
    std::string serve(int fd, const std::string &bytes)
    {
        if (!bytes.empty())
            fake_os::state().recv_data[fd].push_back(bytes);
        return fake_os::capture_stdout([&] { service_client(fd); });
    }

    static unsigned count_of(const std::string &text, const std::string &what)
    {
        unsigned n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    bool closed(int fd)
    {
        for (int c : fake_os::state().closed)
            if (c == fd)
                return true;
        return false;
    }
};

TEST_F(Server, SevenBytesAreRejectedWithMagic34)
{
    std::string out = serve(7, word_bytes(linkmon::encode_request(2, 7, 0x0200), 7));
    EXPECT_NE(std::string::npos, out.find("service_client_return")) << out;
    EXPECT_NE(std::string::npos,
              out.find("Client connect: Invalid vdi 2070200, action 0,command 0, magic 34\n"))
        << out;
    EXPECT_TRUE(closed(7));
    EXPECT_EQ(-1, linkmonsockfd[0]);
}

TEST_F(Server, ActionOneIsRejectedAndKeepsTheOldAction)
{
    fi_action = 2;
    fi_command = 0;
    std::string out = serve(7, word_bytes(linkmon::encode_request(1, 3, 0x0200)));
    EXPECT_NE(std::string::npos,
              out.find("Client connect: Invalid vdi 1030200, action 1,command 0, magic 1234\n"))
        << out;
    EXPECT_EQ(std::string::npos, out.find("service_client_return"));
    EXPECT_EQ(2, fi_action);
    EXPECT_EQ(0, fi_command);
    EXPECT_TRUE(closed(7));
}

TEST_F(Server, CommandNineIsRejectedAfterTheActionIsStored)
{
    fi_action = 2;
    std::string out = serve(7, word_bytes(linkmon::encode_request(0, 9, 0)));
    EXPECT_NE(std::string::npos,
              out.find("Client connect: Invalid vdi 90000, action 0,command 9, magic 1234\n"))
        << out;
    EXPECT_EQ(0, fi_action);
    EXPECT_TRUE(closed(7));
}

TEST_F(Server, FailedOrClosedPeerIsDroppedWithoutWaiting)
{
    fake_os::state().recv_errno[8] = ECONNRESET;
    std::string out = serve(8, "");
    EXPECT_NE(std::string::npos, out.find("linkmon: error 104 on recv\n")) << out;
    EXPECT_TRUE(closed(8));
    // The server comes here only once the peer has sent something: the
    // receive itself never waits.
    EXPECT_EQ(MSG_DONTWAIT, fake_os::state().recv_flags.back() & MSG_DONTWAIT);

    out = serve(9, "");
    EXPECT_NE(std::string::npos, out.find("linkmon: error ")) << out;
    EXPECT_TRUE(closed(9));
}

TEST_F(Server, StateRequestsPauseAndResumeAndRegister)
{
    serve(7, word_bytes(linkmon::encode_request(0, 0, 1)));
    EXPECT_EQ(1u, linkmonstate);
    std::string out = serve(8, word_bytes(linkmon::encode_request(2, 1, 1)));
    EXPECT_EQ(0x02010001u, linkmonstate);
    EXPECT_EQ(7, linkmonsockfd[0]);
    EXPECT_EQ(8, linkmonsockfd[1]);
    EXPECT_NE(std::string::npos, out.find("linkmon: New client 8 added at index 1\n")) << out;
}

TEST_F(Server, InjectionRequestArmsAndRegisters)
{
    serve(7, word_bytes(linkmon::encode_request(0, 3, (2 << 8) | (3 << 3) | 1)) + "extra");
    EXPECT_EQ(3, fi_command);
    EXPECT_EQ(0, fi_action);
    EXPECT_EQ(2, fi_bus);
    EXPECT_EQ(3, fi_dev);
    EXPECT_EQ(1, fi_func);
    EXPECT_EQ(7, linkmonsockfd[0]);
    EXPECT_FALSE(closed(7));
}

TEST_F(Server, StatusShowLogsOneRowAndRetargets)
{
    fake_os::add_row(1, 0, 0);
    FmeaDevice &two = fake_os::add_row(2, 0, 0);
    two.vendor = 0xF00D;
    fi_command = 4;
    std::string out = serve(7, word_bytes(linkmon::encode_request(2, 7, 0x0200)));
    EXPECT_NE(std::string::npos, out.find("01. f00d:1533 02:00.0")) << out;
    EXPECT_EQ(std::string::npos, out.find("00. 8086"));
    EXPECT_EQ(4, fi_command);
    EXPECT_EQ(2, fi_bus);
    EXPECT_TRUE(closed(7));
    EXPECT_EQ(-1, linkmonsockfd[0]);
}

TEST_F(Server, StatusShowOfZeroLogsEveryRowWithAVendor)
{
    fake_os::add_row(1, 0, 0);
    fake_os::add_row(2, 0, 0).vendor = 0;
    fake_os::add_row(3, 0, 0);
    std::string out = serve(7, word_bytes(linkmon::encode_request(2, 7, 0)));
    EXPECT_NE(std::string::npos, out.find("00. 8086:1533 01:00.0"));
    EXPECT_EQ(std::string::npos, out.find("01. "));
    EXPECT_NE(std::string::npos, out.find("02. 8086:1533 03:00.0"));
}

TEST_F(Server, StatusSetDoesNothing)
{
    fake_os::add_row(2, 0, 0);
    std::string out = serve(7, word_bytes(linkmon::encode_request(0, 7, 0x0200)));
    EXPECT_EQ(std::string::npos, out.find("8086:1533"));
    EXPECT_EQ(0, fi_bus);
    EXPECT_TRUE(closed(7));
}

TEST_F(Server, ClosedClientsSlotIsReused)
{
    fake_os::capture_stdout([] {
        add_linkmon_client(10);
        add_linkmon_client(11);
    });
    fake_os::state().peer_closed.insert(10);
    std::string out = fake_os::capture_stdout([] { add_linkmon_client(12); });
    EXPECT_NE(std::string::npos, out.find("linkmon: New client 12 added at index 0\n")) << out;
    EXPECT_EQ(12, linkmonsockfd[0]);
    EXPECT_EQ(11, linkmonsockfd[1]);
    EXPECT_TRUE(closed(10));
}

TEST_F(Server, FullTableIsFlushed)
{
    for (int i = 0; i < LINKMON_MAX_CLIENTS; ++i)
        linkmonsockfd[i] = 1000 + i;
    std::string out = fake_os::capture_stdout([] { add_linkmon_client(5); });
    EXPECT_NE(std::string::npos, out.find("linkmon: max client limit reached 1000\n"));
    EXPECT_EQ(std::string::npos, out.find("New client"));
    EXPECT_EQ(5, linkmonsockfd[0]);
    for (int i = 1; i < LINKMON_MAX_CLIENTS; ++i)
        ASSERT_EQ(-1, linkmonsockfd[i]);
    EXPECT_EQ(static_cast<size_t>(LINKMON_MAX_CLIENTS), fake_os::state().closed.size());
}

TEST_F(Server, PeerCheckReportsGoneAndClosedPeers)
{
    EXPECT_EQ(0, check_client_peer(20));
    fake_os::state().gone.insert(21);
    EXPECT_EQ(ENOTCONN, check_client_peer(21));
    fake_os::state().peer_closed.insert(22);
    EXPECT_NE(0, check_client_peer(22));
    EXPECT_EQ((std::vector<int>{21, 22}), fake_os::state().closed);
}

TEST_F(Server, ListenerSetUpMessages)
{
    std::string out =
        fake_os::capture_stdout([] { EXPECT_GE(linkmon::open_linkmon_listener(), 0); });
    EXPECT_NE(std::string::npos, out.find("server ip address: 268566538 ")) << out;
    EXPECT_NE(std::string::npos, out.find("Starting linkmon server..\n"));

    struct Case {
        int *knob;
        const char *message;
    } cases[] = {
        {&fake_os::state().socket_errno, "accept_linkmon_connections: socket err = 24\n"},
        {&fake_os::state().setsockopt_errno, "accept_linkmon_connections: setsockopt err = 24\n"},
        {&fake_os::state().listen_errno, "accept_linkmon_connections: listen err = 24\n"},
    };
    for (const Case &c : cases) {
        *c.knob = EMFILE;
        out = fake_os::capture_stdout([] { EXPECT_EQ(-1, linkmon::open_linkmon_listener()); });
        EXPECT_NE(std::string::npos, out.find(c.message)) << out;
        EXPECT_EQ(std::string::npos, out.find("Starting linkmon server"));
        *c.knob = 0;
    }
}

TEST_F(Server, DetachFailureEndsTheThread)
{
    fake_os::state().detach_result = EINVAL;
    std::string out =
        fake_os::capture_stdout([] { EXPECT_EQ(nullptr, accept_linkmon_connections(nullptr)); });
    EXPECT_NE(std::string::npos, out.find("accept_linkmon_connections: detach err = 22\n"));
}

TEST_F(Server, BindIsRetriedUntilTheAddressComes)
{
    // At boot 10.0.2.16 may come up after the daemon: the bind fails twice.
    fake_os::State &s = fake_os::state();
    s.bind_errno = EADDRNOTAVAIL;
    s.on_sleep = [&s](std::chrono::milliseconds) {
        if (s.sleeps.size() == 2)
            s.bind_errno = 0;
    };
    std::string out =
        fake_os::capture_stdout([] { EXPECT_GE(linkmon::open_linkmon_listener(), 0); });
    EXPECT_EQ("server ip address: 268566538 "
              "accept_linkmon_connections: bind err = 99\n"
              "Starting linkmon server..\n",
              fake_os::strip_log_prefixes(out));
    EXPECT_EQ((std::vector<std::string>{"sleep 5s", "sleep 5s"}), s.events);
}

TEST_F(Server, FailedAcceptPausesBeforeTheNext)
{
    fake_os::state().accept_results = {-EMFILE, 9};
    fake_os::state().recv_data[9].push_back(word_bytes(linkmon::encode_request(2, 7, 0)));
    linkmon::PendingPeers pending;
    std::string out = fake_os::capture_stdout([&] {
        for (int turn = 0; turn < 3; ++turn)
            linkmon::serve_turn(3, pending);
    });
    EXPECT_NE(std::string::npos, out.find("accept_linkmon_connections: accept err = 24\n"));
    ASSERT_EQ(1u, fake_os::state().events.size());
    EXPECT_EQ("sleep 100ms", fake_os::state().events[0]);
    EXPECT_TRUE(closed(9));
}

// The server thread's turns on a pending set, with the fake clock.
class ServerTurns : public Server
{
  protected:
    std::string turns(int n)
    {
        return fake_os::strip_log_prefixes(fake_os::capture_stdout([&] {
            for (int i = 0; i < n; ++i)
                linkmon::serve_turn(3, pending);
        }));
    }
    void connect_silent(int fd)
    {
        fake_os::state().accept_results.push_back(fd);
        fake_os::state().silent.insert(fd);
    }
    void connect_with(int fd, uint64_t word)
    {
        fake_os::state().accept_results.push_back(fd);
        fake_os::state().recv_data[fd].push_back(word_bytes(word));
    }
    void advance(std::chrono::milliseconds ms)
    {
        std::timespec &t = fake_os::state().mono;
        long long ns = t.tv_nsec + std::chrono::nanoseconds(ms).count();
        t.tv_sec += static_cast<time_t>(ns / 1000000000);
        t.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    linkmon::PendingPeers pending;
};

TEST_F(ServerTurns, SilentPeerHoldsUpNobodyAndGetsThreeSeconds)
{
    fake_os::add_row(2, 0, 0);
    connect_silent(10);
    connect_with(11, linkmon::encode_request(2, 7, 0x0200));
    std::string out = turns(2);
    EXPECT_NE(std::string::npos, out.find("00. 8086:1533 02:00.0")) << out;
    EXPECT_TRUE(closed(11));
    EXPECT_FALSE(closed(10));
    // The next wait lasts until the silent peer's time is up.
    turns(1);
    EXPECT_EQ(3000ms, fake_os::state().waits.back());

    advance(2999ms);
    turns(1);
    EXPECT_FALSE(closed(10));
    EXPECT_EQ(1ms, fake_os::state().waits.back());
    advance(1ms);
    out = turns(1);
    EXPECT_EQ("linkmon: error 11 on recv\n", out);
    EXPECT_TRUE(closed(10));
    EXPECT_EQ(0u, pending.size());
    turns(1);
    EXPECT_GT(0ms, fake_os::state().waits.back()) << "nothing left to wait for";
}

TEST_F(ServerTurns, FullSetMakesRoomByDroppingTheOldestSilentPeer)
{
    const int max = static_cast<int>(linkmon::settings::PENDING_PEERS_MAX);
    for (int fd = 100; fd < 100 + max; ++fd)
        connect_silent(fd);
    EXPECT_EQ("", turns(3));
    EXPECT_EQ(static_cast<size_t>(max), pending.size());
    EXPECT_TRUE(fake_os::state().closed.empty());

    fake_os::add_row(2, 0, 0);
    connect_with(50, linkmon::encode_request(2, 7, 0x0200));
    std::string out = turns(2);
    EXPECT_EQ(0u, out.find("linkmon: error 11 on recv\n00. 8086:1533 02:00.0")) << out;
    EXPECT_EQ((std::vector<int>{100, 50}), fake_os::state().closed);
    EXPECT_EQ(static_cast<size_t>(max - 1), pending.size());
    EXPECT_EQ(101, pending[0].fd);
}

TEST_F(ServerTurns, RefusalsPastFiveASecondAreCounted)
{
    for (int fd = 20; fd < 28; ++fd)
        connect_with(fd, linkmon::encode_request(1, 3, 0x0200));
    std::string out = turns(2);
    EXPECT_EQ(5u, count_of(out, "Client connect: Invalid vdi 1030200, action 1,command 0, magic "
                                "1234\n"))
        << out;
    EXPECT_EQ(std::string::npos, out.find("more requests")) << out;
    EXPECT_EQ(8u, fake_os::state().closed.size());
    // The server wakes up for the summary when its second is over.
    turns(1);
    EXPECT_EQ(1000ms, fake_os::state().waits.back());

    advance(1000ms);
    EXPECT_EQ("linkmon: 3 more requests rejected in the last second\n", turns(1));
    // A new second logs in full again, silent peers' failed receives among
    // them.
    connect_with(30, 0x99);
    fake_os::state().accept_results.push_back(31);
    fake_os::state().recv_errno[31] = ECONNRESET;
    out = turns(2);
    EXPECT_EQ("service_client_return"
              "Client connect: Invalid vdi 99, action 0,command 0, magic 0\n"
              "linkmon: error 104 on recv\n",
              out);
}

} // namespace
