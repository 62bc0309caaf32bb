// The dump directory and the per-card log directory. Made with system calls
// only, so that the dump handler can set them up inside a signal.
//
// The dump directory is shared by every process of the card, whatever its
// user: it is open to everyone and carries the sticky bit, so that nobody
// can remove or replace another's files there. Its mode is set on the
// directory that was opened without following links, never by path.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "covdump.h"
#include "export.hpp"
#include "files.hpp"
#include "os.hpp"
#include "settings.hpp"
#include "text.hpp"

namespace
{

namespace s = covdump::settings;
namespace os = covdump::os;
using covdump::Fd;

constexpr mode_t kNoAccess = 0;
constexpr mode_t kShared = 01777;
constexpr mode_t kLogDirMode = 0777;

// Makes `name` inside `parent` with mode 0 (an existing one is fine) and
// opens it up afterwards, so that its final mode is 01777 whatever the
// umask.
bool make_shared_dir(int parent, const char *name)
{
    if (os::mkdir_at(parent, name, kNoAccess) != 0 && errno != EEXIST) {
        return false;
    }
    const Fd dir(os::open_dir_at(parent, name));
    return dir.ok() && os::fchmod(dir.get(), kShared) == 0;
}

// Persistent disk present: its dump directory, reached from the scratch
// area through a symbolic link.
bool link_disk_dump_dir()
{
    const Fd disk(os::open_dir(s::kPersistentDisk));
    if (!disk.ok() || !make_shared_dir(disk.get(), s::kDumpDirName)) {
        return false;
    }
    const std::string_view dump_dir = s::kDumpDir;
    if (os::exists(dump_dir.data())) {
        return true;
    }
    return os::symlink(s::kDiskDumpDir, s::kScratchLink) == 0;
}

bool make_scratch_dump_dir()
{
    const Fd scratch(os::open_dir(s::kScratchDir));
    return scratch.ok() && make_shared_dir(scratch.get(), s::kDumpDirName);
}

// "/misc/scratch/cflow/coverage_logs_<loc>.dat", made with the umask's
// filtering; an existing one or a failure is of no concern here. One that
// is made open to other users gets the sticky bit as well. A location that
// is not one plain name counts as empty.
void make_log_dir()
{
    std::string_view loc(cflow_loc, strnlen(cflow_loc, s::kLocSize - 1));
    if (!covdump::is_plain_name(loc)) {
        loc = {};
    }
    covdump::Text<s::kLogPathSize> name;
    name.add(s::kLogDirPrefix).add(loc).add(s::kLogDirSuffix);
    covdump::Text<s::kLogPathSize> path;
    path.add(s::kDumpDir).add(name.view());
    std::memcpy(cflow_log_path, path.c_str(), path.size() + 1);

    const Fd dump(os::open_dir(s::kScratchLink));
    if (!dump.ok() || os::mkdir_at(dump.get(), name.c_str(), kLogDirMode) != 0) {
        return;
    }
    const Fd dir(os::open_dir_at(dump.get(), name.c_str()));
    const int mode = dir.ok() ? os::mode_of(dir.get()) : -1;
    if (mode >= 0 && (static_cast<mode_t>(mode) & S_IWOTH) != 0) {
        (void)os::fchmod(dir.get(), static_cast<mode_t>(mode) | S_ISVTX);
    }
}

} // namespace

extern "C" COVDUMP_EXPORT int create_cflow_dirs(void)
{
    const int saved = errno;
    bool usable = false;
    if (os::exists(s::kPersistentDisk)) {
        usable = link_disk_dump_dir();
    } else {
        usable = make_scratch_dump_dir();
    }
    if (usable) {
        make_log_dir();
    }
    errno = saved;
    return usable ? 1 : 0;
}
