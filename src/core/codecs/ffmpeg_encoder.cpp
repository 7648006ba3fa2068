// Writing videos from pictures, each shown for a number of frame times: AVI (MPEG-4 part 2), MP4
// (H.264 through libx264) and WebM (VP9 through libvpx).
#include "core/codecs/ffmpeg_module.h"

#include <QFile>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace pictoreel::ffmpeg {

namespace {

// The even size a side is converted to 4:2:0 at (see FfmpegAviEncoding::padded).
int evenSide(int side) { return side + (side & 1); }

// MPEG-4 quantiser for every frame: 2 is near transparent, and GIF pictures are small.
constexpr int kEncoderQuantiser = 2;

// What each kind of video is written with. The constant qualities keep flat colours and sharp
// edges close to what the GIF shows; a repeated frame costs almost nothing in every codec.
struct OutputKind {
    const char* name;     // in messages
    const char* muxer;
    const char* encoder;  // FFmpeg's name of the encoder, empty for its own of `codec`
    AVCodecID codec;
    const char* encoderName;  // in messages
};

OutputKind outputKind(VideoOutput kind)
{
    switch (kind) {
    case VideoOutput::Mp4: return {"MP4", "mp4", "libx264", AV_CODEC_ID_H264, "H.264 (libx264)"};
    case VideoOutput::WebM: return {"WebM", "webm", "libvpx-vp9", AV_CODEC_ID_VP9, "VP9 (libvpx-vp9)"};
    case VideoOutput::Avi: break;
    }
    return {"AVI", "avi", "", AV_CODEC_ID_MPEG4, "MPEG-4"};
}

struct DictionaryCloser {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};
using Dictionary = std::unique_ptr<AVDictionary, DictionaryCloser>;

Dictionary dictionary(std::initializer_list<std::pair<const char*, const char*>> entries)
{
    AVDictionary* d = nullptr;
    for (const auto& [key, value] : entries)
        av_dict_set(&d, key, value, 0);
    return Dictionary(d);
}

class FfmpegAviEncoding final : public AviEncoding {
public:
    VideoOutput kind = VideoOutput::Avi;
    QString kindName;
    // An AVI is written through `file`. An MP4 is written by FFmpeg itself at `path`, as its
    // index is moved to the start once the file is complete, which reads the file back.
    QFile file;
    QString path;
    bool opened = false;
    int width = 0;  // of the pictures taken
    int height = 0;
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
        if (format && format->pb && kind != VideoOutput::Avi)
            avio_closep(&format->pb);
        if (!finished && opened && kind != VideoOutput::Avi)
            QFile::remove(path);
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
        return avError(code, ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1").arg(path));
    }
};

}  // namespace

Result<std::unique_ptr<AviEncoding>> createAviEncoder(const QString& path, int width, int height, int frameCentiseconds)
{
    return createVideoEncoder(path, VideoOutput::Avi, width, height, frameCentiseconds);
}

