// Emits scale() too, so that one object's record of it stays empty.
#include "scale.hpp"

long scale_twice(long x);
long scale_twice(long x)
{
    return scale(scale(x));
}
