// The commands that only read: show, dump and presence; and the dispatch.
#include "progress.h"
#include "prom_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace idpromtool
{
namespace
{

inline constexpr const char *kShowFailed = "show failed, rc 0x%x";
inline constexpr const char *kChecksumMismatch = "checksum mismatch in the %s PROM";
inline constexpr const char *kReadFailed = "reading the PROM failed, rc 0x%x";
inline constexpr const char *kExists = "%s exists; nothing read (--force overwrites it)";
inline constexpr const char *kFileError = "%s: %s";
inline constexpr const char *kDumped = "%d bytes of the %s PROM written to %s\n";
inline constexpr const char *kFanPresent = "fan tray %d is present\n";
inline constexpr const char *kPsuPresent = "power module %d is present in slot %d\n";

int read_raw(const Prom &prom, Image &image, int *size)
{
    const Progress progress("reading the " + prom_name(prom) + " PROM");
    // The library's dump routine takes the board road whatever the kind.
    if (prom.target == Target::Board)
        return idprom_util_bin_dump_sprom(prom.kind, image.data(), size);
    *size = prom.size;
    return idprom_read_ft_psu_page(prom.kind, image.data(), prom.size, prom.channel);
}

bool exists(const std::string &path)
{
    struct stat st {
    };
    return lstat(path.c_str(), &st) == 0;
}

bool write_all(int fd, const Image &image, int size)
{
    for (ssize_t done = 0; done < size;) {
        const ssize_t n = write(fd, image.data() + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The image into the dump file: a new one unless --force; false after
// printing why not (a file begun is removed again).
bool write_file(const Request &request, const Image &image, int size)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (request.force ? O_TRUNC : O_EXCL);
    const int fd = open(request.file.c_str(), flags, 0644);
    if (fd < 0) {
        complain(kExitFailed, kFileError, request.file.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = write_all(fd, image, size);
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(request.file.c_str());
        complain(kExitFailed, kFileError, request.file.c_str(), std::strerror(error));
    }
    return ok;
}

bool write_stdout(const Image &image, int size)
{
    return std::fwrite(image.data(), 1, static_cast<size_t>(size), stdout) ==
               static_cast<size_t>(size) &&
           std::fflush(stdout) == 0;
}

} // namespace

int show(const Request &request)
{
    if (request.json)
        return show_json(request);
    Prom prom;
    if (!prom_layout(request, &prom) || !find_module(request, &prom))
        return kExitFailed;
    const int length = request.length != 0 ? request.length : prom.size;
    Image image{};
    global_idprom_checksum_err = 0;
    int rc = 0;
    {
        const Progress progress("reading the " + prom_name(prom) + " PROM");
        rc = idprom_util_show(prom.kind, kReserved, prom.channel, image.data(), length);
    }
    // The library shows fan-tray and power-module images itself; the board
    // image comes back for the caller to show.
    if (rc == 0 && request.target == Target::Board)
        rc = sprom_show_program(prom.layout, image.data(), prom.endian, 0);
    if (rc != 0)
        return complain(kExitFailed, kShowFailed, static_cast<unsigned>(rc));
    if (global_idprom_checksum_err != 0)
        return complain(kExitFailed, kChecksumMismatch, target_name(request.target));
    return kExitOk;
}

int dump(const Request &request)
{
    const bool to_stdout = request.file == kStdStream;
    if (!to_stdout && !request.force && exists(request.file))
        return complain(kExitUsage, kExists, request.file.c_str());
    Prom prom;
    Image image{};
    int size = 0;
    {
        // Standard output may carry the image: the library speaks on stderr.
        const LibraryOutputToStderr quiet;
        if (!prom_layout(request, &prom) || !find_module(request, &prom))
            return kExitFailed;
        if (const int rc = read_raw(prom, image, &size); rc != 0)
            return complain(kExitFailed, kReadFailed, static_cast<unsigned>(rc));
    }
    if (to_stdout) {
        if (write_stdout(image, size))
            return kExitOk;
        return complain(kExitFailed, kFileError, "standard output", std::strerror(errno));
    }
    if (!write_file(request, image, size))
        return kExitFailed;
    std::printf(kDumped, size, target_name(request.target), request.file.c_str());
    return kExitOk;
}

int presence(const Request &request)
{
    int channel = 0;
    if (!check_presence(request, &channel, false))
        return kExitFailed;
    if (request.target == Target::FanTray)
        std::printf(kFanPresent, request.number);
    else
        std::printf(kPsuPresent, request.number, channel);
    return kExitOk;
}

int run(const Request &request)
{
    switch (request.command) {
    case Command::Show:
        return show(request);
    case Command::Program:
        return request.batch() ? program_batch(request) : program_interactive(request);
    case Command::Dump:
        return dump(request);
    case Command::Restore:
        return restore(request);
    case Command::Presence:
        return presence(request);
    case Command::Version:
        print_version();
        return kExitOk;
    case Command::Help:
        break;
    }
    print_usage();
    return kExitOk;
}

} // namespace idpromtool