Result<std::unique_ptr<AviEncoding>> createVideoEncoder(const QString& path, VideoOutput kind, int width, int height,
                                                        int frameCentiseconds)
{
    silenceLibraryLog();
    const OutputKind out = outputKind(kind);
    const QString name = QLatin1String(out.name);
    if (width < 1 || height < 1 || width > kMaxEncodedSide || height > kMaxEncodedSide)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("%1 %2 video cannot be %3 x %4 pixels (1 to %5 a side)")
                                                         .arg(kind == VideoOutput::Avi ? QStringLiteral("An") : QStringLiteral("A"), name)
                                                         .arg(width)
                                                         .arg(height)
                                                         .arg(kMaxEncodedSide));
    if (frameCentiseconds < 1 || frameCentiseconds > 6000)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("Frame length %1/100 s is outside 1..6000").arg(frameCentiseconds));
    const AVCodec* encoder = *out.encoder ? avcodec_find_encoder_by_name(out.encoder) : avcodec_find_encoder(out.codec);
    if (!encoder)
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("This FFmpeg has no %1 encoder").arg(QLatin1String(out.encoderName)));

    auto encoder_ = std::make_unique<FfmpegAviEncoding>();
    FfmpegAviEncoding& e = *encoder_;
    e.kind = kind;
    e.kindName = name;
    e.path = path;
    e.width = width;
    e.height = height;
    AVFormatContext* context = nullptr;
    if (const int r = avformat_alloc_output_context2(&context, nullptr, out.muxer, nullptr); r < 0 || !context)
        return avError(r < 0 ? r : AVERROR_MUXER_NOT_FOUND, ErrorCode::FileWriteFailed, QStringLiteral("Cannot set up %1 file").arg(
                           kind == VideoOutput::Avi ? QStringLiteral("an AVI") : QStringLiteral("a ") + name));
    e.format.reset(context);
    if (kind == VideoOutput::Avi) {
        e.file.setFileName(path);
        if (!e.file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, e.file.errorString()));
        Result<IoHandle> io = deviceIo(e.file, true);
        if (!io)
            return io.error();
        e.io = std::move(io).value();
        context->pb = e.io.get();
    } else {
        // "file:" keeps a name with a colon from being taken for another protocol.
        const QByteArray url = "file:" + QFile::encodeName(path);
        context->url = av_strdup(url.constData());
        if (const int r = avio_open(&context->pb, url.constData(), AVIO_FLAG_WRITE); r < 0)
            return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1").arg(path));
        e.opened = true;
    }

    e.codec.reset(avcodec_alloc_context3(encoder));
    e.picture.reset(av_frame_alloc());
    e.packet.reset(av_packet_alloc());
    if (!e.codec || !e.picture || !e.packet)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    AVCodecContext& c = *e.codec;
    // H.264 at 4:2:0 stores even sides only.
    c.width = kind == VideoOutput::Mp4 ? evenSide(width) : width;
    c.height = kind == VideoOutput::Mp4 ? evenSide(height) : height;
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.sample_aspect_ratio = AVRational{1, 1};
    av_reduce(&c.time_base.num, &c.time_base.den, frameCentiseconds, 100, 65535);
    c.framerate = AVRational{c.time_base.den, c.time_base.num};
    // A key frame about every five seconds, so players can seek.
    c.gop_size = std::clamp(500 / frameCentiseconds, 1, 250);
    c.colorspace = AVCOL_SPC_SMPTE170M;
    c.color_range = AVCOL_RANGE_MPEG;
    if (context->oformat->flags & AVFMT_GLOBALHEADER)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Dictionary options;
    if (kind == VideoOutput::Avi) {
        // No B-frames, which some players of AVI files still get wrong.
        c.max_b_frames = 0;
        c.flags |= AV_CODEC_FLAG_QSCALE;
        c.global_quality = FF_QP2LAMBDA * kEncoderQuantiser;
        c.codec_tag = MKTAG('X', 'V', 'I', 'D');
    } else if (kind == VideoOutput::Mp4) {
        c.profile = FF_PROFILE_H264_HIGH;
        options = dictionary({{"crf", "16"}, {"preset", "medium"}});
    } else {
        c.bit_rate = 0;  // constant quality
        options = dictionary({{"crf", "20"}, {"deadline", "good"}, {"cpu-used", "4"}, {"row-mt", "1"}});
    }
    AVDictionary* given = options.release();
    const int opened = avcodec_open2(&c, encoder, &given);
    av_dict_free(&given);
    if (opened < 0)
        return avError(opened, ErrorCode::FileWriteFailed, QStringLiteral("Cannot open the %1 encoder").arg(QLatin1String(out.encoderName)));

    e.stream = avformat_new_stream(context, nullptr);
    if (!e.stream)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    if (const int r = avcodec_parameters_from_context(e.stream->codecpar, &c); r < 0)
        return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Cannot set up the %1 stream").arg(name));
    e.stream->time_base = c.time_base;
    e.stream->avg_frame_rate = c.framerate;
    Dictionary header = kind == VideoOutput::Mp4 ? dictionary({{"movflags", "+faststart"}}) : Dictionary();
    given = header.release();
    const int written = avformat_write_header(context, &given);
    av_dict_free(&given);
    if (written < 0)
        return e.writeFailure(written);

    const int evenWidth = evenSide(width), evenHeight = evenSide(height);
    e.picture->format = AV_PIX_FMT_YUV420P;
    e.picture->width = evenWidth;
    e.picture->height = evenHeight;
    if (av_frame_get_buffer(e.picture.get(), 0) < 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory"));
    e.picture->width = c.width;
    e.picture->height = c.height;
    e.scaler.reset(sws_getContext(evenWidth, evenHeight, AV_PIX_FMT_RGBA, evenWidth, evenHeight, AV_PIX_FMT_YUV420P,
                                  SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!e.scaler)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Cannot set up the colour conversion"));
    return std::unique_ptr<AviEncoding>(std::move(encoder_));
}

Status FfmpegAviEncoding::addFrame(const RgbaImage& picture, int repeat)
{
    FfmpegAviEncoding& e = *this;
    if (e.finished)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The %1 file is finished already").arg(e.kindName));
    if (picture.width != e.width || picture.height != e.height)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("A %1 x %2 picture does not fit a %3 x %4 video")
                                                         .arg(picture.width)
                                                         .arg(picture.height)
                                                         .arg(e.width)
                                                         .arg(e.height));
    if (repeat < 1)
        return {};
    // A new buffer, when the encoder still holds the last one, is made at the even size too.
    const int evenWidth = evenSide(picture.width), evenHeight = evenSide(picture.height);
    e.picture->width = evenWidth;
    e.picture->height = evenHeight;
    const bool writable = av_frame_make_writable(e.picture.get()) >= 0;
    e.picture->width = e.codec->width;
    e.picture->height = e.codec->height;
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
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The %1 file is finished already").arg(e.kindName));
    if (const int r = avcodec_send_frame(e.codec.get(), nullptr); r < 0)
        return avError(r, ErrorCode::FileWriteFailed, QStringLiteral("Encoding the video failed"));
    if (Status s = e.drain(); !s)
        return s;
    if (const int r = av_write_trailer(e.format.get()); r < 0)
        return e.writeFailure(r);
    if (e.kind != VideoOutput::Avi) {
        if (const int r = avio_closep(&e.format->pb); r < 0)
            return e.writeFailure(r);
        e.finished = true;
        return {};
    }
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
