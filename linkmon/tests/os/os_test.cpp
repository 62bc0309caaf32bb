// The shipped platform edge on real loopback sockets: descriptors that do
// not leak into the shell commands, and a connect that gives up.
#include "os/os.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

using namespace std::chrono_literals;
namespace os = linkmon::os;

namespace
{

// A listening socket on 127.0.0.1 at a port the kernel picks.
int loopback_listener(int backlog, sockaddr_in *addr)
{
    int fd = os::socket(SOCK_STREAM);
    *addr = {};
    addr->sin_family = AF_INET;
    addr->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof *addr;
    if (fd < 0 || os::bind(fd, addr) != 0 || os::listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(addr), &len) != 0)
        return -1;
    return fd;
}

bool close_on_exec(int fd)
{
    return (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}

bool blocking(int fd)
{
    return (fcntl(fd, F_GETFL) & O_NONBLOCK) == 0;
}

TEST(OsSockets, EverySocketIsCloseOnExec)
{
    sockaddr_in addr;
    int listener = loopback_listener(4, &addr);
    ASSERT_GE(listener, 0);
    int datagram = os::socket(SOCK_DGRAM);
    int client = os::socket(SOCK_STREAM);
    ASSERT_EQ(0, os::connect(client, &addr, 1000ms)) << errno;
    int peer = os::accept(listener);
    ASSERT_GE(peer, 0);
    for (int fd : {listener, datagram, client, peer})
        EXPECT_TRUE(close_on_exec(fd)) << fd;
    EXPECT_TRUE(blocking(client)) << "a connected client waits for its reply";
    EXPECT_TRUE(blocking(peer));
    for (int fd : {listener, datagram, client, peer})
        close(fd);
}

TEST(OsSockets, ConnectGivesUpWhenTheListenerTakesNoMore)
{
    // Backlog 0 holds one connection nobody accepts; the next one's SYN is
    // dropped and its connect would wait for the kernel's retries.
    sockaddr_in addr;
    int listener = loopback_listener(0, &addr);
    ASSERT_GE(listener, 0);
    int first = os::socket(SOCK_STREAM);
    ASSERT_EQ(0, os::connect(first, &addr, 1000ms));
    int second = os::socket(SOCK_STREAM);
    EXPECT_EQ(-1, os::connect(second, &addr, 200ms));
    EXPECT_EQ(ETIMEDOUT, errno);
    for (int fd : {listener, first, second})
        close(fd);
}

} // namespace
