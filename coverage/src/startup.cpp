// Load-time start-up: process ID, card location, directories, the
// registration logs, the coverage environment, signal handlers and the
// exit dump.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "covdump.h"
#include "export.hpp"
#include "files.hpp"
#include "os.hpp"
#include "settings.hpp"
#include "signals.hpp"
#include "stamp.hpp"
#include "text.hpp"

namespace
{

namespace s = covdump::settings;
namespace os = covdump::os;

inline constexpr const char *kAtExitFailed =
    "CFLOW-WZ::%s:%d atexit return error %s. Coverage data will not be dumped at exit for %s %d\n";
inline constexpr int kAtExitFailedLine = 353;

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Streams the words of a file and keeps the last one, cut to the 127
// characters that fit cflow_loc.
class LastWord
{
  public:
    void feed(const char *data, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) {
            if (is_space(data[i])) {
                in_word_ = false;
                continue;
            }
            if (!in_word_) {
                len_ = 0;
                in_word_ = true;
                seen_ = true;
            }
            if (len_ < s::kLocSize - 1) {
                word_[len_++] = data[i];
            }
        }
    }
    bool seen() const
    {
        return seen_;
    }
    std::string_view word() const
    {
        return {word_, len_};
    }

  private:
    char word_[s::kLocSize] = {};
    std::size_t len_ = 0;
    bool in_word_ = false;
    bool seen_ = false;
};

// Writes the kernel's node name and a newline into a new location file; an
// entry that is already there, in whatever form, is left alone.
void write_node_name()
{
    char name[s::kLocSize];
    if (os::node_name(name, sizeof name) != 0) {
        return;
    }
    covdump::Text<s::kLocSize + 1> line;
    line.add(name).add("\n");
    const covdump::Fd file = covdump::open_plain(s::kLocFile, os::Access::create_new);
    if (file.ok() && line.ok()) {
        (void)os::write_all(file.get(), line.c_str(), line.size());
    }
}

} // namespace

extern "C" {

COVDUMP_EXPORT int cflowpid = 0;
COVDUMP_EXPORT char cflow_loc[128] = {};
COVDUMP_EXPORT char cflow_log_path[512] = {};

// The location becomes part of the log directory's name: a last word that
// would lead out of the dump directory counts as unreadable.
COVDUMP_EXPORT int getCflowLoc(void)
{
    const covdump::Fd file = covdump::open_plain(s::kLocFile, os::Access::read);
    if (!file.ok()) {
        return 1;
    }
    LastWord words;
    char chunk[256];
    for (;;) {
        const ssize_t got = os::read(file.get(), chunk, sizeof chunk);
        if (got < 0) {
            return 1;
        }
        if (got == 0) {
            break;
        }
        words.feed(chunk, static_cast<std::size_t>(got));
    }
    if (!words.seen()) {
        return 0;
    }
    if (!covdump::is_plain_name(words.word())) {
        return 1;
    }
    std::memcpy(cflow_loc, words.word().data(), words.word().size());
    cflow_loc[words.word().size()] = '\0';
    return 0;
}

COVDUMP_EXPORT void cflow_startup(void)
{
    cflowpid = os::getpid();
    covdump::refresh_utc_offset();
    if (getCflowLoc() != 0) {
        write_node_name();
        (void)getCflowLoc();
    }
    if (create_cflow_dirs() == 0) {
        // Without the runtime a coverage-control signal must not end the
        // program as its default action would.
        covdump::ignore_control_signals();
        return;
    }
    const char *name = os::program_name();
    cflow_log(s::kProcessLog, nullptr, name, cflowpid, 0);
    (void)os::setenv(s::kPrefixVar, s::kPrefixValue);
    (void)os::setenv(s::kPrefixStripVar, s::kPrefixStripValue);
    covdump::install_signal_handlers();
    record_proc_info(s::kRegFile);
    if (os::at_exit(cflowDumpAtExit) != 0) {
        std::fprintf(stderr, kAtExitFailed, "cflow_startup", kAtExitFailedLine,
                     std::strerror(errno), name, cflowpid);
    }
}

} // extern "C"
