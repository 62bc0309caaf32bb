// Client mode: one request to a running daemon, and what comes back.
#include "client/client.h"
#include "os/os.h"
#include "pci/pci.h"
#include "proto/proto.h"
#include "settings.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *CLIENT_NAME = "connect_linkmon";
inline constexpr const char *MSG_DECODE_FAILED = "%s: cannot decode %s\n";
inline constexpr const char *MSG_UNKNOWN_ACTION = "%s: unknown action %s\n";
inline constexpr const char *MSG_UNKNOWN_COMMAND = "%s: unknown command %s\n";
inline constexpr const char *MSG_SOCKET_FAILED = "%s: socket err = %d\n";
inline constexpr const char *MSG_CONNECT_FAILED = "Cannot connect to server errno = %d\n";
inline constexpr const char *MSG_SEND_FAILED = "%s: send len = %ld err = %d\n";
inline constexpr const char *MSG_RECV_STATUS = "%s: recv %d\n";
inline constexpr const char *MSG_RECV_EOF = "%s: recv eof\n";
inline constexpr const char *MSG_RECV_FAILED = "%s: recv error = %d\n";
inline constexpr const char *MSG_PARTIAL = "%s: partial recv expected %ld got %ld\n";
inline constexpr int SHORT_TRANSFER = 5;

struct Word {
    const char *text;
    int code;
};

inline constexpr Word ACTIONS[] = {{"set", LINKMON_ACTION_SET}, {"show", LINKMON_ACTION_SHOW}};
// "hitless", which the usage text names, is deliberately not a command.
inline constexpr Word COMMANDS[] = {
    {"sata", LINKMON_CMD_SATA},       {"link", LINKMON_CMD_LINK},
    {"ues", LINKMON_CMD_UES},         {"pniclnk", LINKMON_CMD_PNICLNK},
    {"pnicerr", LINKMON_CMD_PNICERR}, {"status", LINKMON_CMD_STATUS},
};

template <size_t N> int lookup(const Word (&table)[N], const char *text)
{
    for (const Word &w : table) {
        if (std::strcmp(w.text, text) == 0)
            return w.code;
    }
    return -1;
}

unsigned target_address(const char *text)
{
    char *copy = strdup(text);
    if (copy == nullptr)
        return 0;
    unsigned bdf = static_cast<unsigned>(parse_pci_slot(copy)) & 0xFFFFu;
    std::free(copy);
    return bdf;
}

int receive_reply(int fd)
{
    FmeaDevice reply;
    std::memset(&reply, 0, sizeof reply);
    ssize_t n = os::recv(fd, &reply, sizeof reply, 0);
    int err = errno;
    os::close(fd);
    if (n == static_cast<ssize_t>(sizeof reply)) {
        log_device(&reply);
        return 0;
    }
    if (n == 4) {
        int status;
        std::memcpy(&status, &reply, sizeof status);
        std::printf(MSG_RECV_STATUS, CLIENT_NAME, status);
        return 0;
    }
    if (n == 0) {
        std::printf(MSG_RECV_EOF, CLIENT_NAME);
        return 0;
    }
    if (n < 0) {
        std::printf(MSG_RECV_FAILED, CLIENT_NAME, err);
        return err;
    }
    std::printf(MSG_PARTIAL, CLIENT_NAME, static_cast<long>(sizeof reply), static_cast<long>(n));
    return SHORT_TRANSFER;
}

int exchange(const in_addr &server, uint64_t word)
{
    int fd = os::socket(SOCK_STREAM);
    if (fd < 0) {
        std::printf(MSG_SOCKET_FAILED, CLIENT_NAME, errno);
        return 1;
    }
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(LINKMON_PORT);
    sa.sin_addr = server;
    // A daemon that does not take the connection (its queue is full, say)
    // does not hold the client for ever.
    if (os::connect(fd, &sa, settings::CONNECT_TIMEOUT) != 0) {
        std::printf(MSG_CONNECT_FAILED, errno);
        os::close(fd);
        return 1;
    }
    ssize_t sent = os::send(fd, &word, sizeof word, 0);
    if (sent != static_cast<ssize_t>(sizeof word)) {
        int code = sent == -1 ? errno : SHORT_TRANSFER;
        os::close(fd);
        std::printf(MSG_SEND_FAILED, CLIENT_NAME, static_cast<long>(sent), code);
        return code;
    }
    return receive_reply(fd);
}

} // namespace

extern "C" int connect_linkmon(int argc, char **argv)
{
    if (argc < 5)
        return 1;
    in_addr server{};
    if (inet_aton(argv[1], &server) == 0) {
        std::printf(MSG_DECODE_FAILED, CLIENT_NAME, argv[1]);
        return 1;
    }
    int action = lookup(ACTIONS, argv[2]);
    if (action < 0) {
        std::printf(MSG_UNKNOWN_ACTION, CLIENT_NAME, argv[2]);
        return 1;
    }
    int command = lookup(COMMANDS, argv[3]);
    if (command < 0) {
        std::printf(MSG_UNKNOWN_COMMAND, CLIENT_NAME, argv[3]);
        return 1;
    }
    uint64_t word = encode_request(static_cast<unsigned>(action), static_cast<unsigned>(command),
                                   target_address(argv[4]));
    int rc = exchange(server, word);
    std::fflush(stdout);
    return rc;
}
