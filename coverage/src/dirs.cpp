// The dump directory and the per-card log directory. Made with system calls
// only, so that the dump handler can set them up inside a signal.
#include <cerrno>
#include <cstring>

#include "covdump.h"
#include "export.hpp"
#include "os.hpp"
#include "settings.hpp"
#include "text.hpp"

namespace
{

namespace s = covdump::settings;
namespace os = covdump::os;

constexpr mode_t kNoAccess = 0;
constexpr mode_t kOpen = 0777;

// Creates `path` with mode 0 (an existing one is fine) and opens it up with
// chmod, so that the final mode is 0777 whatever the umask.
bool make_open_dir(const char *path)
{
    if (os::mkdir(path, kNoAccess) != 0 && errno != EEXIST) {
        return false;
    }
    return os::chmod(path, kOpen) == 0;
}

// Persistent disk present: its dump directory, reached from the scratch
// area through a symbolic link.
bool link_disk_dump_dir()
{
    if (!make_open_dir(s::kDiskDumpDir)) {
        return false;
    }
    const std::string_view dump_dir = s::kDumpDir;
    if (os::exists(dump_dir.data())) {
        return true;
    }
    return os::symlink(s::kDiskDumpDir, s::kScratchLink) == 0;
}

// "/misc/scratch/cflow/coverage_logs_<loc>.dat", made with the umask's
// filtering; an existing one or a failure is of no concern here.
void make_log_dir()
{
    const std::size_t loc_len = strnlen(cflow_loc, s::kLocSize - 1);
    covdump::Text<s::kLogPathSize> path;
    path.add(s::kDumpDir)
        .add(s::kLogDirPrefix)
        .add(std::string_view(cflow_loc, loc_len))
        .add(s::kLogDirSuffix);
    std::memcpy(cflow_log_path, path.c_str(), path.size() + 1);
    (void)os::mkdir(cflow_log_path, kOpen);
}

} // namespace

extern "C" COVDUMP_EXPORT int create_cflow_dirs(void)
{
    const int saved = errno;
    bool usable = false;
    if (os::exists(s::kPersistentDisk)) {
        usable = link_disk_dump_dir();
    } else {
        usable = make_open_dir(s::kDumpDir.data());
    }
    if (usable) {
        make_log_dir();
    }
    errno = saved;
    return usable ? 1 : 0;
}
