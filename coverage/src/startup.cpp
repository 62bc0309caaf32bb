// Load-time start-up: process ID, card location, directories, the
// registration logs, the coverage environment, signal handlers and the
// exit dump.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "covdump.h"
#include "export.hpp"
#include "os.hpp"
#include "settings.hpp"
#include "signals.hpp"
#include "stamp.hpp"

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

// Streams the words of a file; each completed word replaces cflow_loc, so
// the last one remains. Words are cut to the 127 characters that fit.
class WordReader
{
  public:
    void feed(const char *data, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) {
            if (is_space(data[i])) {
                finish();
            } else if (len_ < s::kLocSize - 1) {
                word_[len_++] = data[i];
                in_word_ = true;
            } else {
                in_word_ = true;
            }
        }
    }
    void finish()
    {
        if (!in_word_) {
            return;
        }
        std::memcpy(cflow_loc, word_, len_);
        cflow_loc[len_] = '\0';
        len_ = 0;
        in_word_ = false;
    }

  private:
    char word_[s::kLocSize] = {};
    std::size_t len_ = 0;
    bool in_word_ = false;
};

} // namespace

extern "C" {

COVDUMP_EXPORT int cflowpid = 0;
COVDUMP_EXPORT char cflow_loc[128] = {};
COVDUMP_EXPORT char cflow_log_path[512] = {};

COVDUMP_EXPORT int getCflowLoc(void)
{
    const int fd = os::open_read(s::kLocFile);
    if (fd < 0) {
        return 1;
    }
    WordReader words;
    char chunk[256];
    for (;;) {
        const ssize_t got = os::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            os::close(fd);
            return 1;
        }
        if (got == 0) {
            break;
        }
        words.feed(chunk, static_cast<std::size_t>(got));
    }
    words.finish();
    os::close(fd);
    return 0;
}

COVDUMP_EXPORT void cflow_startup(void)
{
    cflowpid = os::getpid();
    covdump::refresh_utc_offset();
    if (getCflowLoc() != 0) {
        (void)os::system(s::kLocCommand);
        (void)getCflowLoc();
    }
    if (create_cflow_dirs() == 0) {
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
