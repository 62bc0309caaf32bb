#include "sample.h"

int tally_digits(unsigned value, unsigned base)
{
    int digits = 1;
    while (value >= base) {
        value /= base;
        ++digits;
    }
    return digits;
}

unsigned tally_fib(unsigned n)
{
    return n < 2 ? n : tally_fib(n - 1) + tally_fib(n - 2);
}

int tally_grade(int score)
{
    if (score < 0 || score > 100) {
        return -1;
    }
    if (score >= 90) {
        return 4;
    }
    if (score >= 75) {
        return 3;
    }
    return score >= 50 ? 2 : 1;
}
