// What an animation is made of: its frames (one-image GIF files with their delays) and settings.
#pragma once

#include <QString>

#include <optional>

namespace pictoreel {

// One frame of the animation to be written.
struct AnimationFrameSource {
    // A one-image GIF (only its first image is used); empty for a frame without picture, which
    // shows the previous frame's picture for its delay.
    QString fileName;
    // 0..65535 hundredths of a second.
    int delayCentiseconds = 0;
};

struct AnimationSettings {
    // NETSCAPE2.0 loop block: nullopt writes none (viewers play the animation once), 0 loops for
    // ever, n repeats the animation n times after its first showing. 0..65535.
    std::optional<int> loopCount;
    // 0..100: how far the encoder may change pixels, where the eye hardly sees it, for a
    // smaller file; 0 stores every frame's pixels exactly.
    int lossy = 0;
};

}  // namespace pictoreel
