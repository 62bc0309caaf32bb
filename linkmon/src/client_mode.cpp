// Client mode: one request to a running daemon, and what comes back.
#include "net_os.h"
#include "request.h"

#include "pcie_monitor.h"

#include <arpa/inet.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>

namespace linkmon {
namespace {

inline constexpr const char *kClientName = "connect_linkmon";
inline constexpr const char *kDecodeErrMsg = "%s: cannot decode %s\n";
inline constexpr const char *kUnknownActionMsg = "%s: unknown action %s\n";
inline constexpr const char *kUnknownCommandMsg = "%s: unknown command %s\n";
inline constexpr const char *kSocketErrMsg = "%s: socket err = %d\n";
inline constexpr const char *kConnectErrMsg = "Cannot connect to server errno = %d\n";
inline constexpr const char *kSendErrMsg = "%s: send len = %ld err = %d\n";
inline constexpr const char *kRecvStatusMsg = "%s: recv %d\n";
inline constexpr const char *kRecvEofMsg = "%s: recv eof\n";
inline constexpr const char *kRecvErrorMsg = "%s: recv error = %d\n";
inline constexpr const char *kPartialMsg = "%s: partial recv expected %ld got %ld\n";
inline constexpr int kShortTransfer = 5;

struct Word {
    const char *text;
    int code;
};

inline constexpr Word kActions[] = {{"set", LINKMON_ACTION_SET}, {"show", LINKMON_ACTION_SHOW}};
// "hitless", which the usage text names, is deliberately not a command.
inline constexpr Word kCommands[] = {
    {"sata", LINKMON_CMD_SATA},       {"link", LINKMON_CMD_LINK},
    {"ues", LINKMON_CMD_UES},         {"pniclnk", LINKMON_CMD_PNICLNK},
    {"pnicerr", LINKMON_CMD_PNICERR}, {"status", LINKMON_CMD_STATUS},
};

template <size_t N> int lookup(const Word (&table)[N], const char *text)
{
    for (const Word &w : table) {
        if (strcmp(w.text, text) == 0)
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
    free(copy);
    return bdf;
}

int receive_reply(int fd)
{
    FmeaDevice reply;
    memset(&reply, 0, sizeof reply);
    ssize_t n = netos_recv(fd, &reply, sizeof reply, 0);
    int err = errno;
    netos_close(fd);
    if (n == static_cast<ssize_t>(sizeof reply)) {
        log_device(&reply);
        return 0;
    }
    if (n == 4) {
        int status;
        memcpy(&status, &reply, sizeof status);
        printf(kRecvStatusMsg, kClientName, status);
        return 0;
    }
    if (n == 0) {
        printf(kRecvEofMsg, kClientName);
        return 0;
    }
    if (n < 0) {
        printf(kRecvErrorMsg, kClientName, err);
        return err;
    }
    printf(kPartialMsg, kClientName, static_cast<long>(sizeof reply), static_cast<long>(n));
    return kShortTransfer;
}

int exchange(const in_addr &server, uint64_t word)
{
    int fd = netos_socket(SOCK_STREAM);
    if (fd < 0) {
        printf(kSocketErrMsg, kClientName, errno);
        return 1;
    }
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(LINKMON_PORT);
    sa.sin_addr = server;
    if (netos_connect(fd, &sa) != 0) {
        printf(kConnectErrMsg, errno);
        netos_close(fd);
        return 1;
    }
    ssize_t sent = netos_send(fd, &word, sizeof word, 0);
    if (sent != static_cast<ssize_t>(sizeof word)) {
        int code = sent == -1 ? errno : kShortTransfer;
        netos_close(fd);
        printf(kSendErrMsg, kClientName, static_cast<long>(sent), code);
        return code;
    }
    return receive_reply(fd);
}

} // namespace
} // namespace linkmon

extern "C" int connect_linkmon(int argc, char **argv)
{
    using namespace linkmon;
    if (argc < 5)
        return 1;
    in_addr server{};
    if (inet_aton(argv[1], &server) == 0) {
        printf(kDecodeErrMsg, kClientName, argv[1]);
        return 1;
    }
    int action = lookup(kActions, argv[2]);
    if (action < 0) {
        printf(kUnknownActionMsg, kClientName, argv[2]);
        return 1;
    }
    int command = lookup(kCommands, argv[3]);
    if (command < 0) {
        printf(kUnknownCommandMsg, kClientName, argv[3]);
        return 1;
    }
    uint64_t word = encode_request(static_cast<unsigned>(action), static_cast<unsigned>(command),
                                   target_address(argv[4]));
    int rc = exchange(server, word);
    fflush(stdout);
    return rc;
}
