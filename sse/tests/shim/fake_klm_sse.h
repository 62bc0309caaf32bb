/*
 * A fake SSE driver for the real, unmodified libssecall: preloaded (or
 * linked ahead of the C library), it intercepts open() of "/dev/klm_sse"
 * and ioctl() on the descriptors it handed out; every other call goes to
 * the C library. The device starts present unless FAKE_KLM_SSE is
 * "absent" (open fails with ENOENT) or "denied" (EACCES).
 *
 * Commands of the fake driver:
 *   FAKE_SSE_ECHO   copies the 16-byte record it was handed into the
 *                   caller's 16-byte buffer at arg, then scribbles over the
 *                   record; returns 0.
 *   FAKE_SSE_COUNT  returns 7.
 *   anything else   fails with EINVAL.
 */
#ifndef FAKE_KLM_SSE_H
#define FAKE_KLM_SSE_H

#ifdef __cplusplus
extern "C" {
#endif

#define FAKE_SSE_ECHO 0x5301
#define FAKE_SSE_COUNT 0x5302

/* present: 1 for a working device node, 0 for an open failing with error. */
void fake_klm_sse_set_device(int present, int error);
/* Stretches every open of the device by this many microseconds. */
void fake_klm_sse_set_open_delay(unsigned microseconds);

int fake_klm_sse_open_attempts(void);
int fake_klm_sse_opens(void);
int fake_klm_sse_last_flags(void);
unsigned long fake_klm_sse_last_request(void);

#ifdef __cplusplus
}
#endif

#endif /* FAKE_KLM_SSE_H */
