// Pictures with start times become frames with delays as GIF players show them.
#pragma once

#include "core/base/image.h"
#include "core/imaging/composite.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace pictoreel {

// A last frame of unknown length (no duration, no frame rate) is shown this long.
inline constexpr std::int64_t kFallbackFrameMicroseconds = 100000;

// Hundredths of a second in `microseconds`, rounded to the nearest (halves up); never negative.
inline int centisecondsFrom(std::int64_t microseconds)
{
    return static_cast<int>(std::min<std::int64_t>((std::max<std::int64_t>(microseconds, 0) + 5000) / 10000, INT32_MAX));
}

// Each frame lasts until the next picture starts, rounded there. Players show a delay under
// kShortestPlayedDelay as 10 hundredths, so a picture that would last less gives way to the next
// one, which takes its start: a fast video keeps its length.
class PlayedTimeline {
public:
    struct Frame {
        RgbaImage image;
        int delay = 0;  // hundredths of a second
    };

    // Takes the next picture; gives back the one before it when that one is done.
    std::optional<Frame> add(RgbaImage image, std::int64_t startMicroseconds)
    {
        const int start = centisecondsFrom(startMicroseconds);
        if (pending_ && start < pendingStart_ + kShortestPlayedDelay) {
            pending_ = std::move(image);
            return std::nullopt;
        }
        std::optional<Frame> done = take(start);
        pending_ = std::move(image);
        pendingStart_ = start;
        return done;
    }

    // The last picture, shown until `endMicroseconds` but never shorter than players allow.
    std::optional<Frame> finish(std::int64_t endMicroseconds)
    {
        return take(std::max(centisecondsFrom(endMicroseconds), pendingStart_ + kShortestPlayedDelay));
    }

    // The picture waiting for its end, if any.
    const RgbaImage* pending() const { return pending_ ? &*pending_ : nullptr; }

private:
    std::optional<Frame> take(int endCentiseconds)
    {
        if (!pending_)
            return std::nullopt;
        Frame frame{std::move(*pending_), endCentiseconds - pendingStart_};
        pending_.reset();
        return frame;
    }

    std::optional<RgbaImage> pending_;
    int pendingStart_ = 0;
};

}  // namespace pictoreel
