// The video codec module: everything that talks to FFmpeg. FFmpeg's error codes become our Error
// here; nothing outside this file includes an FFmpeg header.
#include "core/codecs/video_codec.h"
#include "core/media/ffmpeg_adapter.h"  // AviEncoder::kMaxSide

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

namespace pictoreel::ffmpeg {

namespace {

constexpr int kIoBufferSize = 64 * 1024;
// A decoder that keeps refusing without taking more input is given up after this many refusals.
constexpr int kMaxConsecutiveDecodeErrors = 64;
// MPEG-4 quantiser for every frame: 2 is near transparent, and GIF pictures are small.
constexpr int kEncoderQuantiser = 2;

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

// ---- owning handles ---------------------------------------------------------------------------

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using InputHandle = std::unique_ptr<AVFormatContext, InputCloser>;

struct OutputCloser {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
using OutputHandle = std::unique_ptr<AVFormatContext, OutputCloser>;

struct IoCloser {
    void operator()(AVIOContext* io) const
    {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
using IoHandle = std::unique_ptr<AVIOContext, IoCloser>;

struct CodecCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
using CodecHandle = std::unique_ptr<AVCodecContext, CodecCloser>;

struct FrameCloser {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FrameHandle = std::unique_ptr<AVFrame, FrameCloser>;

struct PacketCloser {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using PacketHandle = std::unique_ptr<AVPacket, PacketCloser>;

struct ScalerCloser {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using ScalerHandle = std::unique_ptr<SwsContext, ScalerCloser>;

// ---- byte I/O through Qt ----------------------------------------------------------------------

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

// Fills `out` (which must be width x height) from `image`, alpha opaque.
void copyOpaque(const std::uint8_t* data, int lineSize, RgbaImage& out)
{
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* in = data + static_cast<std::ptrdiff_t>(y) * lineSize;
        std::uint8_t* row = out.pixel(0, y);
        std::memcpy(row, in, static_cast<std::size_t>(out.width) * 4);
        for (int x = 0; x < out.width; ++x)
            row[x * 4 + 3] = 255;
    }
}

// The picture turned clockwise by `quarterTurns` quarter turns (1 to 3).
RgbaImage turned(const RgbaImage& in, int quarterTurns)
{
    RgbaImage out = quarterTurns == 2 ? RgbaImage(in.width, in.height) : RgbaImage(in.height, in.width);
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            const int toX = quarterTurns == 1 ? in.height - 1 - y : quarterTurns == 2 ? in.width - 1 - x : y;
            const int toY = quarterTurns == 1 ? x : quarterTurns == 2 ? in.height - 1 - y : in.width - 1 - x;
            std::memcpy(out.pixel(toX, toY), in.pixel(x, y), 4);
        }
    return out;
}

// How many quarter turns clockwise a phone's video asks for to be shown upright; 0 when it asks
// for none, or for another angle or a mirror, which we leave as stored.
int quarterTurnsOf(const AVStream& stream)
{
#if LIBAVFORMAT_VERSION_MAJOR >= 61
    const AVPacketSideData* data = av_packet_side_data_get(stream.codecpar->coded_side_data, stream.codecpar->nb_coded_side_data,
                                                           AV_PKT_DATA_DISPLAYMATRIX);
    const auto* matrix = data && data->size >= 9 * sizeof(std::int32_t) ? reinterpret_cast<const std::int32_t*>(data->data) : nullptr;
#else
    std::size_t size = 0;
    const auto* matrix = reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size));
    if (size < 9 * sizeof(std::int32_t))
        matrix = nullptr;
#endif
    if (!matrix)
        return 0;
    const double clockwise = -av_display_rotation_get(matrix);  // NaN for a matrix that is no rotation
    const double turns = std::round(clockwise / 90);
    const double determinant = double(matrix[0]) * matrix[4] - double(matrix[1]) * matrix[3];
    if (!(std::abs(clockwise - turns * 90) < 1) || determinant <= 0)
        return 0;
    return (static_cast<int>(turns) % 4 + 4) % 4;
}

bool sizeWithin(int width, int height, const VideoLimits& limits)
{
    return width <= limits.maxSide && height <= limits.maxSide && std::int64_t{width} * height <= limits.maxPixels;
}

// ---- decoding ---------------------------------------------------------------------------------

class FfmpegDecoding final : public VideoDecoding {
public:
    std::unique_ptr<QIODevice> input;
    IoHandle io;
    InputHandle format;
    CodecHandle codec;
    FrameHandle frame;
    PacketHandle packet;
    ScalerHandle scaler;
    int stream = -1;
    int width_ = 0;  // as stored, before the turn
    int height_ = 0;
    int quarterTurns = 0;
    AVRational timeBase{1, 1};
    std::int64_t nominalFrame = 0;
    VideoLimits limits;
    int framesGiven = 0;
    std::int64_t pixelsGiven = 0;
    std::int64_t nextStart = 0;  // where a frame without timestamp starts
    bool inputEnded = false;
    bool flushed = false;
    // RGBA picture swscale writes, aligned as it likes it.
    std::uint8_t* rgba[4] = {};
    int rgbaLines[4] = {};

