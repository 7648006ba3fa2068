#include "gui/app/worker_job.h"

#include <QThread>

namespace pictoreel {

WorkerJob::WorkerJob(QObject* parent) : QObject(parent)
{
    // Emitted on the work's thread: queued to this object's thread.
    connect(this, &WorkerJob::reported, this, [this](quint64 generation, int value) {
        if (thread_ && generation == generation_ && progress_)
            progress_(value);
    });
}

WorkerJob::~WorkerJob()
{
    if (!thread_)
        return;
    stop_ = true;
    thread_->wait();
    delete thread_;
}

bool WorkerJob::start(std::function<void()> work, std::function<void(int value)> progress, std::function<void()> done)
{
    if (thread_)
        return false;
    stop_ = false;
    const quint64 generation = ++generation_;
    progress_ = std::move(progress);
    done_ = std::move(done);
    thread_ = QThread::create(std::move(work));
    thread_->setObjectName(QStringLiteral("WorkerJob"));
    // Emitted on the work's thread after its last report: queued behind the reports.
    connect(thread_, &QThread::finished, this, [this, generation] { finish(generation); });
    thread_->start();
    return true;
}

void WorkerJob::finishNow()
{
    if (thread_)
        finish(generation_);
}

void WorkerJob::finish(quint64 generation)
{
    if (!thread_ || generation != generation_)
        return;  // finished already by finishNow
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    progress_ = {};
    const std::function<void()> done = std::move(done_);
    done_ = {};
    if (done)
        done();
}

}  // namespace pictoreel
