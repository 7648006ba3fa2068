#include "core/formats/apng_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace pictoreel {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr std::uint8_t kDisposeNone = 0;
constexpr std::uint8_t kBlendSource = 0;
constexpr std::uint8_t kBlendOver = 1;
constexpr qsizetype kLargestChunk = 1 << 20;  // compressed pictures are split into chunks of this size
constexpr int kBytesPerPixel = 4;

void put32(QByteArray& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((v >> shift) & 0xFF));
}

void put16(QByteArray& out, std::uint32_t v)
{
    out.append(static_cast<char>((v >> 8) & 0xFF));
    out.append(static_cast<char>(v & 0xFF));
}

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Two pixels a viewer cannot tell apart: the same, or both wholly transparent.
bool looksSame(const std::uint8_t* a, const std::uint8_t* b)
{
    return (a[3] == 0 && b[3] == 0) || std::memcmp(a, b, kBytesPerPixel) == 0;
}

// The smallest rectangle holding every pixel that looks different; empty when none does.
Rect changedRect(const RgbaImage& before, const RgbaImage& after)
{
    int left = after.width, right = -1, top = after.height, bottom = -1;
    for (int y = 0; y < after.height; ++y) {
        for (int x = 0; x < after.width; ++x) {
            if (looksSame(before.pixel(x, y), after.pixel(x, y)))
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

// Whether every changed pixel of `r` is opaque: then the frame can be blended over the one
// before, its unchanged pixels left transparent.
bool changesAreOpaque(const RgbaImage& before, const RgbaImage& after, const Rect& r)
{
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            if (after.pixel(x, y)[3] != 255 && !looksSame(before.pixel(x, y), after.pixel(x, y)))
                return false;
    return true;
}

// The rectangle's pixels as the frame stores them: transparent pixels as zeros, and with
// `overBefore`, unchanged ones too.
std::vector<std::uint8_t> framePixels(const RgbaImage& canvas, const RgbaImage* before, const Rect& r)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(r.width) * r.height * kBytesPerPixel, 0);
    std::uint8_t* to = out.data();
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x, to += kBytesPerPixel) {
            const std::uint8_t* p = canvas.pixel(x, y);
            if (p[3] != 0 && !(before && looksSame(before->pixel(x, y), p)))
                std::memcpy(to, p, kBytesPerPixel);
        }
    }
    return out;
}

std::uint8_t paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
}

// One row under each of the five PNG filters; the one with the smallest sum of magnitudes (as
// signed bytes) is kept, the usual choice for true-colour pictures.
using FilterTries = std::array<std::vector<std::uint8_t>, 5>;

void appendFilteredRow(std::vector<std::uint8_t>& out, const std::uint8_t* row, const std::uint8_t* above, std::size_t n,
                       FilterTries& tries)
{
    std::size_t best = 0;
    long bestCost = -1;
    for (std::size_t f = 0; f < tries.size(); ++f) {
        std::vector<std::uint8_t>& t = tries[f];
        t.resize(n);
        long cost = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const int a = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
            const int b = above ? above[i] : 0;
            const int c = above && i >= kBytesPerPixel ? above[i - kBytesPerPixel] : 0;
            const int predicted = f == 0 ? 0 : f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : paeth(a, b, c);
            t[i] = static_cast<std::uint8_t>(row[i] - predicted);
            cost += std::abs(static_cast<std::int8_t>(t[i]));
        }
        if (bestCost < 0 || cost < bestCost) {
            bestCost = cost;
            best = f;
        }
    }
    out.push_back(static_cast<std::uint8_t>(best));
    out.insert(out.end(), tries[best].begin(), tries[best].end());
}

// `data` as one zlib stream, or nothing when zlib cannot take it.
std::optional<QByteArray> deflated(const std::vector<std::uint8_t>& data, int strategy)
{
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 9, strategy) != Z_OK)
        return std::nullopt;
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(data.size()))), Qt::Uninitialized);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.truncate(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return done ? std::optional(out) : std::nullopt;
}

// Photos barely compress, and run-length matching does as well on them as a full search in a
// fraction of the time; what compresses well (drawings, flat areas) gets the full search.
Result<QByteArray> compressedPicture(const std::vector<std::uint8_t>& pixels, int width, int height)
{
    const std::size_t stride = static_cast<std::size_t>(width) * kBytesPerPixel;
    std::vector<std::uint8_t> filtered;
    filtered.reserve((stride + 1) * height);
    FilterTries tries;
    for (int y = 0; y < height; ++y)
        appendFilteredRow(filtered, pixels.data() + y * stride, y > 0 ? pixels.data() + (y - 1) * stride : nullptr,
                          stride, tries);
    std::optional<QByteArray> out = filtered.size() <= 0xFFFFFFFFu ? deflated(filtered, Z_RLE) : std::nullopt;
    if (!out)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("A frame is too large to compress."));
    if (static_cast<std::size_t>(out->size()) < filtered.size() / 4)
        if (std::optional<QByteArray> searched = deflated(filtered, Z_DEFAULT_STRATEGY); searched && searched->size() < out->size())
            out = std::move(searched);
    return *std::move(out);
}

