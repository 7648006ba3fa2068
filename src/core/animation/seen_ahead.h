// Sees the source picture of the next frame (see SeenSource) on a thread of its own while the
// current frame is planned: planning a frame then waits only for the part of the test of unseen
// changes that needs what the screen shows.
#pragma once

#include "core/animation/unseen_change.h"

#include <future>
#include <memory>

namespace pictoreel::animation {

class SeenAhead {
public:
    SeenAhead() = default;
    ~SeenAhead();  // waits for a source still being seen
    SeenAhead(const SeenAhead&) = delete;
    SeenAhead& operator=(const SeenAhead&) = delete;

    // Starts seeing `source`, the one take() will be asked for next.
    void start(std::shared_ptr<const RgbaImage> source);
    // `source` seen: by start() when it was started with it, else now, with `lab`.
    SeenSource take(const std::shared_ptr<const RgbaImage>& source, LabCache& lab);

private:
    void drop();

    std::shared_ptr<const RgbaImage> source_;
    std::future<SeenSource> seen_;
    // The thread's own (made with the first source seen): only one source is seen at a time.
    std::unique_ptr<LabCache> lab_;
};

}  // namespace pictoreel::animation
