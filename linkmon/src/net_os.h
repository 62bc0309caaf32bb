// The linkmon network side's edge to the outside world: sockets, the
// ethtool ioctl, the shell, sleeps and the monotonic clock. The shipped
// program links os/net_os.cpp; unit tests link fakes instead.
#ifndef LINKMON_NET_OS_H
#define LINKMON_NET_OS_H

#include <netinet/in.h>
#include <stddef.h>
#include <stdio.h>
#include <sys/types.h>
#include <time.h>

struct ifreq;

// Each returns what the libc call of the same name returns, errno set on
// failure.
int netos_socket(int type);
int netos_setsockopt_int(int fd, int level, int option, int value);
int netos_set_recv_timeout(int fd, int ms);
int netos_bind(int fd, const struct sockaddr_in *addr);
int netos_listen(int fd, int backlog);
int netos_accept(int fd);
int netos_connect(int fd, const struct sockaddr_in *addr);
ssize_t netos_send(int fd, const void *buf, size_t len, int flags);
ssize_t netos_recv(int fd, void *buf, size_t len, int flags);
int netos_close(int fd);
int netos_getpeername(int fd);
// 1 when the peer has closed its end (a non-blocking peek reads end of
// file), else 0.
int netos_peer_closed(int fd);
int netos_ioctl_ethtool(int fd, struct ifreq *ifr);
// One look at many sockets without waiting: hang[i] becomes 1 when fds[i]
// shows a hang-up, an error or a peer that closed its end, else 0.
// Returns 0, or -1 when the look failed (hang[] then all 1).
int netos_poll_hangups(const int *fds, size_t n, unsigned char *hang);

// Thread and process.
int netos_detach_self(void);
void netos_raise_nofile_limit(void);
int netos_system(const char *command);
void netos_sleep_sec(unsigned sec);
void netos_sleep_ms(unsigned ms);
int netos_monotonic(struct timespec *now);
FILE *netos_open_pnic_list(void);

#endif
