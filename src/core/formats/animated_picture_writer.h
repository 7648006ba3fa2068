// Writers of animated pictures in the formats other than GIF that a make can write (WebP and PNG).
// A make hands them whole canvases one at a time, so no writer needs every frame at once; the
// bytes go to a sink (the make's replacing file).
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

#include <algorithm>
#include <functional>
#include <optional>

namespace pictoreel {

// Takes the next bytes of the file; false when they could not be written.
using ByteSink = std::function<bool(const QByteArray& bytes)>;

class AnimatedPictureWriter {
public:
    virtual ~AnimatedPictureWriter() = default;
    // The next frame: the whole canvas (the writer's width x height, RGBA; pixels of alpha 0 are
    // transparent whatever their colour) shown for `durationMs` milliseconds.
    virtual Status addFrame(const RgbaImage& canvas, int durationMs) = 0;
    // Writes what is left of the file once every frame was added.
    virtual Status finish() = 0;
};

// The count of showings a file of `loopCount` plays: 0 (for ever) stays 0; n repetitions after
// the first showing are n + 1 showings; none (nullopt) is one. At most 65535.
inline int showingsFor(std::optional<int> loopCount)
{
    if (!loopCount)
        return 1;
    return *loopCount == 0 ? 0 : std::min(*loopCount + 1, 65535);
}

inline Error sinkFailed() { return makeError(ErrorCode::FileWriteFailed, QStringLiteral("The file could not be written.")); }

}  // namespace pictoreel
