// Writing GIF files, one picture or a whole animation (blocks through giflib, pixels through our LZW encoder).
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/gif/gif_compressed_pixels.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace pictoreel {

enum class GifDisposal : int {
    Unspecified = 0,
    DoNotDispose = 1,
    RestoreBackground = 2,
    RestorePrevious = 3,
};

// One image block of a GIF: a picture placed at (left, top) on the logical screen with its own
// (local) palette, or with the screen's global colour table.
struct GifFrameDescription {
    IndexedImage image;
    int left = 0;
    int top = 0;
    int delayCentiseconds = 0;
    GifDisposal disposal = GifDisposal::Unspecified;
    // The indices (and image.transparentIndex) refer to the screen's global colour table, which
    // the screen must have; image.palette is then not written and may be empty.
    bool useGlobalPalette = false;
    // When set, these are written as the image's pixels instead of compressing image.indices
    // (which may then be empty); image.width and image.height still give the image's size.
    // A local table (image.palette) is padded to at least 2^minCodeSize entries.
    std::optional<GifCompressedPixels> compressed;
};

struct GifScreen {
    int width = 0;
    int height = 0;
    // Loop block: nullopt writes none; 0 loops for ever; n loops n times.
    std::optional<int> loopCount;
    // Global colour table (1..256 colours, padded with black to a power of two); empty for none.
    std::vector<Rgb> globalPalette;
};

// Writes a GIF89a frame by frame, so an animation of any length needs only the frame in hand.
// The file is written under a temporary name beside the target and renamed into place by
// finish(); a writer destroyed before finish() removes its temporary file, so a failure never
// destroys an earlier file of that name.
class GifStreamWriter {
public:
    GifStreamWriter();
    ~GifStreamWriter();
    GifStreamWriter(const GifStreamWriter&) = delete;
    GifStreamWriter& operator=(const GifStreamWriter&) = delete;

    // Each of `comments` is written as a comment extension before the first image.
    Status open(const QString& path, const GifScreen& screen, const QByteArrayList& comments = {});
    Status addFrame(const GifFrameDescription& frame);
    Status finish();

private:
    struct Impl;
    Status checkWritable() const;
    std::unique_ptr<Impl> impl_;
};

// The comment a converted frame's file holds when its colours are its picture's own
// (IndexedImage::coloursExact): a later reader of the file cannot tell that from its pixels.
inline constexpr char kColoursExactComment[] = "colours exact";

// One picture as a whole GIF file (the screen is the picture's size, no loop block), with each of
// `comments` as a comment extension before it.
Status writeSingleImageGif(const QString& path, const IndexedImage& image, const QByteArrayList& comments = {});

}  // namespace pictoreel
