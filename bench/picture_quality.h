// How close a made GIF is to its source pictures: PSNR and SSIM per frame, and their means.
//
// Both pictures are first composited over white (the colour a project with transparency off
// puts behind transparent parts), so what is compared is what a viewer shows.
//   PSNR  over the three colour channels together: 10 log10(255^2 / MSE). Identical frames have
//         no finite PSNR; they count as kPsnrCap (100 dB) so one perfect frame cannot make a
//         mean infinite, and a GIF that loses nothing scores exactly the cap.
//   SSIM  on luma (Y = 0.299 R + 0.587 G + 0.114 B, unrounded), with the usual 11x11 Gaussian
//         window (sigma 1.5), C1 = (0.01 * 255)^2, C2 = (0.03 * 255)^2, averaged over every
//         window that lies wholly inside the picture. 1 for identical pictures.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <vector>

namespace pictoreel::bench {

inline constexpr double kPsnrCap = 100.0;

// PSNR of `b` against `a` in dB, at most kPsnrCap. The sizes must match.
double psnr(const RgbaImage& a, const RgbaImage& b);

// Mean SSIM of `b` against `a` on luma. The sizes must match. A picture smaller than the window
// is one window as big as the picture (uniform weights).
double ssim(const RgbaImage& a, const RgbaImage& b);

struct QualitySummary {
    int frames = 0;
    double meanPsnr = 0;
    double minPsnr = 0;
    double meanSsim = 0;
    double minSsim = 0;
    // Flicker: the mean OKLab distance (1 is black to white) between successive made frames over
    // the pixels whose source stays still between them (no channel changes by more than
    // kStillLevels), and the share of those pixels whose made colour changes at all.
    double flicker = 0;
    double flickerShare = 0;
};

inline constexpr int kStillLevels = 2;

// Compares frame i of `made` with picture i of `sources`. InvalidArgument when the counts or
// any pair of sizes differ, or when there are no frames.
Result<QualitySummary> compareFrames(const std::vector<RgbaImage>& made, const std::vector<RgbaImage>& sources);

}  // namespace pictoreel::bench
