// Animated PNG, read by us over libpng: the chunks are walked once, each frame's image data
// (IDAT for a default picture that is a frame, fdAT otherwise) is wrapped as a PNG of the
// frame's size with the file's header, palette and transparency and decoded by the common PNG
// reader, then drawn on the canvas by the frame's blend operation and disposed as it says.
#include "core/formats/animated_picture_reader.h"

#include "core/base/limits.h"
#include "core/formats/apng_writer.h"  // pngChunk
#include "core/formats/png_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace pictoreel {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";

std::uint32_t read32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{u[0]} << 24) | (std::uint32_t{u[1]} << 16) | (std::uint32_t{u[2]} << 8) | u[3];
}

std::uint16_t read16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>((u[0] << 8) | u[1]);
}

void put32(QByteArray& out, std::uint32_t v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

struct Chunk {
    QByteArray type;
    QByteArray data;
};

// The chunks after the signature, or nothing when one runs past the end.
std::optional<std::vector<Chunk>> chunksOf(const QByteArray& bytes)
{
    std::vector<Chunk> chunks;
    qsizetype at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = read32(bytes.constData() + at);
        if (length > std::uint32_t(bytes.size() - at - 12))
            return std::nullopt;
        chunks.push_back({bytes.mid(at + 4, 4), bytes.mid(at + 8, length)});
        at += 12 + qsizetype(length);
        if (chunks.back().type == "IEND")
            break;
    }
    return chunks;
}

enum : std::uint8_t { kDisposeNone = 0, kDisposeBackground = 1, kDisposePrevious = 2 };
enum : std::uint8_t { kBlendSource = 0, kBlendOver = 1 };

struct FrameControl {
    int width = 0, height = 0, left = 0, top = 0;
    double durationMs = 0;
    std::uint8_t dispose = kDisposeNone;
    std::uint8_t blend = kBlendSource;
    QByteArray data;  // the frame's compressed image data, all its chunks joined
};

class ApngAnimationReader final : public AnimatedPictureReader {
public:
    ApngAnimationReader(QByteArray header, QByteArray shared, std::vector<FrameControl> frames, int showings)
        : header_(std::move(header)), shared_(std::move(shared)), frames_(std::move(frames))
    {
        width_ = static_cast<int>(read32(header_.constData()));
        height_ = static_cast<int>(read32(header_.constData() + 4));
        frameCount_ = static_cast<int>(frames_.size());
        showings_ = showings;
        canvas_ = RgbaImage(width_, height_);
    }

    Result<std::optional<AnimationFrame>> nextFrame() override
    {
        if (next_ >= frames_.size())
            return std::optional<AnimationFrame>();
        const FrameControl& frame = frames_[next_];
        QByteArray header = header_;
        header.replace(0, 8, QByteArray());
        QByteArray size;
        put32(size, std::uint32_t(frame.width));
        put32(size, std::uint32_t(frame.height));
        header.prepend(size);
        const QByteArray png = QByteArray(kSignature, 8) + pngChunk("IHDR", header) + shared_ + pngChunk("IDAT", frame.data) +
                               pngChunk("IEND", {});
        const std::optional<RgbaImage> picture = readCommonPng(png);
        if (!picture || picture->width != frame.width || picture->height != frame.height)
            return makeError(ErrorCode::CorruptData, QStringLiteral("Frame %1 of the animated PNG cannot be decoded").arg(next_ + 1));
        // The first frame's "previous" is the empty canvas.
        const std::uint8_t dispose = next_ == 0 && frame.dispose == kDisposePrevious ? std::uint8_t{kDisposeBackground} : frame.dispose;
        RgbaImage before;
        if (dispose == kDisposePrevious)
            before = canvas_;
        draw(*picture, frame);
        // Durations end where the frame's end rounds to, so rounding never drifts.
        elapsedMs_ += frame.durationMs;
        const int end = static_cast<int>(std::lround(elapsedMs_));
        AnimationFrame shown{canvas_, end - shownMs_};
        shownMs_ = end;
        if (dispose == kDisposePrevious)
            canvas_ = std::move(before);
        else if (dispose == kDisposeBackground)
            clear(frame);
        ++next_;
        return std::optional(std::move(shown));
    }

private:
    void draw(const RgbaImage& picture, const FrameControl& frame)
    {
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                const std::uint8_t* s = picture.pixel(x, y);
                std::uint8_t* d = canvas_.pixel(frame.left + x, frame.top + y);
                if (frame.blend == kBlendSource || s[3] == 255 || d[3] == 0) {
                    std::memcpy(d, s, 4);
                    continue;
                }
                if (s[3] == 0)
                    continue;
                // Over, not premultiplied: the result's alpha and colours weighted by it.
                const int sa = s[3], da = d[3] * (255 - sa) / 255, a = sa + da;
                for (int c = 0; c < 3; ++c)
                    d[c] = static_cast<std::uint8_t>((s[c] * sa + d[c] * da + a / 2) / a);
                d[3] = static_cast<std::uint8_t>(a);
            }
    }

    void clear(const FrameControl& frame)
    {
        for (int y = 0; y < frame.height; ++y)
            std::memset(canvas_.pixel(frame.left, frame.top + y), 0, std::size_t(frame.width) * 4);
    }

    QByteArray header_;  // IHDR's data
    QByteArray shared_;  // the chunks every frame's picture takes along (PLTE, tRNS), whole
    std::vector<FrameControl> frames_;
    RgbaImage canvas_;
    std::size_t next_ = 0;
    double elapsedMs_ = 0;
    int shownMs_ = 0;
};

