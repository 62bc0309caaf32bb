/* The sample program that compares the runtime with GCC's own: a few
 * deterministic computations over several files, built once with
 * --coverage and linked once with each runtime. */
#ifndef SAMPLE_H
#define SAMPLE_H

int shape_area(int kind, int a, int b);
int shape_never_called(int x);
int tally_digits(unsigned value, unsigned base);
unsigned tally_fib(unsigned n);
int tally_grade(int score);

/* Ends the process with exit(0); built without coverage, so that both
 * runtimes see the same counters when it runs. */
void sample_quit(int sig);

#endif
