#include "core/capture/screen_recording.h"

#include "core/base/replacing_file.h"
#include "core/formats/png_writer.h"
#include "core/media/played_timeline.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace pictoreel {

namespace {

using Clock = std::chrono::steady_clock;

// A picture whose delay is known, waiting to be written as the frame of number `index`.
struct Timed {
    PlayedTimeline::Frame frame;
    std::size_t index = 0;
};

// Writing a PNG takes longer than taking the picture: that work is shared by this many threads.
int writerCount() { return std::clamp(int(std::thread::hardware_concurrency()), 1, 3); }

}  // namespace

struct ScreenRecording::State {
    std::unique_ptr<FrameGrabber> grabber;
    RecordingSettings settings;
    QString folder;
    std::unique_ptr<CreatedFolders> created;
    std::unique_ptr<QTemporaryDir> scratch;

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Timed> queue;
    std::size_t timed = 0;  // frames whose delay is known
    RecordingCounts counts;
    bool stopAsked = false;
    bool cancelAsked = false;
    bool writingEnded = false;
    bool finished = false;
    std::optional<Error> failure;
    Clock::time_point started;
    Clock::time_point pausedSince;
    Clock::duration pausedFor{};
    std::int64_t endAt = 0;
    std::vector<ExtractedFrame> frames;

    std::thread taker;
    std::vector<std::thread> writers;
    int writersLeft = 0;

    // Recorded time at `now`, pauses left out (caller holds the mutex).
    std::int64_t recordedAt(Clock::time_point now) const
    {
        const Clock::duration paused = pausedFor + (counts.paused ? now - pausedSince : Clock::duration{});
        return std::chrono::duration_cast<std::chrono::microseconds>(now - started - paused).count();
    }

    void fail(Error error)
    {
        if (!failure)
            failure = std::move(error);
        stopAsked = true;
        changed.notify_all();
    }

    // Queues the frame the timeline gave back, if any (caller holds the mutex).
    void queue_(std::optional<PlayedTimeline::Frame> done)
    {
        if (!done)
            return;
        queue.push_back({std::move(*done), timed++});
        changed.notify_all();
    }

    // Takes the pictures and times them: a picture the same as the one before is left out, and
    // one that comes while the queue is full is dropped; either way the one before lasts longer.
    void takePictures()
    {
        const std::int64_t interval = 1000000 / settings.framesPerSecond;
        PlayedTimeline timeline;
        std::int64_t next = 0;  // when the next picture is due
        std::unique_lock lock(mutex);
        for (;;) {
            if (stopAsked)
                break;
            if (counts.paused) {
                changed.wait(lock);
                continue;
            }
            const std::int64_t now = recordedAt(Clock::now());
            const std::int64_t end = settings.durationMicroseconds.value_or(INT64_MAX);
            if (now >= end) {
                endAt = end;
                break;
            }
            if (grabber->finished())
                break;
            if (now < next) {
                changed.wait_for(lock, std::chrono::microseconds(std::min(next, end) - now));
                continue;
            }
            next = (now / interval + 1) * interval;  // a late picture skips the ones it missed
            counts.asked = std::min(now, end) / interval + 1;
            lock.unlock();
            Result<RgbaImage> grabbed = grabber->grab();
            const bool same = grabbed && timeline.pending() && timeline.pending()->pixels == grabbed.value().pixels;
            lock.lock();
            if (!grabbed) {
                fail(grabbed.error());
                break;
            }
            if (same) {
                ++counts.identical;
                continue;
            }
            if (queue.size() >= std::size_t(std::max(1, settings.queuedPictures))) {
                ++counts.dropped;
                continue;
            }
            ++counts.kept;
            queue_(timeline.add(std::move(grabbed).value(), now));
        }
        if (endAt == 0)
            endAt = recordedAt(Clock::now());
        if (timeline.pending() && !failure)
            queue_(timeline.finish(endAt));
        counts.elapsedMicroseconds = endAt;
        counts.ended = true;
        changed.notify_all();
    }

    Status writeFrame(const Timed& timed)
    {
        Result<QByteArray> png = encodeFastPng(timed.frame.image);
        if (!png)
            return png.error();
        const QString file = QDir(scratch->path()).filePath(QString::number(timed.index));
        if (Status s = writeFileAtomically(file, png.value()); !s)
            return s;
        std::lock_guard lock(mutex);
        if (frames.size() <= timed.index)
            frames.resize(timed.index + 1);
        frames[timed.index] = {file, std::min(timed.frame.delay, kMaxFrameInterval)};
        ++counts.written;
        return {};
    }

    void writePictures()
    {
        for (;;) {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return cancelAsked || failure || !queue.empty() || counts.ended; });
            if (cancelAsked || failure || queue.empty())
                break;
            Timed timed = std::move(queue.front());
            queue.pop_front();
            changed.notify_all();
            lock.unlock();
            if (Status s = writeFrame(timed); !s) {
                std::lock_guard again(mutex);
                fail(s.error());
                break;
            }
        }
        std::lock_guard lock(mutex);
        if (--writersLeft == 0)
            writingEnded = true;
        changed.notify_all();
    }

    void join()
    {
        {
            std::lock_guard lock(mutex);
            stopAsked = true;
            changed.notify_all();
        }
        if (taker.joinable())
            taker.join();
        for (std::thread& writer : writers)
            if (writer.joinable())
                writer.join();
    }
};

