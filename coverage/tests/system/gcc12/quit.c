#include <stdlib.h>

#include "sample.h"

void sample_quit(int sig)
{
    (void)sig;
    exit(0);
}
