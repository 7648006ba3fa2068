// Pictures in tests: made and written as BMP files through the core's own writer, reference
// pictures of the shared test data, comparison, and GIFs inspected with giflib directly
// (independent of our own GIF code).
#pragma once

#include "core/base/image.h"
#include "support/files.h"

#include <gif_lib.h>

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

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

// The composited frames of a GIF of the animation suite, as the suite's PNG pictures: NAME-k.png
// for every frame k of an animation, NAME.png for a still picture.
inline QStringList suiteFrames(const QString& gifPath)
{
    const QFileInfo gif(gifPath);
    const QString stem = gif.path() + QStringLiteral("/frames/") + gif.completeBaseName();
    QStringList frames;
    while (QFile::exists(stem + QStringLiteral("-%1.png").arg(frames.size())))
        frames << stem + QStringLiteral("-%1.png").arg(frames.size());
    return frames.isEmpty() ? QStringList{stem + QStringLiteral(".png")} : frames;
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

inline Rgb colourAt(const RgbaImage& img, int x, int y)
{
    const std::uint8_t* p = img.pixel(x, y);
    return Rgb{p[0], p[1], p[2]};
}

// A one-image GIF as giflib reads it: per pixel the colour, and whether it is transparent.
struct GifContents {
    int width = 0;
    int height = 0;
    int colourCount = 0;
    int transparentIndex = -1;
    std::vector<int> indices;
    std::vector<Rgb> palette;

    bool transparentAt(int x, int y) const { return indices[std::size_t(y) * width + x] == transparentIndex; }
    Rgb colourAt(int x, int y) const { return palette[std::size_t(indices[std::size_t(y) * width + x])]; }
};

inline std::optional<GifContents> readGifWithGiflib(const QString& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!gif)
        return std::nullopt;
    std::optional<GifContents> out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        if (map) {
            GifContents c;
            c.width = image.ImageDesc.Width;
            c.height = image.ImageDesc.Height;
            c.colourCount = map->ColorCount;
            for (int i = 0; i < map->ColorCount; ++i)
                c.palette.push_back(Rgb{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
            GraphicsControlBlock gcb;
            if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK)
                c.transparentIndex = gcb.TransparentColor;
            const std::size_t n = std::size_t(c.width) * c.height;
            for (std::size_t i = 0; i < n; ++i)
                c.indices.push_back(image.RasterBits[i]);
            bool inRange = true;
            for (int index : c.indices)
                inRange = inRange && index < map->ColorCount;
            if (inRange && gif->SWidth == c.width && gif->SHeight == c.height)
                out = std::move(c);
        }
    }
    DGifCloseFile(gif, &error);
    return out;
}

}  // namespace pictoreel::testing
