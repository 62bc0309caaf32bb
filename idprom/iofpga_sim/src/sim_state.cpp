// Mapping, locking and defaults of the simulated FPGA's state file.
#include "sim_state.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace iofpga_sim
{
namespace
{

inline constexpr uint32_t kFanPresentDefault = 0x00070000u;
inline constexpr uint32_t kPsuPresentDefault = 0x03FF0000u;
inline constexpr size_t kPathMax = 4096;

// One mapping per process, kept while the variable names the same file.
struct Mapping {
    char path[kPathMax];
    dev_t dev = 0;
    ino_t ino = 0;
    int fd = -1;
    State *state = nullptr;
};
Mapping g_map;

void unmap()
{
    if (g_map.state != nullptr)
        munmap(g_map.state, sizeof(State));
    if (g_map.fd >= 0)
        close(g_map.fd);
    g_map.state = nullptr;
    g_map.fd = -1;
    g_map.path[0] = '\0';
}

int map_path(const char *path)
{
    if (std::strlen(path) >= kPathMax)
        return ENAMETOOLONG;
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    struct stat st {
    };
    if (fstat(fd, &st) != 0 ||
        (st.st_size != static_cast<off_t>(sizeof(State)) && ftruncate(fd, sizeof(State)) != 0)) {
        int err = errno;
        close(fd);
        return err;
    }
    void *p = mmap(nullptr, sizeof(State), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        int err = errno;
        close(fd);
        return err;
    }
    unmap();
    std::strcpy(g_map.path, path);
    g_map.dev = st.st_dev;
    g_map.ino = st.st_ino;
    g_map.fd = fd;
    g_map.state = static_cast<State *>(p);
    return 0;
}

// True when the mapped file is still the one the path names.
bool mapping_current(const char *path)
{
    if (g_map.state == nullptr || std::strcmp(path, g_map.path) != 0)
        return false;
    struct stat st {
    };
    return stat(path, &st) == 0 && st.st_dev == g_map.dev && st.st_ino == g_map.ino;
}

} // namespace

void set_defaults(State *s)
{
    std::memset(s, 0, sizeof(State));
    std::memcpy(s->magic, kMagic, sizeof(kMagic));
    s->version = kVersion;
    s->size = sizeof(State);
    s->regs[IOFPGA_SIM_FAN_PRESENCE_REG / 4] = kFanPresentDefault;
    s->regs[IOFPGA_SIM_PSU_PRESENCE_REG / 4] = kPsuPresentDefault;
    for (auto &bank : s->channels) {
        for (auto &ch : bank) {
            ch.prom_present = 1;
            ch.aux_present = 1;
            std::memset(ch.prom, 0xFF, sizeof(ch.prom));
        }
    }
}

Channel *channel_of(State *s, int controller, int channel)
{
    if (controller < 1 || controller > kControllers || channel < 0 ||
        channel >= IOFPGA_SIM_CHANNELS)
        return nullptr;
    return &s->channels[controller - 1][channel];
}

Locked::Locked()
{
    const char *path = std::getenv(IOFPGA_SIM_ENV);
    if (path == nullptr || path[0] == '\0') {
        error_ = ENODEV;
        return;
    }
    if (!mapping_current(path)) {
        error_ = map_path(path);
        if (error_ != 0)
            return;
    }
    while (flock(g_map.fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = errno;
            return;
        }
    }
    state_ = g_map.state;
    if (std::memcmp(state_->magic, kMagic, sizeof(kMagic)) != 0 || state_->version != kVersion ||
        state_->size != sizeof(State))
        set_defaults(state_);
}

Locked::~Locked()
{
    if (state_ != nullptr)
        flock(g_map.fd, LOCK_UN);
}

} // namespace iofpga_sim
