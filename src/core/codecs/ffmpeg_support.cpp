// FFmpeg's errors as ours, and byte I/O of FFmpeg through Qt devices.
#include "core/codecs/ffmpeg_module.h"

#include <cerrno>
#include <mutex>

namespace pictoreel::ffmpeg {

namespace {

constexpr int kIoBufferSize = 64 * 1024;

int readFromDevice(void* opaque, std::uint8_t* buffer, int size)
{
    auto* device = static_cast<QIODevice*>(opaque);
    const qint64 got = device->read(reinterpret_cast<char*>(buffer), size);
    if (got < 0)
        return AVERROR(EIO);
    return got == 0 ? AVERROR_EOF : static_cast<int>(got);
}

int writeToDevice(void* opaque, std::uint8_t* buffer, int size)
{
    auto* device = static_cast<QIODevice*>(opaque);
    // A disk that fills up takes part of a write first; the write after that tells why.
    for (int done = 0; done < size;) {
        const qint64 n = device->write(reinterpret_cast<const char*>(buffer) + done, size - done);
        if (n <= 0)
            return AVERROR(EIO);
        done += static_cast<int>(n);
    }
    return size;
}

std::int64_t seekDevice(void* opaque, std::int64_t offset, int whence)
{
    auto* device = static_cast<QIODevice*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return device->size();
    qint64 target = offset;
    if (whence == SEEK_CUR)
        target += device->pos();
    else if (whence == SEEK_END)
        target += device->size();
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    // Nothing lies beyond the end of what is read (QBuffer refuses it noisily).
    if (target < 0 || (!device->isWritable() && target > device->size()) || !device->seek(target))
        return AVERROR(EIO);
    return target;
}

}  // namespace

// FFmpeg talks to the terminal unless told not to; the core never does.
void silenceLibraryLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

QString avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// FFmpeg's error numbers as ours. `ioFailure` is what a failed read or write means where the
// call was made (FileReadFailed or FileWriteFailed).
Error avError(int code, ErrorCode ioFailure, const QString& what)
{
    ErrorCode ours = ErrorCode::LibraryFailure;
    if (code == AVERROR_INVALIDDATA || code == AVERROR_EOF)
        ours = ErrorCode::CorruptData;
    else if (code == AVERROR_DECODER_NOT_FOUND || code == AVERROR_DEMUXER_NOT_FOUND || code == AVERROR_ENCODER_NOT_FOUND ||
             code == AVERROR_STREAM_NOT_FOUND || code == AVERROR_PATCHWELCOME || code == AVERROR(ENOSYS))
        ours = ErrorCode::UnsupportedFormat;
    else if (code == AVERROR(EIO))
        ours = ioFailure;
    else if (code == AVERROR_EXIT)
        ours = ErrorCode::Cancelled;
    return makeError(ours, QStringLiteral("%1: %2").arg(what, avErrorText(code)));
}

Result<IoHandle> deviceIo(QIODevice& device, bool writing)
{
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    AVIOContext* io = avio_alloc_context(buffer, kIoBufferSize, writing ? 1 : 0, &device, writing ? nullptr : readFromDevice,
                                         writing ? writeToDevice : nullptr, seekDevice);
    if (!io) {
        av_free(buffer);
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    }
    return IoHandle(io);
}

bool sizeWithin(int width, int height, const VideoLimits& limits)
{
    return width <= limits.maxSide && height <= limits.maxSide && std::int64_t{width} * height <= limits.maxPixels;
}

QString acceptedSizeText(const VideoLimits& limits)
{
    return QStringLiteral("at most %1 pixels a side and %2 megapixels are accepted")
        .arg(limits.maxSide)
        .arg(megapixelsText(limits.maxPixels));
}

}  // namespace pictoreel::ffmpeg