    ~FfmpegDecoding() override { av_freep(&rgba[0]); }

    int width() const override { return quarterTurns % 2 ? height_ : width_; }
    int height() const override { return quarterTurns % 2 ? width_ : height_; }
    std::int64_t nominalFrameMicroseconds() const override { return nominalFrame; }

    double fractionRead() const override
    {
        const qint64 size = input->size();
        if (size <= 0 || !format || !format->pb)
            return 0;
        return std::clamp(static_cast<double>(avio_tell(format->pb)) / static_cast<double>(size), 0.0, 1.0);
    }

    Result<std::optional<VideoFrame>> nextFrame() override;

private:
    Result<VideoFrame> convert(const AVFrame& decoded);
};

// The containers a video may come in: AVI, MP4 and MOV, Matroska and WebM.
bool isVideoContainer(const AVInputFormat* container)
{
    static constexpr std::string_view kReadable[] = {"avi", "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm"};
    return std::find(std::begin(kReadable), std::end(kReadable), std::string_view(container->name)) != std::end(kReadable);
}

Result<std::unique_ptr<VideoDecoding>> openDecoder(std::unique_ptr<QIODevice> input, const QString& path, const VideoLimits& limits)
{
    silenceLibraryLog();
    auto impl = std::make_unique<FfmpegDecoding>();
    impl->limits = limits;
    impl->input = std::move(input);
    Result<IoHandle> io = deviceIo(*impl->input, false);
    if (!io)
        return io.error();
    impl->io = std::move(io).value();
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    context->pb = impl->io.get();
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The content says what the file is, whatever its name; only the containers users make videos
    // in are read, every other reader FFmpeg has stays out of reach of what a file holds.
    const AVInputFormat* container = nullptr;
    const int probed = av_probe_input_buffer2(context->pb, &container, nullptr, nullptr, 0, 0);
    if (probed < 0 && probed != AVERROR_INVALIDDATA && probed != AVERROR_EOF) {
        avformat_free_context(context);
        return avError(probed, ErrorCode::FileReadFailed, QStringLiteral("Cannot read %1").arg(path));
    }
    if (probed < 0 || !container || !isVideoContainer(container)) {
        avformat_free_context(context);
        return makeError(ErrorCode::UnsupportedFormat,
                         QStringLiteral("%1 is not an AVI, MP4, MOV, MKV or WebM video FFmpeg can read").arg(path));
    }
    if (const int r = avformat_open_input(&context, nullptr, container, nullptr); r < 0)  // frees context on failure
        return avError(r == AVERROR(EIO) ? AVERROR_INVALIDDATA : r, ErrorCode::FileReadFailed,
                       QStringLiteral("%1 is not a video FFmpeg can read").arg(path));
    impl->format.reset(context);
    if (const int r = avformat_find_stream_info(context, nullptr); r < 0)
        return avError(r, ErrorCode::FileReadFailed, QStringLiteral("Cannot read the streams of %1").arg(path));

    const AVCodec* decoder = nullptr;
    impl->stream = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (impl->stream < 0)
        return makeError(ErrorCode::UnsupportedFormat,
                         impl->stream == AVERROR_DECODER_NOT_FOUND
                             ? QStringLiteral("%1: there is no decoder for its video").arg(path)
                             : QStringLiteral("%1 holds no video").arg(path));
    const AVStream* stream = context->streams[impl->stream];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->width < 0 || parameters->height < 0 || !sizeWithin(parameters->width, parameters->height, limits))
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The video's frames (%1 x %2) are larger than %3 x %3 pixels")
                                                       .arg(parameters->width)
                                                       .arg(parameters->height)
                                                       .arg(limits.maxSide));
    if (stream->nb_frames > limits.maxFrames)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The video has %1 frames, more than the frame budget of %2").arg(stream->nb_frames).arg(limits.maxFrames));
    if (stream->nb_frames * parameters->width * parameters->height > limits.maxTotalPixels)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The video has %1 frames of %2 x %3 pixels, more than the pixel budget of %4 pixels")
                             .arg(stream->nb_frames)
                             .arg(parameters->width)
                             .arg(parameters->height)
                             .arg(limits.maxTotalPixels));
    impl->width_ = parameters->width;
    impl->height_ = parameters->height;
    impl->quarterTurns = quarterTurnsOf(*stream);
    impl->timeBase = stream->time_base;
    const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        impl->nominalFrame = av_rescale(1000000, rate.den, rate.num);

