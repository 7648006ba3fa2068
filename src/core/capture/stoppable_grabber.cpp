#include "core/capture/stoppable_grabber.h"

namespace pictoreel {

namespace {

class StoppableGrabber final : public FrameGrabber {
public:
    StoppableGrabber(std::unique_ptr<FrameGrabber> grabber, std::function<bool()> stopAsked, std::shared_ptr<void> keep)
        : grabber_(std::move(grabber)), stopAsked_(std::move(stopAsked)), keep_(std::move(keep)) {}
    ~StoppableGrabber() override
    {
        grabber_.reset();  // the source first, then what asks for the stop
        keep_.reset();
    }
    int width() const override { return grabber_->width(); }
    int height() const override { return grabber_->height(); }
    Result<RgbaImage> grab() override { return grabber_->grab(); }
    bool finished() const override { return grabber_->finished() || stopAsked_(); }

private:
    std::unique_ptr<FrameGrabber> grabber_;
    std::function<bool()> stopAsked_;
    std::shared_ptr<void> keep_;
};

}  // namespace

std::unique_ptr<FrameGrabber> stoppableGrabber(std::unique_ptr<FrameGrabber> grabber, std::function<bool()> stopAsked,
                                               std::shared_ptr<void> keep)
{
    return std::make_unique<StoppableGrabber>(std::move(grabber), std::move(stopAsked), std::move(keep));
}

}  // namespace pictoreel
