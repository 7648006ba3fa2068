// Frames written on worker threads while the caller decodes the next ones, in any order, each file
// whole: the extractor's PNG frames, whose encoding costs far more than decoding the GIF.
#pragma once

#include "core/base/error.h"
#include "core/gif/gif_reader.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace pictoreel::cli {

class ParallelWrites {
public:
    using Write = std::function<Status(GifFrame frame, const QString& output)>;
    // `threads` workers (0: each frame is written in push itself); at most twice as many frames wait.
    ParallelWrites(int threads, Write write);
    ~ParallelWrites();
    ParallelWrites(const ParallelWrites&) = delete;
    ParallelWrites& operator=(const ParallelWrites&) = delete;

    // Hands frame `k` over to be written to `output`, waiting while the queue is full. False once a
    // write has failed: nothing more is written.
    bool push(int k, GifFrame frame, const QString& output);
    // Waits until every frame handed over is written (or dropped after a failure); the first
    // failure with its frame's number.
    std::optional<std::pair<int, Error>> finish();
    // Frames written so far.
    int written() const { return written_.load(); }

private:
    struct Job {
        int k;
        GifFrame frame;
        QString output;
    };
    void work();
    void run(Job job);
    Write write_;
    std::size_t maxWaiting_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> waiting_;
    bool closing_ = false;
    std::optional<std::pair<int, Error>> failure_;
    std::atomic<int> written_{0};
    std::vector<std::thread> workers_;
};

}  // namespace pictoreel::cli