    impl->codec.reset(avcodec_alloc_context3(decoder));
    impl->frame.reset(av_frame_alloc());
    impl->packet.reset(av_packet_alloc());
    if (!impl->codec || !impl->frame || !impl->packet)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    if (const int r = avcodec_parameters_to_context(impl->codec.get(), parameters); r < 0)
        return avError(r, ErrorCode::FileReadFailed, QStringLiteral("Cannot set up the video decoder"));
    impl->codec->pkt_timebase = stream->time_base;
    if (const int r = avcodec_open2(impl->codec.get(), decoder, nullptr); r < 0)
        return avError(r, ErrorCode::FileReadFailed, QStringLiteral("Cannot open the %1 decoder").arg(QString::fromUtf8(decoder->name)));
    return std::unique_ptr<VideoDecoding>(std::move(impl));
}

Result<VideoFrame> FfmpegDecoding::convert(const AVFrame& decoded)
{
    if (decoded.width <= 0 || decoded.height <= 0)
        return makeError(ErrorCode::CorruptData, QStringLiteral("The video has a frame without pixels"));
    if (!sizeWithin(decoded.width, decoded.height, limits))
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("A frame of the video (%1 x %2) is larger than %3 x %3 pixels")
                                                       .arg(decoded.width)
                                                       .arg(decoded.height)
                                                       .arg(limits.maxSide));
    // Every frame comes out at the size the video declares (the first frame's when it declares none).
    if (width_ == 0 || height_ == 0) {
        width_ = decoded.width;
        height_ = decoded.height;
    }
    if (++framesGiven > limits.maxFrames)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The video has more frames than the frame budget of %1").arg(limits.maxFrames));
    pixelsGiven += std::int64_t{width_} * height_;
    if (pixelsGiven > limits.maxTotalPixels)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The video's frames of %1 x %2 pixels go beyond the pixel budget of %3 pixels at frame %4")
                             .arg(width_)
                             .arg(height_)
                             .arg(limits.maxTotalPixels)
                             .arg(framesGiven));
    if (!rgba[0] && av_image_alloc(rgba, rgbaLines, width_, height_, AV_PIX_FMT_RGBA, 32) < 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));

    const auto format = static_cast<AVPixelFormat>(decoded.format);
    scaler.reset(sws_getCachedContext(scaler.release(), decoded.width, decoded.height, format, width_, height_, AV_PIX_FMT_RGBA,
                                      SWS_BICUBIC | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!scaler)
        return makeError(ErrorCode::UnsupportedFormat,
                         QStringLiteral("Cannot convert video pixels of the kind %1").arg(QString::fromUtf8(av_get_pix_fmt_name(format))));
    // The colour matrix the stream names (BT.601 when it names none) and its range.
    int* inverseTable = nullptr;
    int* table = nullptr;
    int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler.get(), &inverseTable, &sourceRange, &table, &destinationRange, &brightness, &contrast,
                                 &saturation) >= 0) {
        const int space = decoded.colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : decoded.colorspace;
        if (decoded.color_range == AVCOL_RANGE_JPEG)
            sourceRange = 1;
        sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space), sourceRange, table, destinationRange, brightness,
                                 contrast, saturation);
    }
    sws_scale(scaler.get(), decoded.data, decoded.linesize, 0, decoded.height, rgba, rgbaLines);

    VideoFrame out;
    out.image = RgbaImage(width_, height_);
    copyOpaque(rgba[0], rgbaLines[0], out.image);
    if (quarterTurns)
        out.image = turned(out.image, quarterTurns);
    const std::int64_t pts = decoded.best_effort_timestamp;
    out.startMicroseconds = pts == AV_NOPTS_VALUE ? nextStart : av_rescale_q(pts, timeBase, AVRational{1, 1000000});
    out.durationMicroseconds = decoded.pkt_duration > 0 ? av_rescale_q(decoded.pkt_duration, timeBase, AVRational{1, 1000000}) : 0;
    nextStart = out.startMicroseconds + (out.durationMicroseconds > 0 ? out.durationMicroseconds : nominalFrame);
    return out;
}