// A frame's delay as a fraction both of whose parts fit in 16 bits.
std::pair<std::uint32_t, std::uint32_t> delayFraction(int durationMs)
{
    std::uint32_t numerator = static_cast<std::uint32_t>(std::max(durationMs, 0)), denominator = 1000;
    while (numerator > 0xFFFF && denominator > 1) {
        numerator /= 10;
        denominator /= 10;
    }
    return {std::min<std::uint32_t>(numerator, 0xFFFF), denominator};
}

}  // namespace

ApngWriter::ApngWriter(ByteSink sink, int width, int height, int frameCount, int showings)
    : sink_(std::move(sink)), width_(width), height_(height), frameCount_(frameCount), showings_(showings)
{
}

int pngFrameCount(const QByteArray& bytes)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!bytes.startsWith(signature))
        return 0;
    const auto bigEndian = [&bytes](qsizetype at) {
        return std::uint32_t(std::uint8_t(bytes[at])) << 24 | std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
               std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint32_t(std::uint8_t(bytes[at + 3]));
    };
    for (qsizetype at = signature.size(); at + 12 <= bytes.size();) {
        const std::uint32_t length = bigEndian(at);
        const QByteArray type = bytes.mid(at + 4, 4);
        if (type == "IDAT")
            break;
        if (type == "acTL" && length >= 8 && at + 16 <= bytes.size())
            return static_cast<int>(std::min<std::uint32_t>(bigEndian(at + 8), 1u << 30));
        if (length > std::uint32_t(bytes.size()))
            break;
        at += 12 + qsizetype(length);
    }
    return 1;
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk;
    chunk.reserve(data.size() + 12);
    put32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.append(type, 4);
    chunk.append(data);
    const auto* bytes = reinterpret_cast<const Bytef*>(chunk.constData() + 4);
    put32(chunk, static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(data.size() + 4))));
    return chunk;
}

Status ApngWriter::writeChunk(const char* type, const QByteArray& data)
{
    return sink_(pngChunk(type, data)) ? Status{} : Status{sinkFailed()};
}

Status ApngWriter::writeStart()
{
    if (!sink_(QByteArray(kSignature, 8)))
        return sinkFailed();
    QByteArray header;
    put32(header, static_cast<std::uint32_t>(width_));
    put32(header, static_cast<std::uint32_t>(height_));
    header.append("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, adaptive filters, not interlaced
    if (Status s = writeChunk("IHDR", header); !s)
        return s;
    QByteArray animation;
    put32(animation, static_cast<std::uint32_t>(frameCount_));
    put32(animation, static_cast<std::uint32_t>(showings_));
    return writeChunk("acTL", animation);
}

Status ApngWriter::addFrame(const RgbaImage& canvas, int durationMs)
{
    if (canvas.width != width_ || canvas.height != height_ || added_ >= frameCount_)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The frame does not fit the animation."));
    const bool first = added_ == 0;
    if (first)
        if (Status s = writeStart(); !s)
            return s;
    Rect r{0, 0, width_, height_};
    bool over = false;
    if (!first) {
        r = changedRect(previous_, canvas);
        over = r.width == 0 || changesAreOpaque(previous_, canvas, r);
        if (r.width == 0)
            r = {0, 0, 1, 1};  // nothing changes: one transparent pixel blended over the frame before
    }
    const Result<QByteArray> data = compressedPicture(framePixels(canvas, over ? &previous_ : nullptr, r), r.width, r.height);
    if (!data)
        return data.error();

    QByteArray control;
    put32(control, sequence_++);
    for (int v : {r.width, r.height, r.x, r.y})
        put32(control, static_cast<std::uint32_t>(v));
    const auto [numerator, denominator] = delayFraction(durationMs);
    put16(control, numerator);
    put16(control, denominator);
    control.append(static_cast<char>(kDisposeNone));
    control.append(static_cast<char>(over ? kBlendOver : kBlendSource));
    if (Status s = writeChunk("fcTL", control); !s)
        return s;
    for (qsizetype at = 0; at < data.value().size(); at += kLargestChunk) {
        const QByteArray piece = data.value().mid(at, kLargestChunk);
        QByteArray chunk;
        if (!first)
            put32(chunk, sequence_++);
        if (Status s = writeChunk(first ? "IDAT" : "fdAT", chunk + piece); !s)
            return s;
    }
    previous_ = canvas;
    ++added_;
    return {};
}

Status ApngWriter::finish()
{
    if (added_ != frameCount_)
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The animation has %1 of its %2 frames.").arg(added_).arg(frameCount_));
    return writeChunk("IEND", {});
}

}  // namespace pictoreel
