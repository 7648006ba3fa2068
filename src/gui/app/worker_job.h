// Long work of a window (a make, a preview, saving frames, a conversion) on a thread of its own,
// so the window keeps repainting and answering while it runs. The work reports progress with
// report(), which reaches the window's thread as a queued signal, and looks at stopRequested()
// between its steps. When the work has returned, `done` runs on the window's thread, after every
// progress value the work reported.
//
// The work must not touch widgets or anything the window may change meanwhile: it gets copies of
// what it needs and leaves its results where `done` picks them up.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>

class QThread;

namespace pictoreel {

class WorkerJob final : public QObject {
    Q_OBJECT
public:
    explicit WorkerJob(QObject* parent = nullptr);
    // Asks a running work to stop and waits for it; its `done` does not run.
    ~WorkerJob() override;
    WorkerJob(const WorkerJob&) = delete;
    WorkerJob& operator=(const WorkerJob&) = delete;

    // Starts `work` on a new thread unless a work is running (then false). `progress` gets the
    // values the work reports, on this object's thread, for as long as the work is this job's.
    bool start(std::function<void()> work, std::function<void(int value)> progress, std::function<void()> done);
    bool isRunning() const { return thread_ != nullptr; }

    // Asks the running work to stop at its next step.
    void cancel() { stop_ = true; }
    // Waits for the running work to end and runs its `done` now, not later from the event loop
    // (a window that goes away finishes its work this way).
    void finishNow();

    // ---- for the work, on its thread ------------------------------------------------------------
    bool stopRequested() const { return stop_.load(); }
    void report(int value) { Q_EMIT reported(generation_.load(), value); }

Q_SIGNALS:
    void reported(quint64 generation, int value);

private:
    void finish(quint64 generation);

    QThread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<quint64> generation_{0};  // which start() the queued signals belong to
    std::function<void(int)> progress_;
    std::function<void()> done_;
};

}  // namespace pictoreel
