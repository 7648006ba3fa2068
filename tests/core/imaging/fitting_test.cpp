// Where pictures of another shape than their frame go.
#include "core/imaging/fitting.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

TEST(Fitting, PlansKeepProportionsCentreAndCropEqually)
{
    const struct {
        int pw, ph, fw, fh;
        FitMode mode;
        FitRect source, target;
        FitSize scaled;
    } cases[] = {
        {200, 100, 100, 100, FitMode::Stretch, {0, 0, 200, 100}, {0, 0, 100, 100}, {100, 100}},
        {200, 100, 100, 100, FitMode::Contain, {0, 0, 200, 100}, {0, 25, 100, 50}, {100, 50}},
        {100, 200, 100, 100, FitMode::Contain, {0, 0, 100, 200}, {25, 0, 50, 100}, {50, 100}},
        {200, 100, 100, 100, FitMode::Cover, {50, 0, 100, 100}, {0, 0, 100, 100}, {200, 100}},
        {30, 90, 60, 40, FitMode::Cover, {0, 35, 30, 20}, {0, 0, 60, 40}, {60, 180}},
        {10, 10, 100, 51, FitMode::Contain, {0, 0, 10, 10}, {24, 0, 51, 51}, {51, 51}},  // odd room: more after
        {1, 1000, 10, 10, FitMode::Contain, {0, 0, 1, 1000}, {4, 0, 1, 10}, {1, 10}},   // never thinner than a pixel
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pw << "x" << c.ph << " in " << c.fw << "x" << c.fh << " mode " << int(c.mode));
        const FitPlan plan = planFit(c.pw, c.ph, c.fw, c.fh, c.mode);
        EXPECT_TRUE(plan.source == c.source && plan.target == c.target);
        const FitSize scaled = scaledPictureSize(c.pw, c.ph, c.fw, c.fh, c.mode);
        EXPECT_EQ(std::pair(scaled.width, scaled.height), std::pair(c.scaled.width, c.scaled.height));
        // A picture already scaled as asked is placed without scaling again.
        const FitPlan again = planFit(scaled.width, scaled.height, c.fw, c.fh, c.mode);
        EXPECT_TRUE(again.source.width == again.target.width && again.source.height == again.target.height);
    }
}

}  // namespace
}  // namespace pictoreel
