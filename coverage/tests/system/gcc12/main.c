/* Modes: "exit" returns from main; "wait FILE" creates FILE and waits for
 * signal 56; "self" raises signal 56 itself (for the emulator, which does
 * not pass a signal sent from outside to the program). Signal 56 ends the
 * process through sample_quit. */
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "sample.h"

static int workload(void)
{
    int total = 0;
    for (int kind = 0; kind < 4; ++kind) {
        total += shape_area(kind, kind + 2, 3);
    }
    for (unsigned v = 1; v < 2000; v *= 3) {
        total += tally_digits(v, 10) + tally_digits(v, 2);
    }
    total += (int)tally_fib(12);
    for (int score = -5; score <= 105; score += 10) {
        total += tally_grade(score);
    }
    return total;
}

static int wait_for_signal(const char *ready)
{
    const int fd = open(ready, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return 3;
    }
    close(fd);
    for (;;) {
        pause();
    }
}

int main(int argc, char **argv)
{
    printf("total %d\n", workload());
    fflush(stdout);
    if (argc < 2 || strcmp(argv[1], "exit") == 0) {
        return 0;
    }
    signal(56, sample_quit);
    if (strcmp(argv[1], "self") == 0) {
        raise(56);
        return 1;
    }
    if (strcmp(argv[1], "wait") == 0 && argc == 3) {
        return wait_for_signal(argv[2]);
    }
    return 2;
}
