/*
 * libssecall: sends commands to the SSE kernel driver.
 *
 * The command number and the data behind the argument pointer are agreed
 * between the calling program and the driver; the library only carries
 * them to the driver's device and turns the outcome into an integer.
 */
#ifndef SSECALL_H
#define SSECALL_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Opens the driver's device on first use (safe from several threads at
 * once; the device then stays open) and issues command `cmd` with `arg`.
 *
 * Returns the driver's result when it is 0 or more, the errno value when
 * the driver fails the command, and the errno value of the open when the
 * device cannot be opened (a message then goes to standard output and the
 * next call tries again). A positive driver result and an error code of
 * the same value look alike.
 */
int sse_call(int cmd, void *arg);

#ifdef __cplusplus
}
#endif

#endif /* SSECALL_H */
