// Progress of a slow PROM transfer on standard error: bytes done of the
// total and the time left, drawn only when standard error is a terminal
// and the transfer takes more than about two seconds.
#pragma once

#include <string>

namespace idpromtool
{

// While it lives, the library's page routines report to it.
class Progress
{
  public:
    explicit Progress(std::string what);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

  private:
    static void hook(void *context, int done, int total);
    void update(int done, int total);
    void draw(int done, int total, double elapsed);

    std::string what_;
    double start_ = 0;
    double last_draw_ = 0;
    size_t drawn_width_ = 0;
    bool active_ = false;
    bool drawn_ = false;
};

} // namespace idpromtool
