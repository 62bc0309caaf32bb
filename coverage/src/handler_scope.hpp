// Marks the stretch of a coverage signal handler: work done inside keeps to
// async-signal-safe calls (no time-zone lookup, no stdio flush), and the
// interrupted code finds errno as it left it.
#pragma once

#include <atomic>
#include <cerrno>

namespace covdump
{

inline std::atomic<int> g_handler_depth{0};

inline bool in_signal_handler()
{
    return g_handler_depth.load(std::memory_order_relaxed) > 0;
}

class HandlerScope
{
  public:
    HandlerScope() : saved_errno_(errno)
    {
        g_handler_depth.fetch_add(1, std::memory_order_relaxed);
    }
    ~HandlerScope()
    {
        g_handler_depth.fetch_sub(1, std::memory_order_relaxed);
        errno = saved_errno_;
    }
    HandlerScope(const HandlerScope &) = delete;
    HandlerScope &operator=(const HandlerScope &) = delete;

  private:
    int saved_errno_;
};

} // namespace covdump
