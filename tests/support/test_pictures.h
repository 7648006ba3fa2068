// Pictures in tests: made and written as BMP files through the core's own writer, reference
// pictures of the shared test data, and comparison.
#pragma once

#include "core/base/image.h"
#include "support/files.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pictoreel::testing {

// A picture whose every pixel is colour(x, y) (opaque).
RgbaImage makePicture(int width, int height, const std::function<Rgb(int x, int y)>& colour);
RgbaImage solidPicture(int width, int height, Rgb colour, std::uint8_t alpha = 255);

// Writes `picture` to `path` as a 24-bit BMP; fails the calling test when it cannot.
void writeBmp(const QString& path, const RgbaImage& picture);

inline QString sharedData(const char* relative)
{
    return QStringLiteral(PICTOREEL_SHARED_TESTDATA "/") + QString::fromUtf8(relative);
}

inline bool sharedDataPresent()
{
    return QFile::exists(sharedData("README.md"));
}

// A wuffs ".nie" reference: 16-byte header, width, height, then BGRA rows of 8-bit samples.
inline std::optional<RgbaImage> readNie(const QString& path)
{
    const QByteArray b = fileContents(path);
    if (b.size() < 16 || static_cast<unsigned char>(b[0]) != 0x6E || b[7] != '4')
        return std::nullopt;
    std::uint32_t size[2];
    std::memcpy(size, b.constData() + 8, 8);  // little-endian, as is this machine
    RgbaImage img(static_cast<int>(size[0]), static_cast<int>(size[1]));
    if (b.size() != 16 + static_cast<qsizetype>(img.pixels.size()))
        return std::nullopt;
    const auto* bgra = reinterpret_cast<const std::uint8_t*>(b.constData()) + 16;
    for (std::size_t i = 0; i < img.pixels.size(); i += 4) {
        img.pixels[i] = bgra[i + 2];
        img.pixels[i + 1] = bgra[i + 1];
        img.pixels[i + 2] = bgra[i];
        img.pixels[i + 3] = bgra[i + 3];
    }
    return img;
}

// Compares two pictures pixel by pixel; colour is ignored where both are fully transparent.
// Returns an empty string when equal, otherwise the first difference.
inline std::string comparePictures(const RgbaImage& actual, const RgbaImage& expected, int tolerance = 0)
{
    if (actual.width != expected.width || actual.height != expected.height)
        return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + " instead of " +
               std::to_string(expected.width) + "x" + std::to_string(expected.height);
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x) {
            const std::uint8_t* a = actual.pixel(x, y);
            const std::uint8_t* e = expected.pixel(x, y);
            if (a[3] == 0 && e[3] == 0)
                continue;
            for (int c = 0; c < 4; ++c)
                if (std::abs(int(a[c]) - int(e[c])) > tolerance)
                    return "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(a[0]) +
                           "," + std::to_string(a[1]) + "," + std::to_string(a[2]) + "," + std::to_string(a[3]) +
                           " instead of " + std::to_string(e[0]) + "," + std::to_string(e[1]) + "," +
                           std::to_string(e[2]) + "," + std::to_string(e[3]);
        }
    return {};
}

// Peak signal-to-noise ratio of the colour channels, in dB: infinite when they are equal, 0 when
// the sizes differ (or a picture is empty), so that any bar a test sets fails.
inline double psnr(const RgbaImage& a, const RgbaImage& b)
{
    if (a.width != b.width || a.height != b.height || a.empty())
        return 0;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            const double d = double(a.pixels[i + c]) - b.pixels[i + c];
            sum += d * d;
        }
    if (sum == 0)
        return INFINITY;
    return 10 * std::log10(255.0 * 255.0 * 3 * double(a.pixels.size() / 4) / sum);
}

inline void setPixel(RgbaImage& img, int x, int y, Rgb c, std::uint8_t alpha = 255)
{
    std::uint8_t* p = img.pixel(x, y);
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = alpha;
}

// Fills the w x h rectangle at (x0, y0), clipped to the picture.
inline void fillRect(RgbaImage& img, int x0, int y0, int w, int h, Rgb c, std::uint8_t alpha = 255)
{
    for (int y = std::max(0, y0); y < std::min(img.height, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(img.width, x0 + w); ++x)
            setPixel(img, x, y, c, alpha);
}

inline Rgb colourAt(const RgbaImage& img, int x, int y)
{
    const std::uint8_t* p = img.pixel(x, y);
    return Rgb{p[0], p[1], p[2]};
}

}  // namespace pictoreel::testing