Result<std::optional<VideoFrame>> FfmpegDecoding::nextFrame()
{
    FfmpegDecoding& d = *this;
    int refusals = 0;
    for (;;) {
        const int received = avcodec_receive_frame(d.codec.get(), d.frame.get());
        if (received == 0) {
            Result<VideoFrame> converted = d.convert(*d.frame);
            av_frame_unref(d.frame.get());
            if (!converted)
                return converted.error();
            return std::optional<VideoFrame>(std::move(converted).value());
        }
        if (received == AVERROR_EOF)
            return std::optional<VideoFrame>();
        if (received == AVERROR(ENOMEM))
            return avError(received, ErrorCode::FileReadFailed, QStringLiteral("Decoding the video failed"));
        if (received != AVERROR(EAGAIN) && ++refusals > kMaxConsecutiveDecodeErrors)
            return std::optional<VideoFrame>();  // a decoder that only fails: what it gave is all there is

        if (d.inputEnded) {
            if (d.flushed)
                return std::optional<VideoFrame>();
            d.flushed = true;
            avcodec_send_packet(d.codec.get(), nullptr);
            continue;
        }
        // A read error or a file cut short ends the input like its proper end.
        if (av_read_frame(d.format.get(), d.packet.get()) < 0) {
            d.inputEnded = true;
            continue;
        }
        if (d.packet->stream_index == d.stream) {
            const int sent = avcodec_send_packet(d.codec.get(), d.packet.get());
            if (sent == AVERROR(ENOMEM)) {
                av_packet_unref(d.packet.get());
                return avError(sent, ErrorCode::FileReadFailed, QStringLiteral("Decoding the video failed"));
            }
            // Any other refusal is a damaged packet: it is left out.
        }
        av_packet_unref(d.packet.get());
    }
}

// ---- encoding ---------------------------------------------------------------------------------

