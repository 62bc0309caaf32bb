// The per-card text logs and the registration records.
#include <cerrno>
#include <cstdio>

#include "covdump.h"
#include "export.hpp"
#include "files.hpp"
#include "handler_scope.hpp"
#include "os.hpp"
#include "settings.hpp"
#include "stamp.hpp"
#include "text.hpp"

namespace
{

inline constexpr const char *kOpenFailed = "Error in opening file: %s in %s\n";
inline constexpr const char *kOpenFailedPrefix = "Error";
inline constexpr std::string_view kSeparator = " : ";
inline constexpr std::size_t kLineSize = 2048;

// Appends one finished line with one write, so that lines of processes
// sharing the file do not interleave. The log directory itself is not
// reached through a link, nor is the log file.
void append_line(const char *log_file, std::string_view line)
{
    const covdump::Fd dir(covdump::os::open_dir_nofollow(cflow_log_path));
    if (!dir.ok()) {
        return;
    }
    const covdump::Fd file = covdump::open_plain(dir.get(), log_file, covdump::os::Access::append);
    if (file.ok()) {
        (void)covdump::os::write_all(file.get(), line.data(), line.size());
    }
}

} // namespace

extern "C" {

COVDUMP_EXPORT void cflow_log(const char *log_file, const char *text, const char *name, int pid,
                              int sig)
{
    using covdump::Text;
    // Without a log directory there is nowhere sensible to write.
    if (cflow_log_path[0] == '\0' || log_file == nullptr) {
        return;
    }
    Text<covdump::settings::kLogPathSize> path;
    path.add(cflow_log_path).add("/").add(log_file);
    if (!path.ok()) {
        return;
    }
    if (!covdump::in_signal_handler()) {
        covdump::refresh_utc_offset();
    }
    char stamp[covdump::kStampLength + 1];
    covdump::current_stamp(stamp);

    Text<kLineSize> line;
    line.add(stamp).add(kSeparator);
    if (text == nullptr) {
        line.add(name).add(kSeparator).add_int(pid);
    } else if (sig == 0) {
        line.add(text).add(kSeparator).add(name);
    } else {
        line.add(text)
            .add(kSeparator)
            .add(name)
            .add(kSeparator)
            .add_int(pid)
            .add(kSeparator)
            .add_int(sig);
    }
    line.add("\n");
    if (line.ok()) {
        append_line(log_file, line.view());
    }
}

COVDUMP_EXPORT void record_proc_info(const char *path)
{
    const covdump::Fd file = covdump::open_plain(path, covdump::os::Access::append);
    if (!file.ok()) {
        const int saved = errno;
        std::printf(kOpenFailed, path, "record_proc_info");
        errno = saved;
        std::perror(kOpenFailedPrefix);
        return;
    }
    covdump::Text<kLineSize> line;
    line.add(covdump::os::program_name()).add(" ").add_int(cflowpid).add("\n");
    if (line.ok()) {
        (void)covdump::os::write_all(file.get(), line.c_str(), line.size());
    }
}

} // extern "C"
