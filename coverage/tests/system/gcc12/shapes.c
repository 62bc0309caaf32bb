#include "sample.h"

int shape_area(int kind, int a, int b)
{
    switch (kind) {
    case 0:
        return a * a;
    case 1:
        return a * b;
    case 2:
        return a * b / 2;
    default:
        break;
    }
    int area = 0;
    for (int row = 0; row < b; ++row) {
        area += a - row > 0 ? a - row : 0;
    }
    return area;
}

/* Its counters stay zero: written as blocks without counters. */
int shape_never_called(int x)
{
    if (x > 0) {
        return x * 3;
    }
    return -x;
}
