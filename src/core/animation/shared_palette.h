// The global colour table of flat graphics: the colours most frames change to.
#pragma once

#include "core/animation/picture.h"
#include "core/animation/animation_frames.h"

#include <optional>
#include <unordered_map>
#include <vector>

namespace pictoreel::animation {

// Flat graphics whose frames change to colours the first frame's table lacks would carry a
// table of their own in nearly every frame. When one table holds every colour most frames
// change to, and that saves more than the first frame's own table then costs, it becomes the
// global table: the colours the most frames change to. Told as the frames are read in order; it
// closes at once when the first two pictures share too few colours for it to pay (photos: each
// has colours of its own), or when the second frame's source picture (when it has one) is a
// photo's, not of few colours (see hasFewColours).
class SharedChangeCheck {
public:
    // Opens on the first picture (`first`, frame `firstIndex`) and the next frame's file.
    SharedChangeCheck(const AnimationFrames& frames, int firstIndex, const Picture& first);
    bool open() const { return open_; }
    // Frame k after the first, as read. Frames without a picture are not added. While the check
    // is open, the frames' indices (and sources) handed over as they were made stay for a writing
    // that follows while they take little memory; beyond that it lets them go.
    void add(const AnimationFrames& frames, std::size_t k, const Picture& picture);
    // Whether the frames added so far would make the table pay: it holds every colour they
    // change to, and saves more than it costs. Later frames may still change that.
    bool likely() const;
    // Once every frame is added: the table, or nullopt when it does not pay.
    std::optional<std::vector<Rgb>> finish();

private:
    void close();
    std::size_t cost() const;

    bool open_ = false;
    std::size_t firstTableSize_ = 0;
    Picture shown_;  // the picture added last
    std::vector<std::vector<Pixel>> changes_;  // the colours each frame that changes little changes to
    std::unordered_map<Pixel, int> framesChangingTo_;
    std::size_t keptBytes_ = 0;
    std::size_t savedIfHeld_ = 0;  // what the table saves while it holds every colour changed to
    std::size_t frameCount_ = 0;    // after the first
    bool exact_ = false;            // the first picture's colours are its own
    std::vector<std::size_t> coloursSeen_;  // how many colours were changed to, after each frame added
};

}  // namespace pictoreel::animation
