#include "files.hpp"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "settings.hpp"
#include "text.hpp"

namespace covdump
{
namespace
{

// The directory part of a path, opened, and its last component.
struct Entry {
    Fd owned;
    int dir = AT_FDCWD;
    const char *name = nullptr;
};

Entry split(const char *path)
{
    Entry entry;
    const char *slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        entry.name = path;
        return entry;
    }
    Text<settings::kLogPathSize> parent;
    parent.add(std::string_view(path, slash == path ? 1 : static_cast<std::size_t>(slash - path)));
    if (!parent.ok()) {
        errno = ENAMETOOLONG;
        return entry;
    }
    entry.owned = Fd(os::open_dir(parent.c_str()));
    if (entry.owned.ok()) {
        entry.dir = entry.owned.get();
        entry.name = slash + 1;
    }
    return entry;
}

} // namespace

void Fd::reset()
{
    if (fd_ >= 0) {
        const int saved = errno;
        (void)os::close(fd_);
        errno = saved;
        fd_ = -1;
    }
}

bool is_plain_name(std::string_view name)
{
    return name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

Fd open_plain(int dir, const char *name, os::Access how)
{
    Fd fd(os::open_at(dir, name, how));
    if (fd.ok() && !os::is_plain_file(fd.get())) {
        fd.reset();
        errno = EACCES;
    }
    return fd;
}

Fd open_plain(const char *path, os::Access how)
{
    const Entry entry = split(path);
    if (entry.name == nullptr) {
        return Fd(); // errno from opening the directory
    }
    if (*entry.name == '\0') {
        errno = EISDIR;
        return Fd();
    }
    return open_plain(entry.dir, entry.name, how);
}

Written write_whole_file(const char *path, const unsigned char *data, int len, int mode)
{
    // Opened without truncation: a file that turns out not to be ours is
    // left as it was.
    Fd fd = open_plain(path, os::Access::write);
    if (!fd.ok()) {
        return Written::failed;
    }
    const bool written = os::truncate(fd.get()) == 0 && len > 0 && data != nullptr &&
                         os::write_all(fd.get(), data, static_cast<std::size_t>(len));
    bool mode_set = true;
    if (written && mode != kKeepMode) {
        mode_set = os::fchmod(fd.get(), static_cast<mode_t>(mode)) == 0;
    }
    if (os::close(fd.release()) != 0 || !written) {
        return Written::failed;
    }
    return mode_set ? Written::ok : Written::mode_failed;
}

} // namespace covdump
