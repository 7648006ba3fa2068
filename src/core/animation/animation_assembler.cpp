#include "core/animation/animation_assembler.h"

#include "core/animation/first_frame_hold.h"
#include "core/animation/frame_planner.h"
#include "core/animation/frame_source.h"
#include "core/animation/global_palette.h"
#include "core/animation/recording_table.h"
#include "core/animation/shared_palette.h"
#include "core/gif/gif_writer.h"

#include <algorithm>
#include <memory>

namespace pictoreel {

using namespace animation;

int animationDelay(int centiseconds) { return std::clamp(centiseconds, 0, kMaxGifValue); }

AnimationAssembler::AnimationAssembler(AnimationFrames frames, AnimationSettings settings)
    : frames_(std::move(frames)), settings_(settings)
{
}

Status AnimationAssembler::save(const QString& outputPath, const AssemblyProgress& progress) const
{
    const int count = static_cast<int>(frames_.size());
    if (count == 0)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("An animation needs at least one frame"));
    if (settings_.loopCount && (*settings_.loopCount < 0 || *settings_.loopCount > kMaxGifValue))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("Loop count %1 is outside 0..65535").arg(*settings_.loopCount));
    for (int k = 0; k < count; ++k) {
        const int delay = frames_.delay(std::size_t(k));
        if (delay < 0 || delay > kMaxGifValue)
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("Delay %1 of frame %2 is outside 0..65535").arg(delay).arg(k + 1));
    }

    // The screen size comes from the first frame with a picture.
    int firstIndex = 0;
    while (firstIndex < count && frames_.file(std::size_t(firstIndex)).isEmpty())
        ++firstIndex;
    if (firstIndex == count)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("None of the %1 frames has a picture").arg(count));
    Result<Picture> firstRead = readFramePicture(frames_.file(std::size_t(firstIndex)), firstIndex + 1, 0, 0, Picture{},
                                                 frames_.indices(std::size_t(firstIndex)));
    // Screen content reduced frame by frame may share one table, every frame mapped to it.
    std::optional<RecordingTable> recording;
    if (firstRead && (recording = RecordingTable::choose(frames_, firstIndex, firstRead.value(), settings_.reduction.maxColours)))
        firstRead = recording->picture(frames_, std::size_t(firstIndex), Picture{});
    frames_.forget(std::size_t(firstIndex));
    if (!firstRead)
        return firstRead.error();
    std::optional<Picture> firstPicture = std::move(firstRead).value();
    const int width = firstPicture->width;
    const int height = firstPicture->height;

    GifScreen screen;
    screen.width = width;
    screen.height = height;
    screen.loopCount = settings_.loopCount;
    // The first picture's table becomes the global one when that picture is copied as stored (so
    // it costs nothing: the first frame then carries no table of its own). Frames with the same
    // colours use it instead of a table of their own.
    std::unique_ptr<GlobalPalette> global;
    if (recording) {
        global = std::make_unique<GlobalPalette>(recording->palette());
        screen.globalPalette = recording->palette();
    } else if (std::optional<std::vector<Rgb>> table = sharedChangeTable(frames_, firstIndex, *firstPicture, width, height)) {
        global = std::make_unique<GlobalPalette>(*table);
        screen.globalPalette = std::move(*table);
    } else if (firstIndex == 0 && firstPicture->stored) {
        const GifStoredImage& stored = *firstPicture->stored;
        if (tableSizeFor(static_cast<int>(stored.palette.size())) ==
            std::max(static_cast<int>(stored.palette.size()), 1 << stored.pixels.minCodeSize)) {
            global = std::make_unique<GlobalPalette>(stored.palette);
            screen.globalPalette = stored.palette;
        }
    }
    GifStreamWriter writer;
    if (Status s = writer.open(outputPath, screen); !s)
        return s;

    // Buffers of pictures no longer needed, lent to the next picture read.
    Picture spare;
    auto pictureOf = [&](int k) -> Result<Picture> {
        if (k == firstIndex) {
            Picture p = std::move(*firstPicture);
            firstPicture.reset();  // used once; no need to hold it any longer
            return p;
        }
        Result<Picture> read = recording ? recording->picture(frames_, std::size_t(k), std::move(spare))
                                         : readFramePicture(frames_.file(std::size_t(k)), k + 1, width, height,
                                                            std::move(spare), frames_.indices(std::size_t(k)));
        // Only a reduced frame after the first keeps unseen changes, and needs its source for it.
        if (read && !recording && settings_.temporalThreshold > 0 && !read.value().coloursExact)
            read.value().source = frames_.source(std::size_t(k));
        frames_.forget(std::size_t(k));  // read for the last time
        return read;
    };

    // Frames before the first picture show an empty screen.
    Picture current(width, height);
    if (firstIndex == 0) {
        Result<Picture> p = pictureOf(0);
        if (!p)
            return p.error();
        current = std::move(p).value();
    }

    FramePlanner planner(width, height, global.get(), settings_.lossy, settings_.keepWithinPaletteCells,
                         settings_.mayShowTransparency, settings_.temporalThreshold, settings_.reduction);
    FirstFrameHold hold(writer, screen.globalPalette, settings_.mayShowTransparency);
    int reported = -1;
    for (int k = 0; k < count; ++k) {
        // One frame of lookahead: a frame without picture repeats the current one.
        Picture next;
        Picture* nextPicture = nullptr;
        if (k + 1 < count) {
            if (frames_.file(std::size_t(k + 1)).isEmpty()) {
                nextPicture = &current;
            } else {
                Result<Picture> p = pictureOf(k + 1);
                if (!p)
                    return p.error();
                next = std::move(p).value();
                nextPicture = &next;
            }
        }

        Result<GifFrameDescription> frame = planner.plan(current, nextPicture, k == 0, k + 1);
        if (!frame)
            return frame.error();
        frame.value().delayCentiseconds = frames_.delay(std::size_t(k));
        if (Status s = hold.add(std::move(frame).value()); !s)
            return s;

        if (nextPicture == &next) {
            std::swap(current, next);
            spare = std::move(next);
        }

        const int percent = static_cast<int>((static_cast<std::int64_t>(k) + 1) * 99 / count);
        if (progress && percent > reported) {
            reported = percent;
            if (!progress(percent))
                return makeError(ErrorCode::Cancelled, QStringLiteral("Writing the animation was cancelled"));
        }
    }

    if (Status s = hold.finish(); !s)
        return s;
    if (Status s = writer.finish(); !s)
        return s;
    if (progress)
        progress(100);
    return {};
}

}  // namespace pictoreel
