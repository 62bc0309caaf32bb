/*
 * A C program built only from the installed header and pkg-config file:
 * two calls with the fake driver's echo command, each result on a line.
 */
#include <stdio.h>

#include <ssecall.h>

int main(void)
{
    unsigned char seen[16];
    for (int call = 0; call < 2; ++call)
        printf("result=%d\n", sse_call(0x5301, seen));
    return 0;
}
