#include "parallel_writes.h"

namespace pictoreel::cli {

ParallelWrites::ParallelWrites(int threads, Write write)
    : write_(std::move(write)), maxWaiting_(std::size_t(std::max(threads, 1)) * 2)
{
    for (int i = 0; i < threads; ++i)
        workers_.emplace_back([this] { work(); });
}

ParallelWrites::~ParallelWrites() { finish(); }

void ParallelWrites::run(Job job)
{
    {
        const std::lock_guard lock(mutex_);
        if (failure_)
            return;
    }
    const Status s = write_(std::move(job.frame), job.output);
    const std::lock_guard lock(mutex_);
    if (s)
        ++written_;
    else if (!failure_)
        failure_.emplace(job.k, s.error());
}

void ParallelWrites::work()
{
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
        if (waiting_.empty())
            return;
        Job job = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        changed_.notify_all();
        run(std::move(job));
    }
}

bool ParallelWrites::push(int k, GifFrame frame, const QString& output)
{
    if (workers_.empty()) {
        run(Job{k, std::move(frame), output});
        const std::lock_guard lock(mutex_);
        return !failure_;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < maxWaiting_ || failure_; });
    if (failure_)
        return false;
    waiting_.push_back(Job{k, std::move(frame), output});
    lock.unlock();
    changed_.notify_all();
    return true;
}

std::optional<std::pair<int, Error>> ParallelWrites::finish()
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
    const std::lock_guard lock(mutex_);
    return failure_;
}

}  // namespace pictoreel::cli
