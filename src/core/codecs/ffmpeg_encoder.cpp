// Writing AVI videos (MPEG-4 part 2) from pictures, each shown for a number of frame times.
#include "core/codecs/ffmpeg_module.h"
#include "core/media/ffmpeg_adapter.h"  // AviEncoder::kMaxSide

#include <QFile>

#include <algorithm>
#include <vector>

namespace pictoreel::ffmpeg {

namespace {

// The even size a side is converted to 4:2:0 at (see FfmpegAviEncoding::padded).
int evenSide(int side) { return side + (side & 1); }

// MPEG-4 quantiser for every frame: 2 is near transparent, and GIF pictures are small.
constexpr int kEncoderQuantiser = 2;

class FfmpegAviEncoding final : public AviEncoding {
public:
    QFile file;
    IoHandle io;
    OutputHandle format;
    CodecHandle codec;
    FrameHandle picture;
    PacketHandle packet;
    ScalerHandle scaler;
    // Pictures of an odd width or height are converted at the next even size, their last column
    // and row repeated: each chroma sample of 4:2:0 covers two by two pixels, and at an odd edge
    // the converter would otherwise take it from beyond the picture (a 1 x 1 red frame came out
    // brown). The encoder then takes the picture's own size from the top left.
    std::vector<std::uint8_t> padded;
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

}  // namespace

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

    const int evenWidth = evenSide(width), evenHeight = evenSide(height);
    e.picture->format = AV_PIX_FMT_YUV420P;
    e.picture->width = evenWidth;
    e.picture->height = evenHeight;
    if (av_frame_get_buffer(e.picture.get(), 0) < 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    e.picture->width = width;
    e.picture->height = height;
    e.scaler.reset(sws_getContext(evenWidth, evenHeight, AV_PIX_FMT_RGBA, evenWidth, evenHeight, AV_PIX_FMT_YUV420P,
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
    // A new buffer, when the encoder still holds the last one, is made at the even size too.
    const int evenWidth = evenSide(picture.width), evenHeight = evenSide(picture.height);
    e.picture->width = evenWidth;
    e.picture->height = evenHeight;
    const bool writable = av_frame_make_writable(e.picture.get()) >= 0;
    e.picture->width = picture.width;
    e.picture->height = picture.height;
    if (!writable)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    const std::uint8_t* pixels = picture.pixels.data();
    if (evenWidth != picture.width || evenHeight != picture.height) {
        const std::size_t row = std::size_t(picture.width) * 4, evenRow = std::size_t(evenWidth) * 4;
        e.padded.resize(evenRow * std::size_t(evenHeight));
        for (int y = 0; y < evenHeight; ++y) {
            std::uint8_t* to = e.padded.data() + std::size_t(y) * evenRow;
            std::copy_n(pixels + std::size_t(std::min(y, picture.height - 1)) * row, row, to);
            if (evenWidth != picture.width)
                std::copy_n(to + row - 4, 4, to + row);
        }
        pixels = e.padded.data();
    }
    const std::uint8_t* source[4] = {pixels, nullptr, nullptr, nullptr};
    const int sourceLines[4] = {evenWidth * 4, 0, 0, 0};
    sws_scale(e.scaler.get(), source, sourceLines, 0, evenHeight, e.picture->data, e.picture->linesize);
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

}  // namespace pictoreel::ffmpeg
