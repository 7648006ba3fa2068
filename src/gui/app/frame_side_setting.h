// "Largest frame side" (Tools, Options): the largest width or height the window's size boxes take,
// kept as [General] "Largest Frame Side" in pictoreel.ini. 1024 while nothing is kept (the boxes'
// bound at first), and never more than the largest side a picture may have.
#pragma once

#include <QString>

#include <QSize>

namespace pictoreel {

inline constexpr int kDefaultLargestFrameSide = 1024;
inline constexpr int kSmallestFrameSide = 8;  // the size boxes' lower bound

// The kept value, or the default when there is none or it is no number of that range.
int largestFrameSide(const QString& settingsFile);
void storeLargestFrameSide(int side, const QString& settingsFile);
// The largest allowed setting (the largest side a picture may have).
int largestFrameSideAllowed();

// A picture's size as the size boxes may hold it: scaled down, keeping its proportions, until
// neither side is larger than `largest` (a side is never made smaller than the boxes' lower bound).
QSize frameSizeWithin(QSize picture, int largest);

}  // namespace pictoreel
