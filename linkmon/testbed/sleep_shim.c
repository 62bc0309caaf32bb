/* Preloaded before libfaketime by run.sh. libfaketime 0.9.10's own sleep()
 * sometimes computes a real sleep of years once the process has run a
 * popen(); its nanosleep() scales correctly, so sleep() is made of it. */
#include <time.h>
#include <unistd.h>

unsigned int sleep(unsigned int seconds)
{
    struct timespec req = {(time_t)seconds, 0};
    struct timespec rem = {0, 0};

    if (nanosleep(&req, &rem) == 0)
        return 0;
    return (unsigned int)rem.tv_sec + (rem.tv_nsec > 0 ? 1u : 0u);
}