Error corrupt(const QString& why) { return makeError(ErrorCode::CorruptData, QStringLiteral("The animated PNG is damaged: %1").arg(why)); }

}  // namespace

bool isAnimatedPng(const QByteArray& bytes)
{
    if (!bytes.startsWith(QByteArray(kSignature, 8)))
        return false;
    for (qsizetype at = 8; at + 8 <= bytes.size();) {
        const QByteArray type = bytes.mid(at + 4, 4);
        if (type == "acTL")
            return true;
        if (type == "IDAT" || type == "IEND")
            return false;
        at += 12 + qsizetype(read32(bytes.constData() + at));
    }
    return false;
}

Result<std::unique_ptr<AnimatedPictureReader>> openApngAnimation(const QByteArray& bytes)
{
    if (!isAnimatedPng(bytes))
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The file is not an animated PNG"));
    const std::optional<std::vector<Chunk>> chunks = chunksOf(bytes);
    if (!chunks || chunks->empty() || chunks->front().type != "IHDR" || chunks->front().data.size() != 13)
        return corrupt(QStringLiteral("its chunks are cut short"));
    const QByteArray header = chunks->front().data;
    const std::int64_t width = read32(header.constData()), height = read32(header.constData() + 4);
    if (width == 0 || height == 0)
        return corrupt(QStringLiteral("its canvas has no size"));
    if (width * height > kLimits.maxPixels)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The animated PNG's canvas is larger than %1 pixels").arg(kLimits.maxPixels));
    QByteArray shared;
    std::vector<FrameControl> frames;
    int showings = 0;
    bool inFrame = false;  // the last fcTL still takes image data
    for (const Chunk& chunk : *chunks) {
        const char* d = chunk.data.constData();
        if (chunk.type == "acTL" && chunk.data.size() == 8) {
            showings = static_cast<int>(std::min<std::uint32_t>(read32(d + 4), 65535));
        } else if (chunk.type == "PLTE" || chunk.type == "tRNS") {
            shared += pngChunk(chunk.type.constData(), chunk.data);
        } else if (chunk.type == "fcTL") {
            if (chunk.data.size() != 26)
                return corrupt(QStringLiteral("a frame control chunk has the wrong size"));
            FrameControl frame;
            frame.width = int(read32(d + 4));
            frame.height = int(read32(d + 8));
            frame.left = int(read32(d + 12));
            frame.top = int(read32(d + 16));
            const int numerator = read16(d + 20), denominator = read16(d + 22);
            frame.durationMs = numerator * 1000.0 / (denominator == 0 ? 100 : denominator);
            frame.dispose = static_cast<std::uint8_t>(d[24]);
            frame.blend = static_cast<std::uint8_t>(d[25]);
            if (frame.width <= 0 || frame.height <= 0 || frame.left < 0 || frame.top < 0 ||
                std::int64_t{frame.left} + frame.width > width || std::int64_t{frame.top} + frame.height > height ||
                frame.dispose > kDisposePrevious || frame.blend > kBlendOver)
                return corrupt(QStringLiteral("frame %1 lies outside the canvas").arg(frames.size() + 1));
            if (frames.size() >= std::size_t(kLimits.maxGifFrames))
                return makeError(ErrorCode::LimitExceeded, QStringLiteral("The animated PNG has more than %1 frames").arg(kLimits.maxGifFrames));
            frames.push_back(frame);
            inFrame = true;
        } else if (chunk.type == "IDAT") {
            // The default picture is the first frame only when a frame control chunk came before it.
            if (inFrame && frames.size() == 1)
                frames.back().data += chunk.data;
        } else if (chunk.type == "fdAT" && chunk.data.size() > 4) {
            if (!inFrame)
                return corrupt(QStringLiteral("frame data comes before its frame control chunk"));
            frames.back().data += chunk.data.mid(4);
        }
    }
    // A frame without image data (a file cut short) ends the animation before it.
    while (!frames.empty() && frames.back().data.isEmpty())
        frames.pop_back();
    if (frames.empty())
        return corrupt(QStringLiteral("it holds no frame"));
    return std::unique_ptr<AnimatedPictureReader>(new ApngAnimationReader(header, shared, std::move(frames), showings));
}

}  // namespace pictoreel
