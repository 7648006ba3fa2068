#include "core/capture/cropped_grabber.h"

#include <cstring>

namespace pictoreel {

namespace {

class CroppedGrabber final : public FrameGrabber {
public:
    CroppedGrabber(std::unique_ptr<FrameGrabber> whole, const CaptureRect& region) : whole_(std::move(whole)), region_(region) {}
    int width() const override { return region_.width; }
    int height() const override { return region_.height; }
    bool finished() const override { return whole_->finished(); }
    Result<RgbaImage> grab() override
    {
        Result<RgbaImage> all = whole_->grab();
        if (!all)
            return all;
        RgbaImage part(region_.width, region_.height);
        for (int y = 0; y < region_.height; ++y)
            std::memcpy(part.pixel(0, y), all.value().pixel(region_.x, region_.y + y), std::size_t(region_.width) * 4);
        return part;
    }

private:
    std::unique_ptr<FrameGrabber> whole_;
    CaptureRect region_;
};

}  // namespace

Result<std::unique_ptr<FrameGrabber>> cropGrabber(std::unique_ptr<FrameGrabber> whole, const CaptureRect& region)
{
    if (region.width <= 0 || region.height <= 0 || region.x < 0 || region.y < 0 || region.x + region.width > whole->width() ||
        region.y + region.height > whole->height())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The region %1x%2+%3+%4 does not lie on the shared screen (%5 x %6)")
                                                         .arg(region.width).arg(region.height).arg(region.x).arg(region.y)
                                                         .arg(whole->width()).arg(whole->height()));
    return std::unique_ptr<FrameGrabber>(std::make_unique<CroppedGrabber>(std::move(whole), region));
}

}  // namespace pictoreel
