// gif_quality MADE SOURCE...
//
// Decodes every frame of MADE (a GIF; any other picture file is one frame) and compares frame i
// with SOURCE i. Prints one JSON line:
//   {"frames":N,"psnr":MEAN,"psnr_min":MIN,"ssim":MEAN,"ssim_min":MIN}
// PSNR is over R, G and B in dB, capped at 100 for identical frames; SSIM is on luma with an
// 11x11 Gaussian window (see picture_quality.h). Exit status 1 when a file cannot be read or the
// frame counts or sizes differ, 2 for a wrong command line.
#include "picture_quality.h"

#include "core/gif/gif_reader.h"
#include "core/media/imaging_component.h"

#include <QString>

#include <cstdio>
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

int fail(const QString& path, const pictoreel::Error& error)
{
    std::fprintf(stderr, "gif_quality: %s: %s\n", qPrintable(path), qPrintable(error.text()));
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: gif_quality MADE.gif SOURCE...\n", stderr);
        return 2;
    }
    const QString madePath = QString::fromLocal8Bit(argv[1]);
    auto made = readFrames(madePath);
    if (!made)
        return fail(madePath, made.error());

    std::vector<RgbaImage> sources;
    for (int i = 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        auto picture = pictoreel::loadPictureFile(path);
        if (!picture)
            return fail(path, picture.error());
        sources.push_back(std::move(picture).value());
    }

    const auto summary = pictoreel::bench::compareFrames(made.value(), sources);
    if (!summary)
        return fail(madePath, summary.error());
    const auto& s = summary.value();
    std::printf("{\"frames\":%d,\"psnr\":%.4f,\"psnr_min\":%.4f,\"ssim\":%.6f,\"ssim_min\":%.6f}\n", s.frames,
                s.meanPsnr, s.minPsnr, s.meanSsim, s.minSsim);
    return 0;
}
