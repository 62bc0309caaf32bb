// The progress line: "reading the fan tray 1 PROM: 113/226 bytes, 0:03
// left", redrawn in place a few times a second.
#include "progress.h"

#include <boardprom.h>

#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <utility>

namespace idpromtool
{
namespace
{

// Shown once the transfer has run this long, or earlier once it has run
// kSettle seconds and looks like taking kSlow seconds in all.
inline constexpr double kSlow = 2.0;
inline constexpr double kSettle = 0.5;
inline constexpr double kRedraw = 0.25;
inline constexpr const char *kLine = "\r%s: %d/%d bytes, %s";
inline constexpr const char *kLeft = "%ld:%02ld left";
inline constexpr const char *kDone = "done";

double now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

Progress::Progress(std::string what) : what_(std::move(what))
{
    if (isatty(STDERR_FILENO) != 1)
        return;
    active_ = true;
    start_ = now();
    idprom_set_progress(&Progress::hook, this);
}

Progress::~Progress()
{
    if (!active_)
        return;
    idprom_set_progress(nullptr, nullptr);
    if (drawn_)
        std::fputc('\n', stderr);
}

void Progress::hook(void *context, int done, int total)
{
    static_cast<Progress *>(context)->update(done, total);
}

void Progress::update(int done, int total)
{
    if (done <= 0 || total <= 0)
        return;
    const double t = now();
    const double elapsed = t - start_;
    if (!drawn_) {
        const double expected = elapsed * total / done;
        if (elapsed < kSlow && (elapsed < kSettle || expected < kSlow))
            return;
    } else if (t - last_draw_ < kRedraw && done < total) {
        return;
    }
    last_draw_ = t;
    draw(done, total, elapsed);
}

void Progress::draw(int done, int total, double elapsed)
{
    char left[32] = {};
    if (done < total) {
        const auto seconds = static_cast<long>(elapsed * (total - done) / done + 0.5);
        std::snprintf(left, sizeof left, kLeft, seconds / 60, seconds % 60);
    } else {
        std::snprintf(left, sizeof left, "%s", kDone);
    }
    const int width = std::fprintf(stderr, kLine, what_.c_str(), done, total, left);
    // Blank out what a longer earlier line left behind.
    for (size_t i = width > 0 ? static_cast<size_t>(width) : 0; i < drawn_width_; ++i)
        std::fputc(' ', stderr);
    if (width > 0 && static_cast<size_t>(width) > drawn_width_)
        drawn_width_ = static_cast<size_t>(width);
    std::fflush(stderr);
    drawn_ = true;
}

} // namespace idpromtool
