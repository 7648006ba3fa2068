// Fuzz target: the video decoder (any container FFmpeg reads, told by the content) on arbitrary
// bytes, every frame decoded and converted to RGBA under limits small enough that a run stays fast. Any crash, sanitizer report or hang is a bug.
#include "core/media/ffmpeg_adapter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    if (data == nullptr || size == 0 || size > (1u << 20))
        return 0;

    ffmpeg::VideoLimits limits;
    limits.maxSide = 1024;
    limits.maxPixels = 1 << 18;
    limits.maxFrames = 500;
    limits.maxTotalPixels = 1 << 24;

    auto opened = ffmpeg::VideoDecoder::openMemory(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), limits);
    if (!opened)
        return 0;
    ffmpeg::VideoDecoder& video = opened.value();
    for (;;) {
        auto frame = video.nextFrame();
        if (!frame || !frame.value())
            break;
        const RgbaImage& image = frame.value()->image;
        // Every frame comes out at the video's size, opaque.
        if (image.width != video.width() || image.height != video.height() ||
            image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4 || image.pixels[3] != 255)
            std::abort();
    }
    return 0;
}
