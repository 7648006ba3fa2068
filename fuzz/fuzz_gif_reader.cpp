// Fuzz target: the GIF decoder on arbitrary bytes, decoding every frame from memory under limits
// small enough that a run stays fast, and the first image's pixels with the decoder of cached
// frames, which must agree with the streaming decoder wherever it reads them. Any crash,
// sanitizer report or hang is a bug.
#include "core/gif/gif_reader.h"
#include "core/gif/lzw_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    if (data == nullptr || size == 0 || size > (1u << 20))
        return 0;

    GifDecodeLimits limits;
    limits.maxScreenPixels = 1 << 20;
    limits.maxFramePixels = 1 << 22;
    limits.maxTotalFramePixels = 1 << 24;
    limits.maxFrames = 2000;
    limits.maxHeldBytes = 64 << 20;

    // Shares the caller's bytes instead of copying them.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<GifStoredImage> stored = findFirstStoredImage(bytes);
        stored && std::int64_t{stored->width} * stored->height <= limits.maxScreenPixels) {
        std::vector<std::uint8_t> indices(std::size_t(stored->width) * std::size_t(stored->height));
        const bool whole = decodeGifPixels(stored->pixels, indices.data(), indices.size());
        // The streaming decoder reads whatever the whole-image one reads, to the same pixels.
        const QByteArray& blocks = stored->pixels.subBlocks;
        qsizetype at = 0;
        LzwStreamDecoder stream(stored->pixels.minCodeSize);
        std::vector<std::uint8_t> streamed(indices.size());
        const std::size_t got = stream.read(streamed.data(), streamed.size(), [&](std::vector<std::uint8_t>& block) {
            const int length = at < blocks.size() ? std::uint8_t(blocks[at]) : 0;
            if (length == 0 || at + 1 + length > blocks.size())
                return false;
            block.assign(blocks.begin() + at + 1, blocks.begin() + at + 1 + length);
            at += 1 + length;
            return true;
        });
        if (whole && (got != indices.size() || streamed != indices))
            std::abort();
    }
    auto opened = GifDecoder::openMemory(bytes, limits);
    if (!opened)
        return 0;
    GifDecoder& decoder = opened.value();
    const std::size_t screenBytes = static_cast<std::size_t>(decoder.width()) * decoder.height() * 4;
    int frames = 0;
    while (auto frame = decoder.nextFrame()) {
        if (frame->image.pixels.size() != screenBytes || frame->index != frames)
            std::abort();
        ++frames;
    }
    if (frames != decoder.frameCount())
        std::abort();
    // Going back to the start and jumping to the last frame must work just the same.
    if (frames > 1) {
        if (!decoder.frameAt(0) || !decoder.frameAt(frames - 1))
            std::abort();
    }
    return 0;
}
