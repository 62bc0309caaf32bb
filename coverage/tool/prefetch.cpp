#include "prefetch.hpp"

#include "bad_input.hpp"

namespace covtool
{

Prefetcher::Prefetcher() : thread_([this] { work(); }) {}

Prefetcher::~Prefetcher()
{
    {
        const std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    queued_.notify_one();
    thread_.join();
}

void Prefetcher::submit(ReadJob &job)
{
    {
        const std::lock_guard<std::mutex> hold(lock_);
        job.done = false;
        job.error.clear();
        queue_.push_back(&job);
    }
    job.pending = true;
    queued_.notify_one();
}

void Prefetcher::wait(ReadJob &job)
{
    std::unique_lock<std::mutex> hold(lock_);
    finished_.wait(hold, [&job] { return job.done; });
    job.pending = false;
    if (!job.error.empty()) {
        throw Failure(job.error);
    }
}

void Prefetcher::work()
{
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        queued_.wait(hold, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;
        }
        ReadJob &job = *queue_.front();
        queue_.pop_front();
        hold.unlock();
        std::string error;
        try {
            job.source->read(job.offset, {job.into, job.length});
        } catch (const Failure &e) {
            error = e.what();
        }
        hold.lock();
        job.error = std::move(error);
        job.done = true;
        finished_.notify_all();
    }
}

} // namespace covtool