ScreenRecording::ScreenRecording(std::unique_ptr<State> state) : state_(std::move(state)) {}

ScreenRecording::~ScreenRecording()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->cancelAsked = !state_->finished;
    }
    state_->join();
}

Result<std::unique_ptr<ScreenRecording>> ScreenRecording::start(std::unique_ptr<FrameGrabber> grabber, const QString& folder,
                                                                const RecordingSettings& settings)
{
    if (settings.framesPerSecond < kMinRecordingRate || settings.framesPerSecond > kMaxRecordingRate)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The frame rate must be %1 to %2 frames a second, not %3")
                                                         .arg(kMinRecordingRate).arg(kMaxRecordingRate).arg(settings.framesPerSecond));
    if (settings.durationMicroseconds && *settings.durationMicroseconds <= 0)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The duration must be more than 0"));
    if (holdsNumberedFrames(folder, settings.baseName))
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("%1 already holds frames named %2; choose another folder")
                                                         .arg(folder, numberedFrameName(settings.baseName, 0, 1)));
    auto state = std::make_unique<State>();
    state->grabber = std::move(grabber);
    state->settings = settings;
    state->folder = folder;
    state->created = std::make_unique<CreatedFolders>(folder);
    if (!QDir().mkpath(folder))
        return makeError(ErrorCode::FolderCreateFailed, QStringLiteral("Cannot create the folder %1").arg(folder));
    state->scratch = std::make_unique<QTemporaryDir>(QDir(folder).filePath(QStringLiteral(".pictoreel-frames-XXXXXX")));
    if (!state->scratch->isValid())
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write in %1: %2").arg(folder, state->scratch->errorString()));
    State* raw = state.get();
    raw->started = Clock::now();
    raw->taker = std::thread([raw] { raw->takePictures(); });
    raw->writersLeft = writerCount();
    for (int i = 0; i < raw->writersLeft; ++i)
        raw->writers.push_back(std::thread([raw] { raw->writePictures(); }));
    return std::unique_ptr<ScreenRecording>(new ScreenRecording(std::move(state)));
}

void ScreenRecording::pause()
{
    std::lock_guard lock(state_->mutex);
    if (state_->counts.paused || state_->counts.ended)
        return;
    state_->counts.paused = true;
    state_->pausedSince = Clock::now();
    state_->changed.notify_all();
}

void ScreenRecording::resume()
{
    std::lock_guard lock(state_->mutex);
    if (!state_->counts.paused)
        return;
    state_->pausedFor += Clock::now() - state_->pausedSince;
    state_->counts.paused = false;
    state_->changed.notify_all();
}

void ScreenRecording::stop()
{
    std::lock_guard lock(state_->mutex);
    state_->stopAsked = true;
    state_->changed.notify_all();
}

RecordingCounts ScreenRecording::counts() const
{
    std::lock_guard lock(state_->mutex);
    RecordingCounts counts = state_->counts;
    if (!counts.ended)
        counts.elapsedMicroseconds = state_->recordedAt(Clock::now());
    return counts;
}

int ScreenRecording::width() const { return state_->grabber->width(); }
int ScreenRecording::height() const { return state_->grabber->height(); }

Result<std::vector<ExtractedFrame>> ScreenRecording::finish(const std::function<bool(int)>& progress)
{
    State& s = *state_;
    stop();
    if (s.taker.joinable())
        s.taker.join();
    {
        std::unique_lock lock(s.mutex);
        const std::int64_t total = std::max<std::int64_t>(1, std::int64_t(s.timed));
        int last = -1;
        while (!s.writingEnded) {
            s.changed.wait_for(lock, std::chrono::milliseconds(100));
            const int percent = int(std::min<std::int64_t>(98, s.counts.written * 99 / total));
            if (progress && percent != last) {
                last = percent;
                lock.unlock();
                const bool goOn = progress(percent);
                lock.lock();
                if (!goOn) {
                    s.cancelAsked = true;
                    s.changed.notify_all();
                }
            }
        }
    }
    for (std::thread& writer : s.writers)
        writer.join();
    if (s.cancelAsked)
        return makeError(ErrorCode::Cancelled, QStringLiteral("The recording was cancelled"));
    if (s.failure)
        return *s.failure;
    if (s.frames.empty())
        return makeError(ErrorCode::EmptyImage, QStringLiteral("Nothing was recorded"));
    std::vector<ExtractedFrame> frames = s.frames;
    const auto cancelled = [&] { return progress && !progress(99); };
    if (Status published = publishNumberedFrames(frames, s.folder, s.settings.baseName, cancelled); !published)
        return published.error();
    s.created->keep();
    s.scratch->remove();
    {
        std::lock_guard lock(s.mutex);
        s.finished = true;
    }
    if (progress)
        progress(100);
    return frames;
}

}  // namespace pictoreel
