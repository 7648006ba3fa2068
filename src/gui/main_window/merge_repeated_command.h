// Edit / Merge Repeated Frames as the main window runs it. The frames are converted as a make
// converts them, on worker threads, while the window takes no input but the make's Cancel and
// `pbPer` follows them. Once every frame is compared, neighbours with the same pixels become one
// frame. A Cancel, or a window that closes meanwhile, leaves the frames as they were.
#pragma once

#include "core/production/frame_cache.h"
#include "gui/app/worker_job.h"

#include <QObject>

#include <functional>
#include <vector>

class QProgressBar;

namespace pictoreel {

class FrameList;

class MergeRepeatedCommand final : public QObject {
    Q_OBJECT
public:
    struct Host {
        // The window takes no input but the Cancel while the frames are compared (true), and
        // takes input again (false).
        std::function<void(bool running)> setRunning;
        QProgressBar* pbPer = nullptr;
        FrameList* frames = nullptr;
        // After frames were merged.
        std::function<void()> merged;
    };

    explicit MergeRepeatedCommand(Host host, QObject* parent = nullptr);

    // Compares the frames of `conversions` (one a row, in row order) on `jobs` threads, then
    // merges the rows of the frame list that repeat the row before them.
    void start(std::vector<FrameConversion> conversions, int jobs);
    void cancel() { job_.cancel(); }
    // Stops a comparison under way and waits for it, merging nothing (closing the window).
    void cancelAndWait();
    bool isBusy() const { return job_.isRunning(); }

Q_SIGNALS:
    // The comparison has ended and its merge, if any, is done.
    void finished();

private:
    Host host_;
    WorkerJob job_;  // last: the worker stops before anything else of this object goes
};

}  // namespace pictoreel
