// Interactive programming.  The library's program utility clears the
// operator's 'Z' (skip the read-back) before it returns, so its steps are
// taken here one by one, with the library's own messages in the library's
// order: read (or blank) the image, walk it in program mode, look at
// force_verify_skip at once, write the whole image back.  Then the image is
// read back and compared, unless the operator answered 'Z' or --no-verify
// was given.
#include "prom_io.h"

#include <cstdio>
#include <unistd.h>

namespace idpromtool
{
namespace
{

// The library's texts, as its program utility prints them.
inline constexpr const char *kReading =
    "\n\n* Reading SPROM INFO. This will take a while... Please be patient";
inline constexpr const char *kReadFailed = "Failed to read IDPROM board info memory!";
inline constexpr const char *kShowFailed = "Failed to display sprom contents!";
inline constexpr const char *kWriting =
    "\n* Writing to IDPROM board info memory... This will take a while... Please wait.";
inline constexpr const char *kWriteFailed = "Failed to write data to IDPROM board info memory!";
inline constexpr const char *kFinishedWithError = "* SPROM write finished with error. rc:%d\n";
inline constexpr const char *kDone = "Done programming SPROM.";

// The tool's own.
inline constexpr const char *kNeedsTerminal =
    "program asks for every field on a terminal, and standard input is none; in a script "
    "use --set NAME=VALUE or --from FILE (- for standard input)";
inline constexpr const char *kFailed = "program failed, rc 0x%x";

struct Outcome {
    int rc = 0;
    bool written = false;
    bool skip_verify = false;
};

// The read, walk and write steps of the library's program utility.
Outcome program_steps(const Request &request, const Prom &prom, Image &image)
{
    Outcome o;
    std::puts(kReading);
    if (!request.blank)
        o.rc = read_prom(prom, image, "reading");
    if (o.rc != 0) {
        std::puts(kReadFailed);
        return o;
    }
    const int walk = sprom_show_program(prom.layout, image.data(), prom.endian, 1);
    // Cleared again below, as the library's utility does before it returns.
    o.skip_verify = force_verify_skip != 0;
    if (walk == SPROM_RC_CANCELLED)
        return o;
    if (walk != 0) {
        std::puts(kShowFailed);
        o.rc = walk;
        return o;
    }
    std::puts(kWriting);
    std::fflush(stdout);
    o.rc = write_prom(prom, image);
    if (o.rc != 0)
        std::puts(kWriteFailed);
    o.written = o.rc == 0;
    return o;
}

} // namespace

int program_interactive(const Request &request)
{
    if (isatty(STDIN_FILENO) != 1)
        return complain(kExitUsage, kNeedsTerminal);
    Prom prom;
    if (!prom_layout(request, &prom) || !find_module(request, &prom))
        return kExitFailed;
    Image image{};
    const Outcome o = program_steps(request, prom, image);
    force_verify_skip = 0;
    if (o.rc != 0)
        std::printf(kFinishedWithError, o.rc);
    std::puts(kDone);
    if (o.rc != 0)
        return complain(kExitFailed, kFailed, static_cast<unsigned>(o.rc));
    if (!o.written)
        return kExitOk;
    if (o.skip_verify || request.no_verify) {
        verification_skipped(o.skip_verify);
        return kExitOk;
    }
    return verify_prom(prom, image);
}

} // namespace idpromtool
