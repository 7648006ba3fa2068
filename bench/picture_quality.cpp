#include "picture_quality.h"

#include "core/animation/perceptual.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace pictoreel::bench {
namespace {

// One channel composited over white, as a double in 0..255.
inline double overWhite(const std::uint8_t* px, int channel)
{
    const double a = px[3] / 255.0;
    return px[channel] * a + 255.0 * (1.0 - a);
}

std::vector<double> luma(const RgbaImage& image)
{
    std::vector<double> y(static_cast<std::size_t>(image.width) * image.height);
    for (int row = 0; row < image.height; ++row)
        for (int col = 0; col < image.width; ++col) {
            const std::uint8_t* px = image.pixel(col, row);
            y[static_cast<std::size_t>(row) * image.width + col] =
                0.299 * overWhite(px, 0) + 0.587 * overWhite(px, 1) + 0.114 * overWhite(px, 2);
        }
    return y;
}

// Weighted sums of `plane` over every window position: a separable filter without padding, so
// the result is (w - k + 1) x (h - k + 1).
std::vector<double> filterValid(const std::vector<double>& plane, int w, int h, const std::vector<double>& kernel)
{
    const int k = static_cast<int>(kernel.size());
    const int ow = w - k + 1;
    const int oh = h - k + 1;
    std::vector<double> rows(static_cast<std::size_t>(ow) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < ow; ++x) {
            double sum = 0;
            const double* src = plane.data() + static_cast<std::size_t>(y) * w + x;
            for (int i = 0; i < k; ++i)
                sum += kernel[i] * src[i];
            rows[static_cast<std::size_t>(y) * ow + x] = sum;
        }
    std::vector<double> out(static_cast<std::size_t>(ow) * oh);
    for (int y = 0; y < oh; ++y)
        for (int x = 0; x < ow; ++x) {
            double sum = 0;
            for (int i = 0; i < k; ++i)
                sum += kernel[i] * rows[static_cast<std::size_t>(y + i) * ow + x];
            out[static_cast<std::size_t>(y) * ow + x] = sum;
        }
    return out;
}

// One pixel composited over white, rounded to levels.
Rgb rgbOverWhite(const std::uint8_t* px)
{
    const auto level = [&](int c) { return static_cast<std::uint8_t>(std::lround(overWhite(px, c))); };
    return Rgb{level(0), level(1), level(2)};
}

bool stillBetween(const std::uint8_t* before, const std::uint8_t* now)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(overWhite(before, c) - overWhite(now, c)) > kStillLevels)
            return false;
    return true;
}

double ssimOfStatistics(double mx, double my, double vx, double vy, double cxy)
{
    constexpr double c1 = (0.01 * 255) * (0.01 * 255);
    constexpr double c2 = (0.03 * 255) * (0.03 * 255);
    return ((2 * mx * my + c1) * (2 * cxy + c2)) / ((mx * mx + my * my + c1) * (vx + vy + c2));
}

}  // namespace

double psnr(const RgbaImage& a, const RgbaImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const std::uint8_t* pa = a.pixel(x, y);
            const std::uint8_t* pb = b.pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                const double d = overWhite(pa, c) - overWhite(pb, c);
                sum += d * d;
            }
        }
    const double mse = sum / (3.0 * a.width * a.height);
    if (mse <= 0)
        return kPsnrCap;
    return std::min(kPsnrCap, 10.0 * std::log10(255.0 * 255.0 / mse));
}

double ssim(const RgbaImage& a, const RgbaImage& b)
{
    const int w = a.width;
    const int h = a.height;
    const std::vector<double> x = luma(a);
    const std::vector<double> y = luma(b);

    if (w < 11 || h < 11) {
        const double n = static_cast<double>(x.size());
        double mx = 0, my = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            mx += x[i];
            my += y[i];
        }
        mx /= n;
        my /= n;
        double vx = 0, vy = 0, cxy = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            vx += (x[i] - mx) * (x[i] - mx);
            vy += (y[i] - my) * (y[i] - my);
            cxy += (x[i] - mx) * (y[i] - my);
        }
        return ssimOfStatistics(mx, my, vx / n, vy / n, cxy / n);
    }

    std::vector<double> kernel(11);
    double total = 0;
    for (int i = 0; i < 11; ++i) {
        const double d = i - 5;
        kernel[i] = std::exp(-d * d / (2 * 1.5 * 1.5));
        total += kernel[i];
    }
    for (double& v : kernel)
        v /= total;

    std::vector<double> xx(x.size()), yy(x.size()), xy(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        xx[i] = x[i] * x[i];
        yy[i] = y[i] * y[i];
        xy[i] = x[i] * y[i];
    }
    const std::vector<double> mx = filterValid(x, w, h, kernel);
    const std::vector<double> my = filterValid(y, w, h, kernel);
    const std::vector<double> sxx = filterValid(xx, w, h, kernel);
    const std::vector<double> syy = filterValid(yy, w, h, kernel);
    const std::vector<double> sxy = filterValid(xy, w, h, kernel);
    double sum = 0;
    for (std::size_t i = 0; i < mx.size(); ++i) {
        const double vx = sxx[i] - mx[i] * mx[i];
        const double vy = syy[i] - my[i] * my[i];
        const double cxy = sxy[i] - mx[i] * my[i];
        sum += ssimOfStatistics(mx[i], my[i], vx, vy, cxy);
    }
    return sum / static_cast<double>(mx.size());
}

Result<QualitySummary> compareFrames(const std::vector<RgbaImage>& made, const std::vector<RgbaImage>& sources)
{
    if (made.empty())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("no frames to compare"));
    if (made.size() != sources.size())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("%1 frames made but %2 source pictures")
                                                         .arg(made.size())
                                                         .arg(sources.size()));
    QualitySummary summary;
    summary.frames = static_cast<int>(made.size());
    summary.minPsnr = kPsnrCap;
    summary.minSsim = 1.0;
    for (std::size_t i = 0; i < made.size(); ++i) {
        const RgbaImage& m = made[i];
        const RgbaImage& s = sources[i];
        if (m.width != s.width || m.height != s.height || m.empty())
            return makeError(ErrorCode::InvalidArgument, QStringLiteral("frame %1 is %2x%3 but its source is %4x%5")
                                                             .arg(i)
                                                             .arg(m.width)
                                                             .arg(m.height)
                                                             .arg(s.width)
                                                             .arg(s.height));
        const double p = psnr(s, m);
        const double q = ssim(s, m);
        summary.meanPsnr += p;
        summary.meanSsim += q;
        summary.minPsnr = std::min(summary.minPsnr, p);
        summary.minSsim = std::min(summary.minSsim, q);
    }
    double moved = 0;
    std::size_t still = 0, changed = 0;
    animation::LabCache lab;
    for (std::size_t i = 1; i < made.size(); ++i)
        for (int y = 0; y < made[i].height; ++y)
            for (int x = 0; x < made[i].width; ++x) {
                if (!stillBetween(sources[i - 1].pixel(x, y), sources[i].pixel(x, y)))
                    continue;
                ++still;
                const Rgb before = rgbOverWhite(made[i - 1].pixel(x, y)), now = rgbOverWhite(made[i].pixel(x, y));
                if (before == now)
                    continue;
                ++changed;
                moved += animation::labDistance(lab(animation::opaquePixel(before)), lab(animation::opaquePixel(now)));
            }
    summary.flicker = still ? moved / double(still) : 0;
    summary.flickerShare = still ? double(changed) / double(still) : 0;
    summary.meanPsnr /= summary.frames;
    summary.meanSsim /= summary.frames;
    return summary;
}

}  // namespace pictoreel::bench
