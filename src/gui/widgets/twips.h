// Window lengths are worked out in twips, as the window's layout rules give them, and turned
// into pixels only where a widget is placed: 15 twips are one device-independent pixel.
#pragma once

#include <QRect>
#include <QWidget>

namespace pictoreel {

inline constexpr int kTwipsPerPixel = 15;

// Rounded to the nearest pixel, halves away from zero.
constexpr int twipsToPixels(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int pixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

// Places a widget by twips; a place the window is too small for (a negative length) is not taken.
inline void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    if (width < 0 || height < 0)
        return;
    w->setGeometry(twipsRect(left, top, width, height));
}

inline int widthTwips(const QWidget* w) { return pixelsToTwips(w->width()); }
inline int heightTwips(const QWidget* w) { return pixelsToTwips(w->height()); }

}  // namespace pictoreel
