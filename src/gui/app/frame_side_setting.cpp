#include "gui/app/frame_side_setting.h"

#include "core/base/limits.h"
#include "core/project/numbers.h"
#include "core/project/settings_store.h"

#include <algorithm>
#include <cmath>

namespace pictoreel {

namespace {

const QString kSection = QStringLiteral("General");
const QString kKey = QStringLiteral("Largest Frame Side");

}  // namespace

int largestFrameSideAllowed() { return kLimits.maxSide; }

int largestFrameSide(const QString& settingsFile)
{
    const auto kept = toInt32(ReadIniKey(kSection, kKey, QString(), settingsFile));
    if (!kept || *kept < kSmallestFrameSide || *kept > largestFrameSideAllowed())
        return kDefaultLargestFrameSide;
    return *kept;
}

void storeLargestFrameSide(int side, const QString& settingsFile)
{
    WriteIniKey(kSection, kKey, QString::number(side), settingsFile);
}

QSize frameSizeWithin(QSize picture, int largest)
{
    const int longer = std::max(picture.width(), picture.height());
    if (longer <= largest)
        return picture;
    const double scale = double(largest) / double(longer);
    const auto side = [&](int length) {
        return std::clamp(int(std::lround(length * scale)), std::min(kSmallestFrameSide, length), largest);
    };
    return {side(picture.width()), side(picture.height())};
}

}  // namespace pictoreel
