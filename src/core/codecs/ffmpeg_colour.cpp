// Wide-gamut and high-dynamic-range video shown in sRGB: BT.2020 primaries brought to BT.709's,
// PQ and HLG light brought down to the range of an ordinary screen.
//
// swscale does the colour matrix and range and hands over 16-bit RGB that is still encoded by the
// stream's transfer. Each channel becomes linear light through a table (1.0 is the white of an
// ordinary picture: 203 cd/m2 for PQ and HLG, as BT.2408 places it), highlights above 0.75 are
// rolled off smoothly towards the brightest light the stream can hold, the primaries are changed
// and the result is encoded as sRGB through a second table. Hue is kept by scaling the three
// channels of a pixel alike.
#include "core/codecs/ffmpeg_module.h"

extern "C" {
#include <libavutil/mastering_display_metadata.h>
}

#include <algorithm>
#include <cmath>

namespace pictoreel::ffmpeg {

namespace {

constexpr double kReferenceWhite = 203;  // cd/m2
constexpr double kHlgPeak = 1000;        // the nominal HLG display, gamma 1.2
constexpr double kDefaultPqPeak = 1000;  // what most PQ video is mastered to
constexpr float kKnee = 0.75f;
constexpr int kEncodeSteps = 16384;

double pqToNits(double signal)
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(signal, 1 / m2);
    return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

// Scene light 0..1 of an HLG signal.
double hlgToScene(double signal)
{
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    return signal <= 0.5 ? signal * signal / 3 : (std::exp((signal - c) / a) + b) / 12;
}

double srgbEncode(double linear)
{
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

// The brightest light the stream says it holds, in cd/m2, or 0 when it does not say.
double statedPeak(const AVFrame& frame)
{
    if (const AVFrameSideData* data = av_frame_get_side_data(&frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL))
        if (const auto* level = reinterpret_cast<const AVContentLightMetadata*>(data->data); level->MaxCLL > 0)
            return level->MaxCLL;
    if (const AVFrameSideData* data = av_frame_get_side_data(&frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA))
        if (const auto* display = reinterpret_cast<const AVMasteringDisplayMetadata*>(data->data); display->has_luminance)
            return av_q2d(display->max_luminance);
    return 0;
}

}  // namespace

bool needsSrgbMapping(const AVFrame& frame)
{
    return frame.color_trc == AVCOL_TRC_SMPTE2084 || frame.color_trc == AVCOL_TRC_ARIB_STD_B67 ||
           frame.color_primaries == AVCOL_PRI_BT2020;
}

void SrgbMapping::prepareFor(const AVFrame& frame)
{
    const bool pq = frame.color_trc == AVCOL_TRC_SMPTE2084, hlg = frame.color_trc == AVCOL_TRC_ARIB_STD_B67;
    // A peak stated once holds for the frames after it, which seldom repeat it.
    if (const double stated = statedPeak(frame); pq && stated > kReferenceWhite)
        statedPeak_ = stated;
    const double peak = pq ? (statedPeak_ > 0 ? statedPeak_ : kDefaultPqPeak) : hlg ? kHlgPeak : kReferenceWhite;
    if (!toLinear_.empty() && frame.color_trc == transfer_ && frame.color_primaries == primaries_ && peak == peak_)
        return;
    transfer_ = frame.color_trc;
    primaries_ = frame.color_primaries;
    peak_ = peak;
    toLinear_.resize(65536);
    for (std::size_t i = 0; i < toLinear_.size(); ++i) {
        const double signal = static_cast<double>(i) / 65535;
        // HLG's display gamma of 1.2 is applied to each channel, which keeps this a table.
        toLinear_[i] = static_cast<float>(pq    ? pqToNits(signal) / kReferenceWhite
                                          : hlg ? std::pow(hlgToScene(signal), 1.2) * kHlgPeak / kReferenceWhite
                                                : std::pow(signal, 2.4));
    }
    encode_.resize(kEncodeSteps + 1);
    for (int i = 0; i <= kEncodeSteps; ++i)
        encode_[std::size_t(i)] = static_cast<std::uint8_t>(std::lround(srgbEncode(double(i) / kEncodeSteps) * 255));
    static constexpr float kBt2020ToBt709[9] = {1.6605f, -0.5876f, -0.0728f, -0.1246f, 1.1329f, -0.0083f, -0.0182f, -0.1006f, 1.1187f};
    static constexpr float kSame[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::copy_n(primaries_ == AVCOL_PRI_BT2020 ? kBt2020ToBt709 : kSame, 9, matrix_);
}

void SrgbMapping::toSrgb(const std::uint16_t* rgb, int count, std::uint8_t* rgba) const
{
    const float peak = static_cast<float>(peak_ / kReferenceWhite);
    const float range = (peak - kKnee) / (1 - kKnee);  // the roll-off's span in units of its start
    for (int x = 0; x < count; ++x, rgb += 3, rgba += 4) {
        float c[3] = {toLinear_[rgb[0]], toLinear_[rgb[1]], toLinear_[rgb[2]]};
        // Above the knee, an extended Reinhard curve that is smooth at the knee and reaches 1 at the peak.
        const float brightest = std::max({c[0], c[1], c[2]});
        if (brightest > kKnee && peak > 1) {
            const float t = (brightest - kKnee) / (1 - kKnee);
            const float rolled = kKnee + (1 - kKnee) * std::min(t * (1 + t / (range * range)) / (1 + t), 1.0f);
            for (float& v : c)
                v *= rolled / brightest;
        }
        for (int i = 0; i < 3; ++i) {
            const float v = matrix_[i * 3] * c[0] + matrix_[i * 3 + 1] * c[1] + matrix_[i * 3 + 2] * c[2];
            rgba[i] = encode_[static_cast<std::size_t>(std::clamp(v, 0.0f, 1.0f) * kEncodeSteps + 0.5f)];
        }
        rgba[3] = 255;
    }
}

}  // namespace pictoreel::ffmpeg
