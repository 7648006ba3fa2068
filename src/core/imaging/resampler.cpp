#include "core/imaging/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <vector>

namespace pictoreel {

namespace {

double sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

double lanczos3(double x)
{
    x = std::abs(x);
    return x < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0;
}

double catmullRom(double x)
{
    x = std::abs(x);
    if (x < 1.0)
        return 1.5 * x * x * x - 2.5 * x * x + 1.0;
    if (x < 2.0)
        return -0.5 * x * x * x + 2.5 * x * x - 4.0 * x + 2.0;
    return 0.0;
}

// The source samples that make one output sample along one direction: a contiguous run of
// source indices starting at `first`, with weights that sum to one.
struct Contributors {
    int first = 0;
    int count = 0;
    std::size_t offset = 0;  // into Axis::weights
};

struct Axis {
    std::vector<Contributors> samples;
    std::vector<float> weights;
    int maxCount = 0;
};

Axis buildAxis(int sourceSize, int targetSize)
{
    Axis axis;
    axis.samples.resize(static_cast<std::size_t>(targetSize));
    const double scale = static_cast<double>(targetSize) / sourceSize;
    const bool shrinking = scale < 1.0;
    const double radius = shrinking ? 3.0 : 2.0;
    const double stretch = shrinking ? 1.0 / scale : 1.0;  // the filter widens as it shrinks
    const double support = radius * stretch;
    std::vector<double> raw;
    for (int i = 0; i < targetSize; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int lo = static_cast<int>(std::ceil(centre - support));
        const int hi = static_cast<int>(std::floor(centre + support));
        const int first = std::clamp(lo, 0, sourceSize - 1);
        const int last = std::clamp(hi, 0, sourceSize - 1);
        raw.assign(static_cast<std::size_t>(last - first + 1), 0.0);
        double sum = 0.0;
        for (int j = lo; j <= hi; ++j) {
            const double t = (j - centre) / stretch;
            const double w = shrinking ? lanczos3(t) : catmullRom(t);
            // Samples beyond the edge repeat the edge pixel.
            raw[static_cast<std::size_t>(std::clamp(j, first, last) - first)] += w;
            sum += w;
        }
        if (std::abs(sum) < 1e-12) {  // cannot happen with these filters, but never divide by 0
            raw.assign(raw.size(), 0.0);
            raw[raw.size() / 2] = 1.0;
            sum = 1.0;
        }
        Contributors& c = axis.samples[static_cast<std::size_t>(i)];
        c.first = first;
        c.count = last - first + 1;
        c.offset = axis.weights.size();
        for (double w : raw)
            axis.weights.push_back(static_cast<float>(w / sum));
        axis.maxCount = std::max(axis.maxCount, c.count);
    }
    return axis;
}

// Lanes per pixel in the float buffers. Opaque pictures filter R, G, B, A as they are. Pictures
// with alpha filter premultiplied R, G, B and A, plus the plain R, G, B for pixels that end up
// fully transparent.
template <int Lanes>
void loadRow(const std::uint8_t* p, int width, std::vector<float>& row)
{
    float* out = row.data();
    for (int x = 0; x < width; ++x, p += 4, out += Lanes) {
        if constexpr (Lanes == 4) {
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
            out[3] = p[3];
        } else {
            const float a = p[3] / 255.0f;
            out[0] = p[0] * a;
            out[1] = p[1] * a;
            out[2] = p[2] * a;
            out[3] = p[3];
            out[4] = p[0];
            out[5] = p[1];
            out[6] = p[2];
            out[7] = 0.0f;
        }
    }
}

template <int Lanes>
void filterRow(const std::vector<float>& in, const Axis& axis, float* out)
{
    for (const Contributors& c : axis.samples) {
        float acc[Lanes] = {};
        const float* w = axis.weights.data() + c.offset;
        const float* src = in.data() + static_cast<std::size_t>(c.first) * Lanes;
        for (int k = 0; k < c.count; ++k, src += Lanes)
            for (int l = 0; l < Lanes; ++l)
                acc[l] += w[k] * src[l];
        std::memcpy(out, acc, sizeof acc);
        out += Lanes;
    }
}

// Rounds half up, like lround for the values that matter here, without a library call.
std::uint8_t toByte(float v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

template <int Lanes>
void storeRow(const float* in, int width, std::uint8_t* out)
{
    for (int x = 0; x < width; ++x, in += Lanes, out += 4) {
        if constexpr (Lanes == 4) {
            for (int l = 0; l < 4; ++l)
                out[l] = toByte(in[l]);
        } else {
            const std::uint8_t a = toByte(in[3]);
            out[3] = a;
            if (a == 0) {
                out[0] = toByte(in[4]);
                out[1] = toByte(in[5]);
                out[2] = toByte(in[6]);
            } else {
                const float unpremultiply = 255.0f / std::clamp(in[3], 1e-3f, 255.0f);
                out[0] = toByte(in[0] * unpremultiply);
                out[1] = toByte(in[1] * unpremultiply);
                out[2] = toByte(in[2] * unpremultiply);
            }
        }
    }
}

// Horizontal pass row by row into a ring of filtered rows, vertical pass from that ring.
template <int Lanes>
RgbaImage resample(int sourceWidth, int sourceHeight, const PictureRows& rows, int width, int height)
{
    const Axis horizontal = buildAxis(sourceWidth, width);
    const Axis vertical = buildAxis(sourceHeight, height);
    const std::size_t rowFloats = static_cast<std::size_t>(width) * Lanes;
    const int ringSize = vertical.maxCount;
    std::vector<float> ring(rowFloats * static_cast<std::size_t>(ringSize));
    std::vector<int> ringRow(static_cast<std::size_t>(ringSize), -1);
    std::vector<float> sourceRow(static_cast<std::size_t>(sourceWidth) * Lanes);
    std::vector<float> accumulator(rowFloats);

    RgbaImage result(width, height);
    for (int y = 0; y < height; ++y) {
        const Contributors& c = vertical.samples[static_cast<std::size_t>(y)];
        std::fill(accumulator.begin(), accumulator.end(), 0.0f);
        for (int k = 0; k < c.count; ++k) {
            const int sy = c.first + k;
            const std::size_t slot = static_cast<std::size_t>(sy % ringSize);
            float* filtered = ring.data() + slot * rowFloats;
            if (ringRow[slot] != sy) {
                loadRow<Lanes>(rows(sy), sourceWidth, sourceRow);
                filterRow<Lanes>(sourceRow, horizontal, filtered);
                ringRow[slot] = sy;
            }
            const float w = vertical.weights[c.offset + static_cast<std::size_t>(k)];
            for (std::size_t i = 0; i < rowFloats; ++i)
                accumulator[i] += w * filtered[i];
        }
        storeRow<Lanes>(accumulator.data(), width, result.pixel(0, y));
    }
    return result;
}

}  // namespace

Result<RgbaImage> resampleRows(int sourceWidth, int sourceHeight, bool opaque, const PictureRows& rows, int width,
                               int height)
{
    if (width <= 0 || height <= 0)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("Cannot scale a picture to %1 x %2 pixels.")
                                                         .arg(width)
                                                         .arg(height));
    if (sourceWidth <= 0 || sourceHeight <= 0)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to scale."));
    try {
        return opaque ? resample<4>(sourceWidth, sourceHeight, rows, width, height)
                      : resample<8>(sourceWidth, sourceHeight, rows, width, height);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to scale the picture."));
    }
}

Result<RgbaImage> resampleImage(const RgbaImage& source, int width, int height)
{
    if (width <= 0 || height <= 0)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("Cannot scale a picture to %1 x %2 pixels.")
                                                         .arg(width)
                                                         .arg(height));
    if (source.empty() || source.pixels.size() != static_cast<std::size_t>(source.width) * source.height * 4)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to scale."));
    if (width == source.width && height == source.height)
        return source;
    bool opaque = true;
    for (std::size_t i = 3; i < source.pixels.size() && opaque; i += 4)
        opaque = source.pixels[i] == 255;
    return resampleRows(source.width, source.height, opaque, [&source](int y) { return source.pixel(0, y); }, width,
                        height);
}

}  // namespace pictoreel
