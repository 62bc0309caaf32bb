/* The linkmon request: one 64-bit word, sent in host order. */
#ifndef LINKMON_LINKMON_REQUEST_H
#define LINKMON_LINKMON_REQUEST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint64_t LinkmonRequest;

enum { LINKMON_MAGIC = 0x1234 };

/* Action codes */
enum { LINKMON_ACTION_SET = 0, LINKMON_ACTION_SHOW = 2 };

/* Command codes */
enum {
    LINKMON_CMD_STATE0 = 0,
    LINKMON_CMD_STATE1 = 1,
    LINKMON_CMD_SATA = 2,
    LINKMON_CMD_LINK = 3,
    LINKMON_CMD_UES = 4,
    LINKMON_CMD_PNICLNK = 5,
    LINKMON_CMD_PNICERR = 6,
    LINKMON_CMD_STATUS = 7,
    LINKMON_CMD_MAX = 7,
};

#ifdef __cplusplus
} /* extern "C" */
#endif

/* Checked at compile time, in C as in C++. */
#ifndef LINKMON_LAYOUT_ASSERT
#ifdef __cplusplus
#define LINKMON_LAYOUT_ASSERT static_assert
#else
#define LINKMON_LAYOUT_ASSERT _Static_assert
#endif
#endif
LINKMON_LAYOUT_ASSERT(sizeof(LinkmonRequest) == 8, "the request word is 8 bytes");

#endif
