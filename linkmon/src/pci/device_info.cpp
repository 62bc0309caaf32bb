// The two texts of a device row: the hardware ID from sysfs and the name
// that lspci gives the function.
#include "os/os.h"
#include "pci/pci.h"
#include "settings.h"

#include <safe_str_lib.h>

#include <cstdio>
#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr std::size_t HWID_CLEARED = 24;
inline constexpr std::size_t LSPCI_PIECE = 128;
inline constexpr std::size_t NAME_DEST_SIZE = 127;
inline constexpr std::size_t NAME_COPY_MAX = 118;
inline constexpr std::size_t NAME_OFFSET = 8; // after "Device:" and its tab
inline constexpr std::size_t PATH_SIZE = 64;
inline constexpr std::size_t COMMAND_SIZE = 64;

} // namespace

extern "C" {

void read_hwid(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func)
{
    if (row->type != DEV_TYPE_ENDPOINT)
        return;
    char path[PATH_SIZE];
    std::snprintf(path, sizeof path, settings::HWID_PATH_FORMAT, bus, dev, func);
    int fd = -1;
    if (os::open_read(path, &fd) != 0)
        return;
    std::memset(row->hwid, 0, HWID_CLEARED);
    if (os::read(fd, row->hwid, settings::HWID_READ_MAX) < 0)
        std::memset(row->hwid, 0, HWID_CLEARED);
    os::close(fd);
}

void read_lspci_name(unsigned bus, unsigned dev, unsigned func, char *dest)
{
    char command[COMMAND_SIZE];
    std::snprintf(command, sizeof command, settings::LSPCI_COMMAND_FORMAT, bus, dev, func);
    std::FILE *pipe = os::popen_read(command);
    if (pipe == nullptr)
        return;
    char piece[LSPCI_PIECE];
    for (;;) {
        std::memset(piece, 0, sizeof piece);
        if (std::fgets(piece, sizeof piece, pipe) == nullptr)
            break;
        if (piece[0] == 'D') {
            // The piece is cleared first, so a short line copies an empty text.
            strncpy_s(dest, NAME_DEST_SIZE, piece + NAME_OFFSET, NAME_COPY_MAX);
            break;
        }
    }
    os::pclose(pipe);
}

} // extern "C"
