#include "gui/dialogs/video_preview.h"

#include "core/media/ffmpeg_adapter.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <utility>

namespace pictoreel {

struct VideoPreviewState {
    std::optional<ffmpeg::VideoDecoder> decoder;
    std::optional<ffmpeg::VideoFrame> last;  // the frame the decoder gave last
    std::int64_t length = -1;                // unknown until the first run
    // The answer of the run that ended.
    QImage picture;
    std::int64_t time = 0;
};

namespace {

QImage toQImage(const RgbaImage& image)
{
    if (image.empty())
        return {};
    return QImage(image.pixels.data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888).copy();
}

// Decodes up to the frame shown at `time`, from the frame given last when it is not later.
void decodeAt(VideoPreviewState& state, const QString& video, std::int64_t time, const WorkerJob& job)
{
    if (state.last && state.last->startMicroseconds > time)
        state.decoder.reset();
    if (!state.decoder) {
        state.last.reset();
        auto opened = ffmpeg::VideoDecoder::open(video);
        if (!opened)
            return;
        state.decoder.emplace(std::move(opened).value());
    }
    if (state.length < 0)
        state.length = state.decoder->statedMicroseconds();
    while (!job.stopRequested()) {
        if (state.last && state.last->startMicroseconds <= time) {
            const std::int64_t shown = state.last->durationMicroseconds > 0 ? state.last->durationMicroseconds
                                                                            : state.decoder->nominalFrameMicroseconds();
            if (time < state.last->startMicroseconds + std::max<std::int64_t>(shown, 1))
                break;
        }
        auto next = state.decoder->nextFrame();
        if (!next || !next.value())
            break;  // past the end (or broken off): the last frame stands for the rest
        state.last = std::move(*next.value());
    }
    if (state.last)
        state.picture = toQImage(state.last->image);
}

}  // namespace

VideoPreview::VideoPreview(QString video, QObject* parent)
    : QObject(parent), video_(std::move(video)), state_(std::make_shared<VideoPreviewState>())
{
}

VideoPreview::~VideoPreview() = default;

void VideoPreview::request(std::int64_t microseconds)
{
    waiting_ = microseconds;
    if (!job_.isRunning())
        startNext();
}

void VideoPreview::startNext()
{
    const std::int64_t time = *std::exchange(waiting_, std::nullopt);
    auto work = [state = state_, video = video_, time, job = &job_] {
        state->picture = {};
        state->time = time;
        try {
            decodeAt(*state, video, time, *job);
            if (state->length == 0 && state->last) {
                // The file states no length: the end of its last frame is the length.
                VideoPreviewState toEnd;
                decodeAt(toEnd, video, INT64_MAX - 1, *job);
                state->length = toEnd.last ? toEnd.last->startMicroseconds + std::max<std::int64_t>(toEnd.last->durationMicroseconds, 0) : 0;
            }
        } catch (const std::exception&) {  // out of memory and the like: no picture
            state->decoder.reset();
            state->last.reset();
        }
    };
    job_.start(std::move(work), {}, [this] {
        // Taken before anything is told: an answer may ask for the next picture at once.
        const QImage picture = std::exchange(state_->picture, QImage());
        const std::int64_t time = state_->time, length = std::max<std::int64_t>(state_->length, 0);
        if (!std::exchange(lengthSent_, true))
            Q_EMIT lengthKnown(length);
        if (waiting_) {
            if (!job_.isRunning())
                startNext();
            return;
        }
        Q_EMIT pictureReady(picture, time);
    });
}

}  // namespace pictoreel
