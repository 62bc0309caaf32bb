// Sends standard output (the event log) to /dev/null for the life of the
// object, so that logging stays out of races and measurements.
#ifndef LINKMON_TESTS_STDOUT_TO_NULL_H
#define LINKMON_TESTS_STDOUT_TO_NULL_H

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

class StdoutToNull
{
  public:
    StdoutToNull()
    {
        fflush(stdout);
        saved_ = dup(1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~StdoutToNull()
    {
        fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
    }
    StdoutToNull(const StdoutToNull &) = delete;
    StdoutToNull &operator=(const StdoutToNull &) = delete;

  private:
    int saved_;
};

#endif
