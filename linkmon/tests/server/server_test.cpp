// The linkmon server: request validation, commands, the client table and
// the listening socket.
#include "fakes/daemon_fixture.h"
#include "proto/proto.h"
#include "server/server.h"
#include "state/shared_state.h"

#include <errno.h>
#include <gtest/gtest.h>

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

TEST_F(Server, SilentOrFailedPeerIsDroppedWithBoundedWait)
{
    std::string out = serve(7, "");
    EXPECT_NE(std::string::npos, out.find("linkmon: error ")) << out;
    EXPECT_TRUE(closed(7));
    EXPECT_GT(fake_os::state().recv_timeout[7], 0s);
    EXPECT_LE(fake_os::state().recv_timeout[7], 5s);

    fake_os::state().recv_errno[8] = EAGAIN;
    out = serve(8, "");
    EXPECT_NE(std::string::npos, out.find("linkmon: error 11 on recv\n")) << out;
    EXPECT_TRUE(closed(8));
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
        {&fake_os::state().bind_errno, "accept_linkmon_connections: bind err = 24\n"},
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

TEST_F(Server, FailedAcceptPausesBeforeTheNext)
{
    fake_os::state().accept_results = {-EMFILE, 9};
    fake_os::state().recv_data[9].push_back(word_bytes(linkmon::encode_request(2, 7, 0)));
    std::string out = fake_os::capture_stdout([] {
        linkmon::serve_next_connection(3);
        linkmon::serve_next_connection(3);
    });
    EXPECT_NE(std::string::npos, out.find("accept_linkmon_connections: accept err = 24\n"));
    ASSERT_EQ(1u, fake_os::state().events.size());
    EXPECT_EQ("sleep 100ms", fake_os::state().events[0]);
    EXPECT_TRUE(closed(9));
}

} // namespace
