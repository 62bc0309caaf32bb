#ifndef SHAPES_H
#define SHAPES_H
#ifdef __cplusplus
extern "C" {
#endif
long area(int shape, long size);
#ifdef __cplusplus
}
#endif
#endif