class FfmpegAviEncoding final : public AviEncoding {
public:
    QFile file;
    IoHandle io;
    OutputHandle format;
    CodecHandle codec;
    FrameHandle picture;
    PacketHandle packet;
    ScalerHandle scaler;
    AVStream* stream = nullptr;
    std::int64_t nextPts = 0;
    bool finished = false;

    ~FfmpegAviEncoding() override
    {
        // An unfinished file is dropped; the muxer is freed without its trailer.
        if (!finished && file.isOpen()) {
            file.close();
            file.remove();
        }
    }

    Status addFrame(const RgbaImage& picture, int repeat) override;
    Status finish() override;

    // Passes every packet the encoder has ready to the file.
    Status drain()
    {
        for (;;) {
            const int r = avcodec_receive_packet(codec.get(), packet.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return {};
            if (r < 0)
                return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Encoding the video failed"));
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (const int w = av_interleaved_write_frame(format.get(), packet.get()); w < 0)
                return writeFailure(w);
        }
    }

    Error writeFailure(int code) const
    {
        if (file.error() != QFileDevice::NoError)
            return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
        return avError(code, ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1").arg(file.fileName()));
    }
};

Result<std::unique_ptr<AviEncoding>> createAviEncoder(const QString& path, int width, int height, int frameCentiseconds)
{
    silenceLibraryLog();
    if (width < 1 || height < 1 || width > AviEncoder::kMaxSide || height > AviEncoder::kMaxSide)
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("An AVI video cannot be %1 x %2 pixels (1 to %3 a side)").arg(width).arg(height).arg(AviEncoder::kMaxSide));
    if (frameCentiseconds < 1 || frameCentiseconds > 6000)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("Frame length %1/100 s is outside 1..6000").arg(frameCentiseconds));
    const AVCodec* mpeg4 = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!mpeg4)
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("This FFmpeg has no MPEG-4 encoder"));

    auto encoder = std::make_unique<FfmpegAviEncoding>();
    FfmpegAviEncoding& e = *encoder;
    e.file.setFileName(path);
    if (!e.file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, e.file.errorString()));
    Result<IoHandle> io = deviceIo(e.file, true);
    if (!io)
        return io.error();
    e.io = std::move(io).value();

    AVFormatContext* context = nullptr;
    if (const int r = avformat_alloc_output_context2(&context, nullptr, "avi", nullptr); r < 0 || !context)
        return avError(r < 0 ? r : AVERROR_MUXER_NOT_FOUND, ErrorCode::FileWriteFailed, QStringLiteral("Cannot set up an AVI file"));
    e.format.reset(context);
    context->pb = e.io.get();

    e.codec.reset(avcodec_alloc_context3(mpeg4));
    e.picture.reset(av_frame_alloc());
    e.packet.reset(av_packet_alloc());
    if (!e.codec || !e.picture || !e.packet)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    AVCodecContext& c = *e.codec;
    c.width = width;
    c.height = height;
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.sample_aspect_ratio = AVRational{1, 1};
    av_reduce(&c.time_base.num, &c.time_base.den, frameCentiseconds, 100, 65535);
    c.framerate = AVRational{c.time_base.den, c.time_base.num};
    // A key frame about every five seconds, so players can seek; no B-frames, which some players
    // of AVI files still get wrong.
    c.gop_size = std::clamp(500 / frameCentiseconds, 1, 250);
    c.max_b_frames = 0;
    c.flags |= AV_CODEC_FLAG_QSCALE;
    c.global_quality = FF_QP2LAMBDA * kEncoderQuantiser;
    c.codec_tag = MKTAG('X', 'V', 'I', 'D');
    c.colorspace = AVCOL_SPC_SMPTE170M;
    c.color_range = AVCOL_RANGE_MPEG;
    if (const int r = avcodec_open2(&c, mpeg4, nullptr); r < 0)
        return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Cannot open the MPEG-4 encoder"));

    e.stream = avformat_new_stream(context, nullptr);
    if (!e.stream)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    if (const int r = avcodec_parameters_from_context(e.stream->codecpar, &c); r < 0)
        return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Cannot set up the AVI stream"));
    e.stream->time_base = c.time_base;
    e.stream->avg_frame_rate = c.framerate;
    if (const int r = avformat_write_header(context, nullptr); r < 0)
        return e.writeFailure(r);

    e.picture->format = AV_PIX_FMT_YUV420P;
    e.picture->width = width;
    e.picture->height = height;
    if (av_frame_get_buffer(e.picture.get(), 0) < 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    e.scaler.reset(sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_YUV420P,
                                  SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!e.scaler)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Cannot set up the colour conversion"));
    return std::unique_ptr<AviEncoding>(std::move(encoder));
}

