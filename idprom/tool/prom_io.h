// Moving whole images between the tool and a PROM through the library's
// page routines, the same road its show and program operations take, and
// the read-back check after every write.
#pragma once

#include "target.h"

namespace idpromtool
{

// The layout's image from the PROM into `image`; the library's code.
int read_prom(const Prom &prom, Image &image, const char *purpose);

// Finds the module (fan tray or power module) and reads its image into
// `image`, saying so on standard error when the read fails: true when the
// image is there.
bool read_current(const Request &request, Prom *prom, Image &image);

// The layout's image from `image` into the PROM; the library's code.
int write_prom(const Prom &prom, const Image &image);

// Reads the image back and compares it with what was written: the exit
// status (0 all bytes as written, 1 otherwise, each differing offset
// printed with the byte expected and the byte read).
int verify_prom(const Prom &prom, const Image &written);

// Tells the operator the read-back was skipped, and why.
void verification_skipped(bool by_operator);

// While it lives, what the library prints on standard output goes to
// standard error, so that standard output carries only the tool's data.
class LibraryOutputToStderr
{
  public:
    LibraryOutputToStderr();
    ~LibraryOutputToStderr();
    LibraryOutputToStderr(const LibraryOutputToStderr &) = delete;
    LibraryOutputToStderr &operator=(const LibraryOutputToStderr &) = delete;

  private:
    int saved_ = -1;
};

} // namespace idpromtool
