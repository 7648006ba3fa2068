// Animated WebP through libwebp's animation decoder (WebPAnimDecoder), which composes each frame
// on the canvas with its blending and disposal.
#include "core/formats/animated_picture_reader.h"

#include "core/base/limits.h"

#include <webp/demux.h>

#include <cstring>

namespace pictoreel {

namespace {

class WebpAnimationReader final : public AnimatedPictureReader {
public:
    WebpAnimationReader(QByteArray bytes, WebPAnimDecoder* decoder, const WebPAnimInfo& info)
        : bytes_(std::move(bytes)), decoder_(decoder)
    {
        width_ = static_cast<int>(info.canvas_width);
        height_ = static_cast<int>(info.canvas_height);
        frameCount_ = static_cast<int>(info.frame_count);
        showings_ = static_cast<int>(info.loop_count);
    }
    ~WebpAnimationReader() override { WebPAnimDecoderDelete(decoder_); }

    Result<std::optional<AnimationFrame>> nextFrame() override
    {
        if (!WebPAnimDecoderHasMoreFrames(decoder_))
            return std::optional<AnimationFrame>();
        std::uint8_t* pixels = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder_, &pixels, &timestamp))
            return makeError(ErrorCode::CorruptData, QStringLiteral("A frame of the WebP cannot be decoded"));
        AnimationFrame frame{RgbaImage(width_, height_), timestamp - lastTimestamp_};
        std::memcpy(frame.canvas.pixels.data(), pixels, frame.canvas.pixels.size());
        lastTimestamp_ = timestamp;
        return std::optional(std::move(frame));
    }

private:
    QByteArray bytes_;  // the decoder reads them in place
    WebPAnimDecoder* decoder_;
    int lastTimestamp_ = 0;
};

}  // namespace

bool isAnimatedWebp(const QByteArray& bytes)
{
    // RIFF, size, WEBP, then VP8X whose flags (byte 20) carry the animation bit.
    return bytes.size() > 20 && bytes.startsWith("RIFF") && bytes.mid(8, 8) == "WEBPVP8X" && (bytes[20] & 0x02) != 0;
}

Result<std::unique_ptr<AnimatedPictureReader>> openWebpAnimation(const QByteArray& bytes)
{
    if (!(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP"))
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The file is not a WebP"));
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("libwebp's animation decoder does not match its header"));
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    // The decoder reads the bytes in place: the reader keeps them, moved (the same buffer).
    QByteArray held = bytes;
    const WebPData data{reinterpret_cast<const std::uint8_t*>(held.constData()), static_cast<std::size_t>(held.size())};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder)
        return makeError(ErrorCode::CorruptData, QStringLiteral("The WebP is damaged"));
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder, &info) || info.frame_count == 0) {
        WebPAnimDecoderDelete(decoder);
        return makeError(ErrorCode::CorruptData, QStringLiteral("The WebP holds no frame"));
    }
    if (std::int64_t{info.canvas_width} * info.canvas_height > kLimits.maxPixels) {
        WebPAnimDecoderDelete(decoder);
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The WebP's canvas is larger than %1 pixels").arg(kLimits.maxPixels));
    }
    return std::unique_ptr<AnimatedPictureReader>(new WebpAnimationReader(std::move(held), decoder, info));
}

}  // namespace pictoreel
