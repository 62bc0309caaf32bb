// The command line: banner first, then the option in the first argument,
// compared exactly. Anything but -U or -L touches no port.
#include <string_view>

#include "portlock.h"
#include "settings.h"

namespace portlock
{

namespace
{

inline constexpr const char *kBanner = "Portlock programme\n";
inline constexpr const char *kUsage = "usage: portlock -U (unlock) | -L (lock)\n";

} // namespace

int run(int argc, const char *const argv[], std::FILE *out, std::FILE *err)
{
    std::fputs(kBanner, out);
    if (argc < 2 || argv[1] == nullptr) {
        std::fflush(out);
        std::fputs(kUsage, err);
        return kExitFailure;
    }
    const std::string_view option = argv[1];
    if (option == kUnlockOption)
        return unlock(out, err);
    if (option == kLockOption)
        return lock(out, err);
    // Any other first argument requests nothing: the banner alone, and
    // nothing failed.
    return kExitOk;
}

} // namespace portlock
