// A thread that reads ahead: while the merge adds up the counters of one
// object, the next bytes of each dump are already being copied in, so the
// two processors of a card share the work of a merge.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "source.hpp"

namespace covtool
{

// One read handed to the thread. Owned by its reader, which waits for it
// before reusing or dropping the buffer.
struct ReadJob {
    const Source *source = nullptr;
    std::uint64_t offset = 0;
    std::size_t length = 0;
    unsigned char *into = nullptr;
    bool pending = false; // submitted, not yet waited for
    bool done = false;    // guarded by the prefetcher's lock
    std::string error;
};

class Prefetcher
{
  public:
    Prefetcher();
    Prefetcher(const Prefetcher &) = delete;
    Prefetcher &operator=(const Prefetcher &) = delete;
    ~Prefetcher();

    void submit(ReadJob &job);
    // Waits until the job's bytes are in; throws Failure if they could not
    // be read.
    void wait(ReadJob &job);

  private:
    void work();

    std::mutex lock_;
    std::condition_variable queued_, finished_;
    std::deque<ReadJob *> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace covtool
