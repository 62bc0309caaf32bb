/*
 * A C program built only from the installed header and pkg-config file:
 * the runtime starts when the program loads; with no instrumented object
 * registered the registry is empty.
 */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>

#include <covdump.h>

int main(void)
{
    printf("objects=%d version=%d\n", cflow_data_count(), (int)cflow_version);
    return 0;
}
