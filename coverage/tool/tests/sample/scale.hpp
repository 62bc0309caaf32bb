#ifndef SCALE_HPP
#define SCALE_HPP
inline long scale(long x)
{
    return x > 10 ? x / 10 : x;
}
#endif
