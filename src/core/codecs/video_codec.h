// What the video codec module offers the core: an FFmpeg video decoder and AVI, MP4 and WebM
// encoders behind small interfaces. The module (libpictoreel-ffmpeg.so) is loaded at the first video opened or
// written, so everything else runs without loading FFmpeg's many libraries.
#pragma once

#include "core/base/error.h"
#include "core/codecs/video_frames.h"

#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace pictoreel::ffmpeg {

class VideoDecoding {
public:
    virtual ~VideoDecoding() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual std::int64_t nominalFrameMicroseconds() const = 0;
    virtual double fractionRead() const = 0;
    virtual std::int64_t statedMicroseconds() const = 0;
    virtual Result<std::optional<VideoFrame>> nextFrame() = 0;
};

class AviEncoding {
public:
    virtual ~AviEncoding() = default;
    virtual Status addFrame(const RgbaImage& picture, int repeat) = 0;
    virtual Status finish() = 0;
};

// Raised whenever the table below changes, so a module from another build is refused.
inline constexpr int kVideoCodecVersion = 5;
inline constexpr const char* kVideoCodecModule = "libpictoreel-ffmpeg.so";
inline constexpr const char* kVideoCodecEntry = "pictoreel_video_codec";

struct VideoCodec {
    int version;
    // The libraries the module runs with, for bug reports: "FFmpeg 5.1 (libavformat 59.27.100, ...)".
    QString (*libraryVersion)();
    // Reads a video in any container FFmpeg reads from `input` (opened for reading); `name` names
    // it in messages.
    Result<std::unique_ptr<VideoDecoding>> (*openDecoder)(std::unique_ptr<QIODevice> input, const QString& name,
                                                          const VideoLimits& limits);
    Result<std::unique_ptr<AviEncoding>> (*createAviEncoder)(const QString& path, int width, int height,
                                                            int frameCentiseconds);
    // The same for every kind of video written; createAviEncoder is this with VideoOutput::Avi.
    Result<std::unique_ptr<AviEncoding>> (*createVideoEncoder)(const QString& path, VideoOutput kind, int width, int height,
                                                              int frameCentiseconds);
};

}  // namespace pictoreel::ffmpeg

// The module's one exported symbol: the address of its VideoCodec.
extern "C" const void* pictoreel_video_codec();
