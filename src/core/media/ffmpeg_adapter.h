// Videos through FFmpeg (libavformat, libavcodec, libswscale, libavutil): a video decoder that
// gives the frames of a video file as RGBA pictures with their times, and an AVI encoder that
// takes RGBA pictures. FFmpeg itself lives in the video codec module (codecs/ffmpeg_codec.cpp),
// loaded at the first video opened or written; its error codes become our Error there, and
// nothing else includes an FFmpeg header.
//
// Files are read and written through QFile, so any path Qt opens works. The encoder writes the
// path it is given in place: callers hand it a temporary file that they rename into place once
// the video is complete (see ReplacingFile).
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/codecs/video_frames.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace pictoreel::ffmpeg {

class VideoDecoding;
class AviEncoding;

// Decodes the first video stream of a file, frame by frame in display order. Frames come out in
// sRGB whatever the video's colour matrix, range, bit depth and primaries; PQ and HLG (HDR) light
// is tone-mapped to an ordinary screen's.
class VideoDecoder {
public:
    // FileNotFound, FileReadFailed, UnsupportedFormat (not a container FFmpeg reads, no video
    // stream, no decoder for it), CorruptData, LimitExceeded (frame size). The frame count the
    // file declares is never held against it: frames are counted as they are decoded.
    static Result<VideoDecoder> open(const QString& path, const VideoLimits& limits = {});
    // The same for a file in memory.
    static Result<VideoDecoder> openMemory(QByteArray bytes, const VideoLimits& limits = {});

    VideoDecoder(VideoDecoder&&) noexcept;
    VideoDecoder& operator=(VideoDecoder&&) noexcept;
    ~VideoDecoder();

    int width() const;
    int height() const;
    // The nominal length of one frame in microseconds, from the stream's frame rate; 0 when
    // unknown. Stands in for a frame's duration when the frame carries none.
    std::int64_t nominalFrameMicroseconds() const;
    // How much of the file has been read, 0..1, for progress reports.
    double fractionRead() const;
    // The length the file states for the video, in microseconds (0: none). Only told: a file cut
    // short still states its whole length, and a crafted one any length.
    std::int64_t statedMicroseconds() const;

    // The next frame, or nullopt after the last one. Packets the decoder refuses are skipped, and
    // a file that breaks off ends where it breaks: the frames before that point are all there is.
    // LimitExceeded when the frames go beyond the limits; LibraryFailure for FFmpeg's own failures.
    Result<std::optional<VideoFrame>> nextFrame();

private:
    explicit VideoDecoder(std::unique_ptr<VideoDecoding> impl);
    static Result<VideoDecoder> openDevice(std::unique_ptr<QIODevice> input, const QString& path, const VideoLimits& limits);
    std::unique_ptr<VideoDecoding> impl_;
};

// Writes a video file at a constant frame rate: by default an AVI of MPEG-4 Part 2 video (tagged
// XVID, which the players of every common desktop system open); an MP4 of H.264 or a WebM of VP9
// (see VideoOutput) for phones, browsers and chat programs. An MP4's frames have even sides: a
// picture of an odd side is stored with its last column or row repeated.
class AviEncoder {
public:
    // Writes `path` (created or emptied). `frameCentiseconds` is the length of one video frame
    // (1..6000 hundredths of a second). InvalidArgument for sizes the codec cannot store;
    // FileWriteFailed when the target cannot be created; UnsupportedFormat when this FFmpeg has
    // no encoder for the kind (MPEG-4, libx264, libvpx-vp9).
    static Result<std::unique_ptr<AviEncoder>> create(const QString& path, int width, int height, int frameCentiseconds,
                                                      VideoOutput kind = VideoOutput::Avi);
    ~AviEncoder();
    AviEncoder(const AviEncoder&) = delete;
    AviEncoder& operator=(const AviEncoder&) = delete;

    // The largest side this encoder accepts.
    static constexpr int kMaxSide = kMaxEncodedSide;

    // Appends `picture` (the encoder's size, alpha ignored) for `repeat` video frames. Repeats
    // after the first cost almost nothing: the codec stores them as unchanged.
    Status addFrame(const RgbaImage& picture, int repeat = 1);
    // Flushes the encoder, writes the index and closes the file. An encoder destroyed unfinished
    // removes its file.
    Status finish();

private:
    explicit AviEncoder(std::unique_ptr<AviEncoding> impl);
    std::unique_ptr<AviEncoding> impl_;
};

}  // namespace pictoreel::ffmpeg
