// What the files of the video codec module share: FFmpeg's headers, its error codes as our
// Error, owning handles of its objects and byte I/O through Qt devices. Only the module's own
// files include this; nothing outside the module includes an FFmpeg header.
#pragma once

#include "core/codecs/video_codec.h"

#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

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

// FFmpeg talks to the terminal unless told not to; the core never does.
void silenceLibraryLog();
QString avErrorText(int code);
// FFmpeg's error numbers as ours. `ioFailure` is what a failed read or write means where the
// call was made (FileReadFailed or FileWriteFailed).
Error avError(int code, ErrorCode ioFailure, const QString& what);

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

// An FFmpeg I/O context reading or writing `device`, which must outlive it.
Result<IoHandle> deviceIo(QIODevice& device, bool writing);
bool sizeWithin(int width, int height, const VideoLimits& limits);
// "at most 16000 pixels a side and 24 megapixels are accepted"
QString acceptedSizeText(const VideoLimits& limits);

// ---- wide-gamut and HDR video in sRGB (ffmpeg_colour.cpp) ------------------------------------

// Whether a frame's colours need SrgbMapping: PQ or HLG light, or BT.2020 primaries. Any other
// frame goes to RGBA in swscale alone.
bool needsSrgbMapping(const AVFrame& frame);

// Turns 16-bit RGB that still carries the stream's transfer and primaries into sRGB.
class SrgbMapping {
public:
    // Sets the mapping up for the frames like `frame`; cheap when they stay alike.
    void prepareFor(const AVFrame& frame);
    // `count` pixels of native-endian RGB48 to opaque RGBA.
    void toSrgb(const std::uint16_t* rgb, int count, std::uint8_t* rgba) const;

private:
    AVColorTransferCharacteristic transfer_ = AVCOL_TRC_UNSPECIFIED;
    AVColorPrimaries primaries_ = AVCOL_PRI_UNSPECIFIED;
    double peak_ = 0;        // cd/m2
    double statedPeak_ = 0;  // as the stream's metadata last gave it
    std::vector<float> toLinear_;  // per 16-bit channel value; 1.0 is reference white
    std::vector<std::uint8_t> encode_;
    float matrix_[9] = {};
};

// The module's two entries (see VideoCodec).
Result<std::unique_ptr<VideoDecoding>> openDecoder(std::unique_ptr<QIODevice> input, const QString& path, const VideoLimits& limits);
Result<std::unique_ptr<AviEncoding>> createAviEncoder(const QString& path, int width, int height, int frameCentiseconds);
Result<std::unique_ptr<AviEncoding>> createVideoEncoder(const QString& path, VideoOutput kind, int width, int height,
                                                        int frameCentiseconds);

}  // namespace pictoreel::ffmpeg
