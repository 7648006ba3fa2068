// Reading videos in any container FFmpeg reads (told by their content), frames turned upright and
// converted to RGBA, each with its own time.
#include "core/codecs/ffmpeg_module.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

namespace pictoreel::ffmpeg {

namespace {

// A decoder that keeps refusing without taking more input is given up after this many refusals.
constexpr int kMaxConsecutiveDecodeErrors = 64;

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
    std::int64_t stated = 0;  // the length the header states, in microseconds; 0: not stated
    VideoLimits limits;
    int framesGiven = 0;
    std::int64_t pixelsGiven = 0;
    std::int64_t nextStart = 0;  // where a frame without timestamp starts
    bool inputEnded = false;
    bool flushed = false;
    // The RGBA or RGB48 picture swscale writes, aligned as it likes it.
    std::uint8_t* rgb[4] = {};
    int rgbLines[4] = {};
    AVPixelFormat rgbFormat = AV_PIX_FMT_NONE;
    SrgbMapping srgb;

    ~FfmpegDecoding() override { av_freep(&rgb[0]); }

    int width() const override { return quarterTurns % 2 ? height_ : width_; }
    int height() const override { return quarterTurns % 2 ? width_ : height_; }
    std::int64_t nominalFrameMicroseconds() const override { return nominalFrame; }
    std::int64_t statedMicroseconds() const override { return stated; }

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

// Whether FFmpeg's reader `container` is one a video is read with: any reader of files except
// those of single pictures and image sequences (the picture loader reads GIF, APNG, WebP, PNG,
// JPEG and the rest; FFmpeg would give a GIF without its disposal and transparency rules) and the
// playlists and descriptions that only name other files or network streams. Whether the file holds
// a video stream is decided once it is opened.
bool isVideoContainer(const AVInputFormat* container)
{
    static constexpr std::string_view kRefused[] = {"image2", "image2pipe", "gif", "apng", "ico", "alias_pix", "brender_pix", "fits",
                                                    "hls", "dash", "concat", "imf", "webm_dash_manifest", "sdp", "rtp", "rtsp"};
    const std::string_view name(container->name);
    const bool picture = name.size() > 5 && name.substr(name.size() - 5) == "_pipe";
    return !(container->flags & AVFMT_NOFILE) && !picture &&
           std::find(std::begin(kRefused), std::end(kRefused), name) == std::end(kRefused);
}

// Nothing a file holds may make FFmpeg open another file or a URL: a video is the bytes given.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

}  // namespace

namespace {

// "HH:MM:SS.fraction", as Matroska muxers write a track's end in its DURATION tag, in
// microseconds.
std::optional<std::int64_t> clockMicroseconds(const char* text)
{
    const QStringList parts = QString::fromLatin1(text).trimmed().split(u':');
    if (parts.size() != 3)
        return std::nullopt;
    bool hoursOk = false, minutesOk = false, secondsOk = false;
    const qint64 hours = parts[0].toLongLong(&hoursOk);
    const qint64 minutes = parts[1].toLongLong(&minutesOk);
    const double seconds = parts[2].toDouble(&secondsOk);
    if (!hoursOk || !minutesOk || !secondsOk || hours < 0 || hours > 1000000 || minutes < 0 || !(seconds >= 0))
        return std::nullopt;
    return (hours * 3600 + minutes * 60) * 1000000 + std::llround(seconds * 1e6);
}

// The length the file states for the video, from its first frame, in microseconds; 0 when it
// states none. It is only told, so that a video that breaks off can be told from one that ends:
// its frame count at the frame rate, or its duration, whichever is longer (a cut AVI's index gives
// the duration of what is left, its header the whole count). Matroska states where the track ends,
// in a tag its muxers write, or only where the file ends, which is where the video ends when it is
// all the file holds.
std::int64_t statedLength(const AVFormatContext& context, const AVStream& stream, std::int64_t nominalFrame)
{
    constexpr AVRational kMicroseconds{1, 1000000};
    std::int64_t stated = 0;
    if (stream.nb_frames > 0 && nominalFrame > 0 && stream.nb_frames < (std::int64_t{1} << 31))
        stated = stream.nb_frames * nominalFrame;
    // A length ffmpeg worked out from the bit rate or the file's last timestamps follows the file
    // as it is, cut or not: it states nothing.
    if (context.duration_estimation_method != AVFMT_DURATION_FROM_STREAM)
        return stated;
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0)
        return std::max(stated, av_rescale_q(stream.duration, stream.time_base, kMicroseconds));
    const std::int64_t start =
        stream.start_time != AV_NOPTS_VALUE && stream.start_time > 0 ? av_rescale_q(stream.start_time, stream.time_base, kMicroseconds) : 0;
    if (const AVDictionaryEntry* tag = av_dict_get(stream.metadata, "DURATION", nullptr, 0))
        if (const std::optional<std::int64_t> end = clockMicroseconds(tag->value))
            return std::max(stated, *end - start);
    if (context.nb_streams == 1 && context.duration > 0)
        return std::max(stated, av_rescale_q(context.duration, AV_TIME_BASE_Q, kMicroseconds) - start);
    return stated;
}

}  // namespace

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
    context->io_open = refuseNestedOpen;
    // The content says what the file is, whatever its name (see isVideoContainer).
    const AVInputFormat* container = nullptr;
    const int probed = av_probe_input_buffer2(context->pb, &container, nullptr, nullptr, 0, 0);
    if (probed < 0 && probed != AVERROR_INVALIDDATA && probed != AVERROR_EOF) {
        avformat_free_context(context);
        return avError(probed, ErrorCode::FileReadFailed, QStringLiteral("Cannot read %1").arg(path));
    }
    if (probed < 0 || !container || !isVideoContainer(container)) {
        avformat_free_context(context);
        return makeError(ErrorCode::UnsupportedFormat,
                         QStringLiteral("%1 is not a video FFmpeg can read").arg(path));
    }
    if (const int r = avformat_open_input(&context, nullptr, container, nullptr); r < 0)  // frees context on failure
        return avError(r == AVERROR(EIO) ? AVERROR_INVALIDDATA : r, ErrorCode::FileReadFailed,
                       QStringLiteral("%1 is not a video FFmpeg can read").arg(path));
    impl->format.reset(context);
    if (const int r = avformat_find_stream_info(context, nullptr); r < 0)
        return avError(r, ErrorCode::FileReadFailed, QStringLiteral("Cannot read the streams of %1").arg(path));

    const AVCodec* decoder = nullptr;
    impl->stream = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    // A cover picture of a sound file is a still, not a video: another video stream, or none.
    if (impl->stream >= 0 && (context->streams[impl->stream]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        impl->stream = AVERROR_STREAM_NOT_FOUND;
        for (unsigned i = 0; i < context->nb_streams && impl->stream < 0; ++i) {
            const AVStream* other = context->streams[i];
            if (other->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(other->disposition & AV_DISPOSITION_ATTACHED_PIC) &&
                (decoder = avcodec_find_decoder(other->codecpar->codec_id)) != nullptr)
                impl->stream = static_cast<int>(i);
        }
    }
    if (impl->stream < 0)
        return makeError(ErrorCode::UnsupportedFormat,
                         impl->stream == AVERROR_DECODER_NOT_FOUND
                             ? QStringLiteral("%1: there is no decoder for its video").arg(path)
                             : QStringLiteral("%1 holds no video").arg(path));
    const AVStream* stream = context->streams[impl->stream];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->width < 0 || parameters->height < 0 || !sizeWithin(parameters->width, parameters->height, limits))
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The video's frames (%1 x %2 pixels) are too large; %3")
                                                       .arg(parameters->width)
                                                       .arg(parameters->height)
                                                       .arg(acceptedSizeText(limits)));
    // The frame count and duration a header declares are not trusted: a file cut short still
    // claims its whole length, and a crafted one any length. The budgets count frames as they are
    // decoded (see convert()).
    impl->width_ = parameters->width;
    impl->height_ = parameters->height;
    impl->quarterTurns = quarterTurnsOf(*stream);
    impl->timeBase = stream->time_base;
    const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        impl->nominalFrame = av_rescale(1000000, rate.den, rate.num);
    impl->stated = statedLength(*context, *stream, impl->nominalFrame);

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
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("A frame of the video (%1 x %2 pixels) is too large; %3")
                                                       .arg(decoded.width)
                                                       .arg(decoded.height)
                                                       .arg(acceptedSizeText(limits)));
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
    // PQ, HLG and BT.2020 colours leave swscale as 16-bit RGB for SrgbMapping; the rest as RGBA.
    const bool mapped = needsSrgbMapping(decoded);
    const AVPixelFormat target = mapped ? AV_PIX_FMT_RGB48 : AV_PIX_FMT_RGBA;
    if (target != rgbFormat) {
        av_freep(&rgb[0]);
        if (av_image_alloc(rgb, rgbLines, width_, height_, target, 32) < 0)
            return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
        rgbFormat = target;
    }

    const auto format = static_cast<AVPixelFormat>(decoded.format);
    scaler.reset(sws_getCachedContext(scaler.release(), decoded.width, decoded.height, format, width_, height_, target,
                                      SWS_BICUBIC | SWS_FULL_CHR_H_INT | (mapped ? SWS_ACCURATE_RND : 0), nullptr, nullptr, nullptr));
    if (!scaler)
        return makeError(ErrorCode::UnsupportedFormat,
                         QStringLiteral("Cannot convert video pixels of the kind %1").arg(QString::fromUtf8(av_get_pix_fmt_name(format))));
    // The colour matrix the stream names and its range. A stream that names no matrix is taken
    // as players take it: BT.709 when it is larger than standard definition, BT.601 otherwise.
    int* inverseTable = nullptr;
    int* table = nullptr;
    int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler.get(), &inverseTable, &sourceRange, &table, &destinationRange, &brightness, &contrast,
                                 &saturation) >= 0) {
        const bool highDefinition = decoded.width > 1024 || decoded.height > 576;
        const int space = decoded.colorspace != AVCOL_SPC_UNSPECIFIED ? decoded.colorspace
                          : highDefinition                            ? SWS_CS_ITU709
                                                                      : SWS_CS_DEFAULT;
        if (decoded.color_range == AVCOL_RANGE_JPEG)
            sourceRange = 1;
        sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space), sourceRange, table, destinationRange, brightness,
                                 contrast, saturation);
    }
    sws_scale(scaler.get(), decoded.data, decoded.linesize, 0, decoded.height, rgb, rgbLines);

    VideoFrame out;
    out.image = RgbaImage(width_, height_);
    if (mapped) {
        srgb.prepareFor(decoded);
        for (int y = 0; y < height_; ++y)
            srgb.toSrgb(reinterpret_cast<const std::uint16_t*>(rgb[0] + std::ptrdiff_t(y) * rgbLines[0]), width_, out.image.pixel(0, y));
    } else {
        copyOpaque(rgb[0], rgbLines[0], out.image);
    }
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

}  // namespace pictoreel::ffmpeg
