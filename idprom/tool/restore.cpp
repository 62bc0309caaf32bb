// restore TARGET FILE: a raw image, such as dump writes, put back.  The file
// must be exactly the layout's image and every block checksum in it right;
// --force writes it anyway.  Then as a batch program: the changed fields,
// the question, the write and the read-back.
#include "apply.h"
#include "prom_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace idpromtool
{
namespace
{

inline constexpr const char *kCannotRead = "cannot read %s: %s";
inline constexpr const char *kWrongSize = "%s%s is %ld bytes; the %s layout's image is %d bytes";
inline constexpr const char *kBadChecksum =
    "%s%s: the checksum of block %d (%s) is wrong: stored 0x%04x, computed 0x%04x";
inline constexpr const char *kNotAnImage =
    "%s is no valid %s image; nothing written (--force writes it anyway)";
inline constexpr const char *kForced = "warning: ";

// The file's bytes, at most kImageMax + 1 of them (enough to tell it is
// too long); -1 after printing why it could not be read.
long read_file(const std::string &path, Image &image)
{
    std::FILE *in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        complain(kExitUsage, kCannotRead, path.c_str(), std::strerror(errno));
        return -1;
    }
    long n = static_cast<long>(std::fread(image.data(), 1, image.size(), in));
    if (n == static_cast<long>(image.size()) && std::fgetc(in) != EOF)
        ++n;
    const bool failed = std::ferror(in) != 0;
    const int saved = errno;
    std::fclose(in);
    if (failed) {
        complain(kExitUsage, kCannotRead, path.c_str(), std::strerror(saved));
        return -1;
    }
    return n;
}

// Size and block checksums of the file's image; every fault is printed (as
// a warning with --force).  True when there was none.
bool valid_image(const Request &request, const Prom &prom, const Fields &fields, const Image &image,
                 long length)
{
    const char *prefix = request.force ? kForced : "";
    bool ok = true;
    if (length != prom.size) {
        complain(kExitUsage, kWrongSize, prefix, request.file.c_str(), length,
                 target_name(prom.target), prom.size);
        ok = false;
    }
    int number = 0;
    for (const BlockRow &block : fields.blocks()) {
        ++number;
        uint16_t stored = 0;
        uint16_t computed = 0;
        if (block.checksum_row < 0 ||
            sprom_block_checksum_of(prom.layout, block.checksum_row, image.data(), prom.size,
                                    prom.endian, &stored, &computed) != 0 ||
            stored == computed)
            continue;
        complain(kExitUsage, kBadChecksum, prefix, request.file.c_str(), number,
                 fields.def(block).name, stored, computed);
        ok = false;
    }
    return ok;
}

} // namespace

int restore(const Request &request)
{
    Prom prom;
    if (!prom_layout(request, &prom))
        return kExitFailed;
    Image file{};
    const long length = read_file(request.file, file);
    if (length < 0)
        return kExitUsage;
    const Fields fields(prom);
    if (!valid_image(request, prom, fields, file, length) && !request.force)
        return complain(kExitUsage, kNotAnImage, request.file.c_str(), target_name(prom.target));
    Image before{};
    if (!read_current(request, &prom, before))
        return kExitFailed;
    // A short file (--force) leaves the rest of the image as the PROM has it.
    Image after = before;
    std::memcpy(after.data(), file.data(), static_cast<size_t>(std::min<long>(length, prom.size)));
    return apply_image(request, prom, before, after);
}

} // namespace idpromtool
