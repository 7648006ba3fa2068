// A recording of the screen: pictures taken at a steady rate on a thread of their own and timed
// there, handed through a short queue to threads that write them as PNG files (one a core, up
// to three), so that a long recording never holds more than a few pictures in memory. A picture
// identical to the one before it is not kept: the one before lasts longer (a still screen costs
// nothing). When the writing falls behind and the queue is full, the new picture is dropped and
// counted, and the one before lasts longer too.
//
// On finish the files take their numbered names ("<base>_0001.png" ...) and come back with
// their delays: the time until the next kept picture, in hundredths, never below 2, as "Add
// Video Frames ..." gives them. A failed or cancelled recording leaves nothing behind.
#pragma once

#include "core/capture/frame_grabber.h"
#include "core/media/numbered_frames.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pictoreel {

inline constexpr int kMinRecordingRate = 5;
inline constexpr int kMaxRecordingRate = 30;
inline constexpr int kDefaultRecordingRate = 15;

struct RecordingSettings {
    int framesPerSecond = kDefaultRecordingRate;  // kMinRecordingRate .. kMaxRecordingRate
    std::optional<std::int64_t> durationMicroseconds;  // the recording stops by itself after it
    QString baseName = QStringLiteral("screen");      // the files' names start with it
    int queuedPictures = 12;                          // between taking and writing, at most
};

struct RecordingCounts {
    std::int64_t elapsedMicroseconds = 0;  // recorded time, pauses left out
    std::int64_t asked = 0;                // pictures the rate asked for so far
    std::int64_t kept = 0;                 // taken and different from the one before
    std::int64_t identical = 0;            // taken and the same as the one before
    std::int64_t dropped = 0;              // taken, but the writing was too far behind
    std::int64_t written = 0;              // files written so far
    bool paused = false;
    bool ended = false;  // no more pictures are taken: stopped, at its duration, or failed
};

class ScreenRecording {
public:
    // Starts recording from `grabber` into `folder` (created when missing). InvalidArgument for
    // a rate out of range or a folder that holds frames of the base name already,
    // FolderCreateFailed, FileWriteFailed.
    static Result<std::unique_ptr<ScreenRecording>> start(std::unique_ptr<FrameGrabber> grabber, const QString& folder,
                                                          const RecordingSettings& settings = {});
    // Stops, and removes what was written unless finish() kept it.
    ~ScreenRecording();
    ScreenRecording(const ScreenRecording&) = delete;
    ScreenRecording& operator=(const ScreenRecording&) = delete;

    void pause();
    void resume();
    // No picture is taken after this; those taken are still written.
    void stop();
    RecordingCounts counts() const;
    int width() const;
    int height() const;

    // Stops, waits for every picture taken to be written and gives the frames their names.
    // `progress` gets 0..99 while the queue empties and 100 at the end; false from it cancels.
    // Errors: what taking or writing a picture met (FileReadFailed, FileWriteFailed ...),
    // EmptyImage when no picture was taken, Cancelled.
    Result<std::vector<ExtractedFrame>> finish(const std::function<bool(int)>& progress = {});

private:
    struct State;
    explicit ScreenRecording(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace pictoreel
