// The video codec module: everything that talks to FFmpeg (ffmpeg_module.h and the files beside
// it). FFmpeg's error codes become our Error there; nothing outside the module includes an FFmpeg
// header. This file holds the table the module exports.
#include "core/codecs/ffmpeg_module.h"

#include <QStringList>

namespace pictoreel::ffmpeg {

namespace {

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

const VideoCodec kCodec{kVideoCodecVersion, libraryVersion, openDecoder, createAviEncoder, createVideoEncoder};

}  // namespace

}  // namespace pictoreel::ffmpeg

extern "C" __attribute__((visibility("default"))) const void* pictoreel_video_codec()
{
    return &pictoreel::ffmpeg::kCodec;
}

