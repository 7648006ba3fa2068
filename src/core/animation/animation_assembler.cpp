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
    if (!firstRead) {
        frames_.forget(std::size_t(firstIndex));
        return firstRead.error();
    }
    // The frames are written at once on the first picture's table; screen content reduced frame
    // by frame may share one table instead, and flat graphics the colours most frames change
    // to, which the frames tell only once all are read: then they are written again on it.
    GlobalChoice choice;
    RecordingCheck recordingCheck(frames_, firstIndex, firstRead.value());
    SharedChangeCheck sharedCheck(frames_, firstIndex, firstRead.value());
    frames_.forget(std::size_t(firstIndex));
    choice.recordingCheck = &recordingCheck;
    choice.sharedCheck = &sharedCheck;
    if (recordingCheck.open() || sharedCheck.open())
        choice.firstAgain = firstRead.value();
    int reported = -1;
    if (Status s = write(outputPath, firstIndex, std::move(firstRead).value(), choice, progress, reported); !s || !choice.again)
        return s;
    choice.again = false;
    Picture first;
    if (choice.recording) {
        Result<Picture> read = choice.recording->picture(frames_, std::size_t(firstIndex), Picture{});
        if (!read)
            return read.error();
        first = std::move(read).value();
    } else {
        first = std::move(*choice.firstAgain);
        choice.firstAgain.reset();
    }
    return write(outputPath, firstIndex, std::move(first), choice, progress, reported);
}

Status AnimationAssembler::write(const QString& outputPath, int firstIndex, Picture first, GlobalChoice& choice,
                                 const AssemblyProgress& progress, int& reported) const
{
    const int count = static_cast<int>(frames_.size());
    const auto checking = [&choice] {
        return (choice.recordingCheck && choice.recordingCheck->open()) || (choice.sharedCheck && choice.sharedCheck->open());
    };
    std::optional<Picture> firstPicture = std::move(first);
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
    std::optional<RecordingTable>& recording = choice.recording;
    if (recording) {
        global = std::make_unique<GlobalPalette>(recording->palette());
        screen.globalPalette = recording->palette();
    } else if (choice.shared) {
        global = std::make_unique<GlobalPalette>(*choice.shared);
        screen.globalPalette = *choice.shared;
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

    std::optional<FramePlanner> planner(std::in_place, width, height, global.get(), settings_.lossy,
                                        settings_.keepWithinPaletteCells, settings_.mayShowTransparency,
                                        settings_.temporalThreshold, settings_.reduction);
    std::optional<FirstFrameHold> hold(std::in_place, writer, screen.globalPalette, settings_.mayShowTransparency);
    // Buffers of pictures no longer needed, lent to the next picture read.
    Picture spare;
    // The frames read and not let go yet: while they may be written again, they stay as they
    // were handed over.
    std::size_t held = std::size_t(firstIndex) + 1;
    auto pictureOf = [&](int k) -> Result<Picture> {
        if (k == firstIndex) {
            Picture p = std::move(*firstPicture);
            firstPicture.reset();  // used once; no need to hold it any longer
            return p;
        }
        Result<Picture> read = recording ? recording->picture(frames_, std::size_t(k), std::move(spare))
                                         : readFramePicture(frames_.file(std::size_t(k)), k + 1, width, height,
                                                            std::move(spare), frames_.indices(std::size_t(k)));
        if (read && choice.recordingCheck)
            choice.recordingCheck->add(frames_, std::size_t(k), read.value());
        if (read && choice.sharedCheck)
            choice.sharedCheck->add(frames_, std::size_t(k), read.value());
        // Only a reduced frame after the first keeps unseen changes, and needs its source for it.
        if (read && !recording && settings_.temporalThreshold > 0 && !read.value().coloursExact)
            read.value().source = frames_.source(std::size_t(k));
        if (planner && !checking()) {
            for (; held <= std::size_t(k); ++held)
                frames_.forget(held);  // read for the last time
            choice.firstAgain.reset();
        }
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

        // Once a table of their own looks likely, the frames are only read on, to be written
        // again once all are (on the first picture's table too, when neither is chosen after all).
        if (planner && ((choice.recordingCheck && choice.recordingCheck->likely()) ||
                        (choice.sharedCheck && choice.sharedCheck->likely()))) {
            planner.reset();
            hold.reset();
        }
        if (planner) {
            Result<GifFrameDescription> frame = planner->plan(current, nextPicture, k == 0, k + 1);
            if (!frame)
                return frame.error();
            frame.value().delayCentiseconds = frames_.delay(std::size_t(k));
            if (Status s = hold->add(std::move(frame).value()); !s)
                return s;
        }

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

    // Every frame is read: whether they are to be written again on a table of their own.
    if (checking() || !planner) {
        std::optional<RecordingTable> table =
            choice.recordingCheck ? choice.recordingCheck->finish(settings_.reduction.maxColours) : std::nullopt;
        std::optional<std::vector<Rgb>> shared = !table && choice.sharedCheck ? choice.sharedCheck->finish() : std::nullopt;
        if (table || shared || !planner) {
            std::optional<Picture> firstAgain = std::move(choice.firstAgain);
            choice = GlobalChoice{};
            choice.recording = std::move(table);
            choice.shared = std::move(shared);
            choice.firstAgain = std::move(firstAgain);
            choice.again = true;
            return {};
        }
    }
    if (Status s = hold->finish(); !s)
        return s;
    if (Status s = writer.finish(); !s)
        return s;
    if (progress)
        progress(100);
    return {};
}

}  // namespace pictoreel
