#include "core/production/budget_quality.h"

#include "core/gif/gif_reader.h"
#include "core/imaging/resampler.h"
#include "core/production/budget_frames.h"

#include <algorithm>
#include <cmath>

namespace pictoreel {

namespace {

constexpr double kEqual = 99.0;

// Sum of squared differences over the channels of `a` and `b` (alike in size), alpha held to
// 0 or 255 and transparent pixels black.
double squaredError(const RgbaImage& a, const RgbaImage& b)
{
    double sum = 0;
    const auto value = [](const std::uint8_t* p, int c) { return p[3] < 128 ? 0 : c == 3 ? 255 : p[c]; };
    for (std::size_t i = 0; i + 3 < a.pixels.size() && i + 3 < b.pixels.size(); i += 4)
        for (int c = 0; c < 4; ++c) {
            const int d = value(&a.pixels[i], c) - value(&b.pixels[i], c);
            sum += double(d) * d;
        }
    return sum;
}

}  // namespace

Result<double> budgetAttemptQuality(const QString& file, const std::vector<AnimationFrameSource>& frames)
{
    Result<GifDecoder> opened = GifDecoder::openFile(file);
    if (!opened)
        return opened.error();
    GifDecoder& decoder = opened.value();
    double error = 0, samples = 0;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        std::optional<GifFrame> frame = decoder.nextFrame();
        if (!frame)
            return makeError(ErrorCode::CorruptData, QStringLiteral("%1 ends before frame %2").arg(file).arg(k + 1));
        if (frames[k].fileName.isEmpty())
            continue;
        const Result<RgbaImage> picture = readConvertedPicture(frames[k].fileName);
        if (!picture)
            return picture.error();
        const RgbaImage& wanted = picture.value();
        RgbaImage& shown = frame->image;
        if (shown.width != wanted.width || shown.height != wanted.height) {
            Result<RgbaImage> scaled = resampleImage(shown, wanted.width, wanted.height);
            if (!scaled)
                return scaled.error();
            shown = std::move(scaled.value());
        }
        error += squaredError(shown, wanted);
        samples += double(wanted.pixels.size());
    }
    if (samples == 0 || error == 0)
        return kEqual;
    return std::min(kEqual, 10 * std::log10(255.0 * 255.0 * samples / error));
}

}  // namespace pictoreel
