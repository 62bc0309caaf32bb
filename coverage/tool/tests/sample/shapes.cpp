// Part of the merge test's sample program: a C++ unit with an inline
// function that another unit also emits.
#include "shapes.h"
#include "scale.hpp"

long area(int shape, long size)
{
    switch (shape) {
    case 0:
        return scale(size) * size;
    case 1:
        return size * size / 2;
    case 2:
        return 3 * size * size;
    default:
        return 0;
    }
}