Status FfmpegAviEncoding::addFrame(const RgbaImage& picture, int repeat)
{
    FfmpegAviEncoding& e = *this;
    if (e.finished)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The AVI file is finished already"));
    if (picture.width != e.codec->width || picture.height != e.codec->height)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("A %1 x %2 picture does not fit a %3 x %4 video")
                                                         .arg(picture.width)
                                                         .arg(picture.height)
                                                         .arg(e.codec->width)
                                                         .arg(e.codec->height));
    if (repeat < 1)
        return {};
    if (av_frame_make_writable(e.picture.get()) < 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    const std::uint8_t* source[4] = {picture.pixels.data(), nullptr, nullptr, nullptr};
    const int sourceLines[4] = {picture.width * 4, 0, 0, 0};
    sws_scale(e.scaler.get(), source, sourceLines, 0, picture.height, e.picture->data, e.picture->linesize);
    e.picture->quality = e.codec->global_quality;
    for (int i = 0; i < repeat; ++i) {
        e.picture->pts = e.nextPts++;
        if (const int r = avcodec_send_frame(e.codec.get(), e.picture.get()); r < 0)
            return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Encoding the video failed"));
        if (Status s = e.drain(); !s)
            return s;
    }
    return {};
}

Status FfmpegAviEncoding::finish()
{
    FfmpegAviEncoding& e = *this;
    if (e.finished)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The AVI file is finished already"));
    if (const int r = avcodec_send_frame(e.codec.get(), nullptr); r < 0)
        return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Encoding the video failed"));
    if (Status s = e.drain(); !s)
        return s;
    if (const int r = av_write_trailer(e.format.get()); r < 0)
        return e.writeFailure(r);
    avio_flush(e.io.get());
    if (e.io->error < 0)
        return e.writeFailure(e.io->error);
    e.file.close();
    if (e.file.error() != QFileDevice::NoError)
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(e.file.fileName(), e.file.errorString()));
    e.finished = true;
    return {};
}

// The FFmpeg release and the versions of the libraries actually loaded.
QString libraryVersion()
{
    const auto version = [](const char* name, unsigned v) {
        return QStringLiteral("%1 %2.%3.%4")
            .arg(QLatin1String(name))
            .arg(AV_VERSION_MAJOR(v))
            .arg(AV_VERSION_MINOR(v))
            .arg(AV_VERSION_MICRO(v));
    };
    const QStringList libraries{version("libavformat", avformat_version()), version("libavcodec", avcodec_version()),
                                version("libavutil", avutil_version()), version("libswscale", swscale_version())};
    return QStringLiteral("FFmpeg %1 (%2)").arg(QString::fromLatin1(av_version_info()), libraries.join(QStringLiteral(", ")));
}

const VideoCodec kCodec{kVideoCodecVersion, libraryVersion, openDecoder, createAviEncoder};

}  // namespace

}  // namespace pictoreel::ffmpeg

extern "C" __attribute__((visibility("default"))) const void* pictoreel_video_codec()
{
    return &pictoreel::ffmpeg::kCodec;
}
