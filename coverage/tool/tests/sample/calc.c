/* A small deterministic program for the merge test: arc, value, indirect
 * call, string operation and time profiles. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "shapes.h"

typedef long (*op_fn)(long);

static long inc(long x)
{
    return x + 1;
}
static long twice(long x)
{
    return 2 * x;
}
static long negate(long x)
{
    return -x;
}
static op_fn ops[3] = {inc, twice, negate};

/* Reached only by long runs. */
__attribute__((noinline)) static long long_run(long sum, int n)
{
    return sum + area(3, n);
}

int main(int argc, char **argv)
{
    const int n = argc > 1 ? atoi(argv[1]) : 5;
    long sum = 0;
    char buf[64];
    for (int i = 0; i < n; i++) {
        sum += ops[(i * 7 + n) % 3](i);
        sum += i % (n + 3);
        sum |= 1L << (i % 5);
        memcpy(buf, argv[0], (size_t)(i % 16) + 1);
        sum += buf[0] + area(i % 4, i);
    }
    if (n > 30)
        sum = long_run(sum, n);
    printf("%ld\n", sum);
    return 0;
}
