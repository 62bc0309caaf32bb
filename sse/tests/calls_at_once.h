// Starts `threads` threads that each make one call as soon as all of them
// are ready, and collects their results in thread order.
#pragma once

#include <functional>
#include <latch>
#include <thread>
#include <vector>

namespace fake
{

inline std::vector<int> calls_at_once(int threads, const std::function<int()> &call)
{
    std::vector<int> results(threads, -1);
    std::latch start(threads);
    std::vector<std::thread> running;
    for (int i = 0; i < threads; ++i)
        running.emplace_back([&, i] {
            start.arrive_and_wait();
            results[i] = call();
        });
    for (auto &thread : running)
        thread.join();
    return results;
}

} // namespace fake
