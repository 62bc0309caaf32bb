// portlock: asks the firmware to lock (-L) or unlock (-U) the management
// engine by software SMIs.
#include <cstdio>

#include "portlock.h"

int main(int argc, char **argv)
{
    const int status = portlock::run(argc, argv, stdout, stderr);
    return std::fflush(stdout) == 0 ? status : 1;
}
