// Client mode: argument errors, the request it sends and its exit statuses.
#include "client/client.h"
#include "fakes/daemon_fixture.h"
#include "proto/proto.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

namespace
{

class ClientMode : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake_os::reset();
        fake_os::reset_daemon_globals();
    }

    int run(const char *address, const char *action, const char *command, const char *target,
            std::string *out)
    {
        char *argv[] = {const_cast<char *>("pcie_monitor"), const_cast<char *>(address),
                        const_cast<char *>(action),         const_cast<char *>(command),
                        const_cast<char *>(target),         nullptr};
        int rc = -1;
        *out = fake_os::capture_stdout([&] { rc = connect_linkmon(5, argv); });
        return rc;
    }

    // The client's socket is the first descriptor the fake hands out.
    static constexpr int kFd = 100;

    void reply(const std::string &bytes)
    {
        fake_os::state().recv_data[kFd].push_back(bytes);
    }
};

TEST(ClientArguments, RejectsWordsItDoesNotKnow)
{
    struct Case {
        const char *address, *action, *command, *message;
    } cases[] = {
        {"10.0.2.300", "show", "status", "connect_linkmon: cannot decode 10.0.2.300\n"},
        {"10.0.2.16", "SET", "link", "connect_linkmon: unknown action SET\n"},
        {"10.0.2.16", "get", "link", "connect_linkmon: unknown action get\n"},
        {"10.0.2.16", "set", "hitless", "connect_linkmon: unknown command hitless\n"},
        {"10.0.2.16", "set", "LINK", "connect_linkmon: unknown command LINK\n"},
    };
    for (const Case &c : cases) {
        fake_os::reset();
        fake_os::reset_daemon_globals();
        char *argv[] = {const_cast<char *>("pcie_monitor"), const_cast<char *>(c.address),
                        const_cast<char *>(c.action),       const_cast<char *>(c.command),
                        const_cast<char *>("02:00.0"),      nullptr};
        int rc = 0;
        std::string out = fake_os::capture_stdout([&] { rc = connect_linkmon(5, argv); });
        EXPECT_EQ(1, rc) << c.message;
        EXPECT_EQ(c.message, out);
        EXPECT_TRUE(fake_os::state().sent.empty()) << "nothing is sent for " << c.message;
    }
}

TEST_F(ClientMode, SendsTheEncodedWord)
{
    std::string out;
    EXPECT_EQ(0, run("10.0.2.16", "set", "pniclnk", "0000:03:1f.7", &out));
    uint64_t word = linkmon::encode_request(0, 5, 0x03FF);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&word), 8), fake_os::state().sent[kFd]);
}

TEST_F(ClientMode, BadTargetGoesOutAsZero)
{
    std::string out;
    EXPECT_EQ(0, run("10.0.2.16", "show", "status", "100:00.0", &out));
    uint64_t word = linkmon::encode_request(2, 7, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&word), 8), fake_os::state().sent[kFd]);
}

TEST_F(ClientMode, EndOfFileIsSuccess)
{
    std::string out;
    EXPECT_EQ(0, run("10.0.2.16", "show", "status", "02:00.0", &out));
    EXPECT_EQ("connect_linkmon: recv eof\n", out);
    EXPECT_EQ(std::vector<int>{kFd}, fake_os::state().closed);
}

TEST_F(ClientMode, RecordIsLoggedAndIsSuccess)
{
    FmeaDevice rec{};
    rec.new_link_status = 0xFFFF;
    rec.notify_mask = 1;
    rec.vendor = 0x8086;
    reply(std::string(reinterpret_cast<const char *>(&rec), sizeof rec));
    std::string out;
    EXPECT_EQ(0, run("10.0.2.16", "set", "link", "02:00.0", &out));
    EXPECT_NE(std::string::npos, out.find("NLS:0000ffff")) << out;
    EXPECT_NE(std::string::npos, out.find("NTFMSK:1 ")) << out;
}

TEST_F(ClientMode, FourByteStatusIsPrinted)
{
    int32_t status = -7;
    reply(std::string(reinterpret_cast<const char *>(&status), 4));
    std::string out;
    EXPECT_EQ(0, run("10.0.2.16", "set", "ues", "02:00.0", &out));
    EXPECT_EQ("connect_linkmon: recv -7\n", out);
}

TEST_F(ClientMode, OtherLengthsArePartial)
{
    reply(std::string(200, 'x'));
    std::string out;
    EXPECT_EQ(5, run("10.0.2.16", "set", "ues", "02:00.0", &out));
    EXPECT_EQ("connect_linkmon: partial recv expected 480 got 200\n", out);
}

TEST_F(ClientMode, ReceiveErrorIsTheStatus)
{
    fake_os::state().recv_errno[kFd] = ECONNRESET;
    std::string out;
    EXPECT_EQ(ECONNRESET, run("10.0.2.16", "set", "ues", "02:00.0", &out));
    EXPECT_EQ("connect_linkmon: recv error = 104\n", out);
}

TEST_F(ClientMode, RefusedConnectionIsStatusOne)
{
    fake_os::state().connect_errno = ECONNREFUSED;
    std::string out;
    EXPECT_EQ(1, run("10.0.2.16", "show", "status", "02:00.0", &out));
    EXPECT_EQ("Cannot connect to server errno = 111\n", out);
    EXPECT_EQ(std::vector<int>{kFd}, fake_os::state().closed);
}

TEST_F(ClientMode, SocketFailureIsStatusOne)
{
    fake_os::state().socket_errno = EMFILE;
    std::string out;
    EXPECT_EQ(1, run("10.0.2.16", "show", "status", "02:00.0", &out));
    EXPECT_EQ("connect_linkmon: socket err = 24\n", out);
}

TEST_F(ClientMode, ShortSendIsFive)
{
    fake_os::state().send_result[kFd] = 3;
    std::string out;
    EXPECT_EQ(5, run("10.0.2.16", "show", "status", "02:00.0", &out));
    EXPECT_EQ("connect_linkmon: send len = 3 err = 5\n", out);
}

TEST_F(ClientMode, FailedSendIsItsErrno)
{
    fake_os::state().send_result[kFd] = -1;
    fake_os::state().send_errno = EPIPE;
    std::string out;
    EXPECT_EQ(EPIPE, run("10.0.2.16", "show", "status", "02:00.0", &out));
    EXPECT_EQ("connect_linkmon: send len = -1 err = 32\n", out);
}

} // namespace
