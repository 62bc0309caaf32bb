// The question after a program-mode walk: write the new image or not.
// Answers are taken one character at a time; anything that is not an
// answer asks again, and the end of input declines.
#include "walk.h"

#include <cstdio>

namespace boardprom
{
namespace
{

inline constexpr const char *kQuestion = "\n\nDo you want to program this to sprom? (y/N)";
inline constexpr const char *kAccepted = " y - Your change WILL BE PROGRAMMED";
inline constexpr const char *kDeclined = " N - programming CANCELLED";
inline constexpr const char *kVerifySkipped =
    "Z - Your change is programmed, but VERIFICATION is SKIPPED";
inline constexpr const char *kInputEnded = "\nEnd of input - programming CANCELLED";

} // namespace

int confirm_programming()
{
    for (;;) {
        std::printf("%s", kQuestion);
        std::fflush(stdout);
        switch (std::getchar()) {
        case 'y':
        case 'Y':
            std::puts(kAccepted);
            return 0;
        case 'n':
        case 'N':
            std::puts(kDeclined);
            return SPROM_RC_CANCELLED;
        case 'Z':
            if (sprom_read_back_verify != 1)
                break;
            force_verify_skip = 1;
            std::puts(kVerifySkipped);
            return 0;
        case EOF:
            std::puts(kInputEnded);
            return SPROM_RC_CANCELLED;
        default:
            break;
        }
    }
}

} // namespace boardprom
