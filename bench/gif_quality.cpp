// gif_quality [--frames-to DIR --every N] MADE SOURCE...
//
// Decodes every frame of MADE (a GIF; any other picture file is one frame) and compares frame i
// with SOURCE i. Prints one JSON line:
//   {"frames":N,"psnr":MEAN,"psnr_min":MIN,"ssim":MEAN,"ssim_min":MIN,"flicker":F,"flicker_share":S}
// PSNR is over R, G and B in dB, capped at 100 for identical frames; SSIM is on luma with an
// 11x11 Gaussian window; flicker is the made frames' change where the sources stay still (see
// picture_quality.h). Exit status 1 when a file cannot be read or the
// frame counts or sizes differ, 2 for a wrong command line.
// With --frames-to, frames 0, N, 2N... of both are also written into DIR, composited over white
// as they are compared, as binary PPM (made-III.ppm and source-III.ppm, III the frame's index),
// for meters that read picture files.
#include "picture_quality.h"

#include "core/gif/gif_reader.h"
#include "core/media/imaging_component.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using pictoreel::RgbaImage;

pictoreel::Result<std::vector<RgbaImage>> readFrames(const QString& path)
{
    auto gif = pictoreel::decodeGifFile(path);
    if (gif) {
        std::vector<RgbaImage> frames;
        frames.reserve(gif.value().frames.size());
        for (auto& frame : gif.value().frames)
            frames.push_back(std::move(frame.image));
        return frames;
    }
    if (gif.error().code != pictoreel::ErrorCode::UnsupportedFormat)
        return gif.error();
    auto picture = pictoreel::loadPictureFile(path);
    if (!picture)
        return picture.error();
    std::vector<RgbaImage> one;
    one.push_back(std::move(picture).value());
    return one;
}

// Writes `image` over white as a binary PPM; false when the file cannot be written.
bool writePpmOverWhite(const QString& path, const RgbaImage& image)
{
    std::FILE* file = std::fopen(qPrintable(path), "wb");
    if (!file)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
    std::vector<unsigned char> row(static_cast<std::size_t>(image.width) * 3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* px = image.pixel(x, y);
            for (int c = 0; c < 3; ++c)  // rounded to the nearest level
                row[static_cast<std::size_t>(x) * 3 + c] =
                    static_cast<unsigned char>((px[c] * px[3] + 255 * (255 - px[3]) + 127) / 255);
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    return std::fclose(file) == 0;
}

int fail(const QString& path, const pictoreel::Error& error)
{
    std::fprintf(stderr, "gif_quality: %s: %s\n", qPrintable(path), qPrintable(error.text()));
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QString framesTo;
    int every = 0;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--frames-to") == 0) {
        if (argc < 5 || std::strcmp(argv[3], "--every") != 0 || (every = std::atoi(argv[4])) < 1) {
            std::fputs("gif_quality: --frames-to DIR needs --every N (N >= 1)\n", stderr);
            return 2;
        }
        framesTo = QString::fromLocal8Bit(argv[2]);
        first = 5;
    }
    if (argc < first + 2) {
        std::fputs("usage: gif_quality [--frames-to DIR --every N] MADE.gif SOURCE...\n", stderr);
        return 2;
    }
    const QString madePath = QString::fromLocal8Bit(argv[first]);
    auto made = readFrames(madePath);
    if (!made)
        return fail(madePath, made.error());

    std::vector<RgbaImage> sources;
    for (int i = first + 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        auto picture = pictoreel::loadPictureFile(path);
        if (!picture)
            return fail(path, picture.error());
        sources.push_back(std::move(picture).value());
    }

    const auto summary = pictoreel::bench::compareFrames(made.value(), sources);
    if (!summary)
        return fail(madePath, summary.error());
    if (!framesTo.isEmpty())
        for (std::size_t i = 0; i < sources.size(); i += static_cast<std::size_t>(every)) {
            const QString index = QString::asprintf("%03zu.ppm", i);
            if (!writePpmOverWhite(framesTo + "/made-" + index, made.value()[i]) ||
                !writePpmOverWhite(framesTo + "/source-" + index, sources[i])) {
                std::fprintf(stderr, "gif_quality: cannot write into %s\n", qPrintable(framesTo));
                return 1;
            }
        }
    const auto& s = summary.value();
    std::printf("{\"frames\":%d,\"psnr\":%.4f,\"psnr_min\":%.4f,\"ssim\":%.6f,\"ssim_min\":%.6f,\"flicker\":%.6f,"
                "\"flicker_share\":%.4f}\n",
                s.frames, s.meanPsnr, s.minPsnr, s.meanSsim, s.minSsim, s.flicker, s.flickerShare);
    return 0;
}
