// Reading GIF files with giflib: every frame composited on the logical screen, one at a time.
#pragma once

#include "core/base/error.h"
#include "core/gif/gif_writer.h"  // GifDisposal
#include "core/base/image.h"
#include "core/base/limits.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pictoreel {

// Bounds a GIF must stay within before anything is allocated for it. Files beyond them are
// refused with ErrorCode::LimitExceeded when they are opened.
struct GifDecodeLimits {
    // Width x height of the logical screen: it is held whole, twice while a frame is handed out.
    // Its sides are not bounded apart from that (a GIF's 16-bit sides are no burden on their own).
    std::int64_t maxScreenPixels = kLimits.maxPixels;
    // Width x height of one frame as stored (a frame may reach far beyond the screen; only one
    // row of it is held).
    std::int64_t maxFramePixels = std::int64_t{kLimits.maxSide} * kLimits.maxSide;
    // All frames together as stored: bounds the decompression work for a file.
    std::int64_t maxTotalFramePixels = std::int64_t{1} << 34;
    int maxFrames = kLimits.maxGifFrames;
    // All composited frames held at once (decodeGifFile and decodeGifMemory only).
    std::int64_t maxHeldBytes = std::int64_t{2} << 30;
};

// What the quick scan at opening finds out about a GIF.
struct GifInfo {
    int width = 0;   // logical screen; when the file says 0, the extent of the first frame that has one
    int height = 0;
    int frameCount = 0;
    // From the first NETSCAPE2.0 or ANIMEXTS1.0 block, as stored: 0 loops for ever, n repeats the
    // animation n times after its first showing. nullopt when the file has no loop block.
    std::optional<int> loopCount;
    int backgroundIndex = -1;           // -1 when the file has no global colour table
    std::optional<Rgb> backgroundColor; // the global colour at backgroundIndex, when there is one
    // The file ends (or its block structure breaks) before the trailer. The frames found before
    // that point are all there is.
    bool truncated = false;
};

// One frame as shown: the whole logical screen after this frame was drawn over what the earlier
// frames and their disposal methods left. Pixels nothing has drawn yet are transparent (RGBA 0).
struct GifFrame {
    int index = 0;
    RgbaImage image;
    // The frame's rectangle as stored (of all its images); it may reach beyond the screen, where
    // it is clipped.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delayCentiseconds = 0;
    GifDisposal disposal = GifDisposal::Unspecified;
    int transparentIndex = -1;
    bool interlaced = false;
    // False when the frame's pixel data ends early or is corrupt. Such a frame is kept: the rows
    // decoded before the fault are drawn, the rest of its rectangle shows what was there before.
    // Decoding goes on with the next frame when the file has one.
    bool complete = true;
};

// "<name> is cut short: it breaks off after <frames> frames, the last of which may be
// incomplete", for a GIF whose info() says it is truncated.
QString gifCutShortText(const QString& name, int frames);

// Decodes a GIF frame by frame, holding only the screen (and, for "restore to previous", one saved
// copy of it), so an animation of any length can be played or converted.
//
// Opening scans the block structure once without decompressing pixels: screen size, loop count,
// frame count and every frame's place in the data are then known. Frames missing palettes use
// opaque black; pixel indices beyond the palette are opaque black too.
//
// A frame is one image block, or several drawn in turn when the earlier ones only build the
// picture of the last: in a GIF89a file, an image without a graphic control block is drawn into
// the frame of the image after it (see groupImagesIntoFrames). Such a frame has the delay,
// disposal and transparent index of its last image and the rectangle that takes in all of them.
// Images with a graphic control block are frames even of delay 0, and every image of a GIF87a
// file, or of a file with a loop block (an animation), is a frame (delay 0 without a graphic
// control block). An image of no width or height draws nothing: its frame shows the screen as
// the frames before left it (all transparent when it comes first). So does an image whose data
// holds no pixels, or that has no data at all, which is marked incomplete like any image whose
// data ends early. Pixels are decompressed as browsers do (LzwStreamDecoder): the pixels decoded
// before the data ends or breaks are drawn.
class GifDecoder {
public:
    // FileNotFound, FileReadFailed, UnsupportedFormat (not a GIF), CorruptData (cut short before
    // its first frame), EmptyImage (a complete GIF without frames, or whose screen and frames all
    // have no size), LimitExceeded.
    static Result<GifDecoder> openFile(const QString& path, const GifDecodeLimits& limits = {});
    static Result<GifDecoder> openMemory(QByteArray bytes, const GifDecodeLimits& limits = {});

    // Opens the same GIF again for another decoder, with nothing decoded yet: the file this one
    // reads, even when it has been replaced or deleted by name since, or the same bytes. The
    // returned call scans it, on any thread. FileReadFailed when it cannot be opened.
    std::function<Result<GifDecoder>()> reopener() const;

    GifDecoder(GifDecoder&&) noexcept;
    GifDecoder& operator=(GifDecoder&&) noexcept;
    ~GifDecoder();

    const GifInfo& info() const;
    int width() const { return info().width; }
    int height() const { return info().height; }
    int frameCount() const { return info().frameCount; }
    std::optional<int> loopCount() const { return info().loopCount; }
    // The delay of frame `index` (that of its last image) in hundredths of a second, known from
    // the scan at opening: no pixels are decoded for it. 0 for an index outside the frames.
    int storedDelay(int index) const;

    // Index of the frame nextFrame() gives next (frameCount() at the end).
    int nextFrameIndex() const;
    // The next frame, or nullopt after the last one.
    std::optional<GifFrame> nextFrame();
    // Any frame: decodes forward from the current position, or from the start for an earlier one.
    // InvalidArgument for an index outside 0..frameCount()-1.
    Result<GifFrame> frameAt(int index);
    // Back to the first frame with an empty screen, as for the next loop of a playback.
    void rewind();

private:
    struct Impl;
    explicit GifDecoder(std::unique_ptr<Impl> impl);
    static Result<GifDecoder> scanAndWrap(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// A whole GIF in memory: every composited frame. Refused with LimitExceeded when the frames
// together would need more than limits.maxHeldBytes.
struct DecodedGif {
    GifInfo info;
    std::vector<GifFrame> frames;
};

// The first image of a GIF as it is stored, found by walking the blocks without decompressing:
// where it is, its colour table (the local one, else the global one, with every entry the file
// holds), the transparent index of the graphic control block before it, and its compressed
// pixels. nullopt when the data holds no complete image block (cut short, not a GIF, no table).
struct GifStoredImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    bool localPalette = false;
    std::vector<Rgb> palette;
    int transparentIndex = -1;
    GifCompressedPixels pixels;
    qsizetype offset = 0;  // of its image descriptor in the data
    qsizetype end = 0;     // just past its data's terminator
};
std::optional<GifStoredImage> findFirstStoredImage(const QByteArray& bytes);
// Every image block up to `maxImages`, each with the graphic control block just before it; stops
// at the trailer or where the data breaks off (the images before that point are returned).
std::vector<GifStoredImage> findStoredImages(const QByteArray& bytes, int maxImages = 1 << 20);

Result<DecodedGif> decodeGifFile(const QString& path, const GifDecodeLimits& limits = {});
Result<DecodedGif> decodeGifMemory(QByteArray bytes, const GifDecodeLimits& limits = {});

}  // namespace pictoreel
