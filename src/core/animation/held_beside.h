// Works out a frame's held conversion (see heldConversion) on a thread of its own while the test
// of unseen changes runs, when the frames before needed theirs: both need only the frame and
// what the screen shows, and in a video whose changes are not worth reducing again every frame
// needs the held one, so the assembly waits for the longer of the two instead of their sum.
#pragma once

#include "core/animation/coherent_palette.h"

#include <future>
#include <memory>

namespace pictoreel::animation {

class HeldBeside {
public:
    HeldBeside() = default;
    ~HeldBeside();  // waits for a conversion still running
    HeldBeside(const HeldBeside&) = delete;
    HeldBeside& operator=(const HeldBeside&) = delete;

    // Starts heldConversion of `source` when the frame before took its held conversion (or this
    // is the first asked for). `shown` must stay as it is until take() or drop().
    void start(std::shared_ptr<const RgbaImage> source, const std::vector<Rgb>& palette, const Picture& shown,
               float reach, const ColourReduction& reduction);
    // heldConversion of what start() was last given: the one started, else worked out now with `lab`.
    std::optional<Picture> take(LabCache& lab);
    // The held conversion is not needed: waits for one still running, and starts none for the next
    // frame.
    void drop();

private:
    struct Job {
        std::shared_ptr<const RgbaImage> source;
        std::vector<Rgb> palette;
        const Picture* shown = nullptr;
        float reach = 0;
        ColourReduction reduction;
    };
    Job job_;
    std::future<std::optional<Picture>> held_;
    std::unique_ptr<LabCache> lab_;  // the thread's own: one conversion runs at a time
    bool likely_ = true;
};

}  // namespace pictoreel::animation
