#include "core/media/ffmpeg_adapter.h"

#include "core/codecs/video_codec.h"
#include "core/media/codec_loader.h"
#include "core/base/file_identity.h"

#include <QBuffer>
#include <QFile>

namespace pictoreel::ffmpeg {

namespace {

Result<const VideoCodec*> videoCodec()
{
    return loadCodecOnce<VideoCodec>(kVideoCodecModule, kVideoCodecEntry, kVideoCodecVersion,
                                     QStringLiteral("to read and write videos"));
}

}  // namespace

VideoDecoder::VideoDecoder(std::unique_ptr<VideoDecoding> impl) : impl_(std::move(impl)) {}
VideoDecoder::VideoDecoder(VideoDecoder&&) noexcept = default;
VideoDecoder& VideoDecoder::operator=(VideoDecoder&&) noexcept = default;
VideoDecoder::~VideoDecoder() = default;

int VideoDecoder::width() const { return impl_->width(); }
int VideoDecoder::height() const { return impl_->height(); }
std::int64_t VideoDecoder::nominalFrameMicroseconds() const { return impl_->nominalFrameMicroseconds(); }
double VideoDecoder::fractionRead() const { return impl_->fractionRead(); }
std::int64_t VideoDecoder::statedMicroseconds() const { return impl_->statedMicroseconds(); }
Result<std::optional<VideoFrame>> VideoDecoder::nextFrame() { return impl_->nextFrame(); }

Result<VideoDecoder> VideoDecoder::open(const QString& path, const VideoLimits& limits)
{
    auto file = std::make_unique<QFile>();
    if (Status opened = openRegularFile(*file, path); !opened)
        return opened.error();
    return openDevice(std::move(file), path, limits);
}

Result<VideoDecoder> VideoDecoder::openMemory(QByteArray bytes, const VideoLimits& limits)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return openDevice(std::move(buffer), QStringLiteral("The data"), limits);
}

Result<VideoDecoder> VideoDecoder::openDevice(std::unique_ptr<QIODevice> input, const QString& path, const VideoLimits& limits)
{
    Result<const VideoCodec*> codec = videoCodec();
    if (!codec)
        return codec.error();
    Result<std::unique_ptr<VideoDecoding>> decoding = codec.value()->openDecoder(std::move(input), path, limits);
    if (!decoding)
        return decoding.error();
    return VideoDecoder(std::move(decoding).value());
}

AviEncoder::AviEncoder(std::unique_ptr<AviEncoding> impl) : impl_(std::move(impl)) {}
AviEncoder::~AviEncoder() = default;

Result<std::unique_ptr<AviEncoder>> AviEncoder::create(const QString& path, int width, int height, int frameCentiseconds,
                                                      VideoOutput kind)
{
    Result<const VideoCodec*> codec = videoCodec();
    if (!codec)
        return codec.error();
    Result<std::unique_ptr<AviEncoding>> encoding = codec.value()->createVideoEncoder(path, kind, width, height, frameCentiseconds);
    if (!encoding)
        return encoding.error();
    return std::unique_ptr<AviEncoder>(new AviEncoder(std::move(encoding).value()));
}

Status AviEncoder::addFrame(const RgbaImage& picture, int repeat) { return impl_->addFrame(picture, repeat); }
Status AviEncoder::finish() { return impl_->finish(); }

}  // namespace pictoreel::ffmpeg
