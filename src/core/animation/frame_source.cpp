#include "core/animation/frame_source.h"

#include "core/gif/giflib_adapter.h"
#include "core/gif/gif_writer.h"
#include "core/gif/lzw_decoder.h"
#include "core/base/header_bytes.h"
#include "core/formats/gif_blocks.h"

#include <QFile>
#include <QSize>

#include <array>

namespace pictoreel::animation {

namespace {

Error frameError(const Error& cause, int position, const QString& path)
{
    Error error = makeError(cause.code, QStringLiteral("Frame %1 (%2) cannot be used: %3").arg(position).arg(path, cause.message));
    error.file = path;
    return error;
}

// The logical screen size of a GIF file's bytes.
QSize screenSizeOf(const QByteArray& bytes)
{
    const HeaderBytes header{reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
    return QSize(int(header.le16(6)), int(header.le16(8)));
}

// The stored image is all the file holds after its header: the trailer follows it and ends the
// file. An image copied as stored is never decoded, so a file damaged after it was written (its
// data ending early, say) must show it here to be decoded, and told, instead.
bool aloneBeforeTrailer(const GifStoredImage& stored, const QByteArray& bytes)
{
    return stored.end == bytes.size() - 1 && bytes.back() == char(gif::kTrailerByte);
}

// The stored image covers the file's whole screen, within the decoder's limits.
bool coversScreen(const GifStoredImage& stored, QSize screen)
{
    const GifDecodeLimits limits;
    return stored.width == screen.width() && stored.height == screen.height() &&
           std::int64_t{stored.width} * stored.height <= limits.maxScreenPixels;
}

// Screen pixel of every index of a stored image: transparent, its colour, or opaque black
// beyond the palette (as the GIF reader shows it).
std::array<Pixel, 256> pixelsOfIndices(const std::vector<Rgb>& palette, int transparentIndex)
{
    std::array<Pixel, 256> lut{};
    for (std::size_t i = 0; i < lut.size(); ++i)
        lut[i] = opaquePixel(i < palette.size() ? palette[i] : Rgb{});
    if (transparentIndex >= 0 && transparentIndex < 256)
        lut[std::size_t(transparentIndex)] = kTransparent;
    return lut;
}

// `picture` made width x height, reusing its buffer; every pixel transparent when `clear`.
void resetPicture(Picture& picture, int width, int height, bool clear)
{
    const std::size_t count = static_cast<std::size_t>(width) * height;
    picture.width = width;
    picture.height = height;
    picture.stored.reset();
    if (picture.pixels.size() != count || clear)
        picture.pixels.assign(count, kTransparent);
}

// The indices of the image the block walk found, decoded from its descriptor on by the GIF
// reader's streaming decoder, which takes what the whole-image decoder refuses (code sizes
// beyond 8, say).
bool decodeStreamed(const QByteArray& bytes, const GifStoredImage& stored, std::vector<std::uint8_t>& indices)
{
    giflib::MemorySource source(bytes);
    auto reader = giflib::GifBlockReader::open(source);
    if (!reader || !source.seek(stored.offset))
        return false;
    Result<giflib::GifRecord> record = reader.value()->readRecordType();
    if (!record || record.value() != giflib::GifRecord::Image || !reader.value()->readImageHeader())
        return false;
    for (int y = 0; y < stored.height; ++y)
        if (!reader.value()->readPixelRow(indices.data() + std::size_t(y) * std::size_t(stored.width), stored.width))
            return false;
    return true;
}

// The common case of a frame file: one image at the top left corner covering the file's screen
// exactly, not interlaced. Such a file shows just that image, so it is decoded straight into
// the picture: by the whole-image decoder, or the streaming one when that finds anything unusual. False when the
// file is not of that kind or cannot be decoded this way (the general decoder then deals with
// it).
bool decodeWholeImage(const QByteArray& bytes, const GifStoredImage& stored, int& width, int& height, Picture& picture)
{
    if (stored.left != 0 || stored.top != 0 || stored.interlaced || stored.width < 1 || stored.height < 1 ||
        !coversScreen(stored, screenSizeOf(bytes)))
        return false;
    // Rows below the screen are not shown, but a damaged file must still be refused: every row
    // is decoded, unless the file's maker still has them.
    const std::size_t count = std::size_t(stored.width) * std::size_t(stored.height);
    std::vector<std::uint8_t> decodedIndices;
    const std::vector<std::uint8_t>* known = picture.indices.get();
    if (!known || known->size() != count) {
        decodedIndices.resize(count);
        if (!decodeGifPixels(stored.pixels, decodedIndices.data(), count) && !decodeStreamed(bytes, stored, decodedIndices))
            return false;
        known = &decodedIndices;
    }
    const std::vector<std::uint8_t>& indices = *known;

    if (width == 0) {
        width = stored.width;
        height = stored.height;
    }
    const bool covers = stored.width >= width && stored.height >= height;
    resetPicture(picture, width, height, !covers);
    const std::array<Pixel, 256> lut = pixelsOfIndices(stored.palette, stored.transparentIndex);
    const int w = std::min(width, stored.width);
    const int h = std::min(height, stored.height);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = indices.data() + std::size_t(y) * std::size_t(stored.width);
        Pixel* out = picture.row(y);
        for (int x = 0; x < w; ++x)
            out[x] = lut[row[x]];
    }
    return true;
}

// Decodes a frame file's bytes into `picture`, placed at the top left corner of a width x height
// screen (a width of 0 takes the file's screen size). `stored` is the file's first image as
// stored, when found; the result tells whether the picture shows exactly that image, whole.
Result<bool> decodeFrame(const QByteArray& bytes, const GifStoredImage* stored, int& width, int& height, Picture& picture,
                         int position, const QString& path)
{
    if (stored && decodeWholeImage(bytes, *stored, width, height, picture))
        return true;
    auto decoder = GifDecoder::openMemory(bytes);
    if (!decoder)
        return frameError(decoder.error(), position, path);
    std::optional<GifFrame> frame = decoder.value().nextFrame();
    if (!frame)
        return frameError(makeError(ErrorCode::EmptyImage, QStringLiteral("the file holds no image")), position, path);
    if (!frame->complete)
        return frameError(makeError(ErrorCode::CorruptData, QStringLiteral("the image data is cut short or damaged")),
                          position, path);
    const RgbaImage& image = frame->image;
    if (width == 0) {
        width = image.width;
        height = image.height;
    }
    resetPicture(picture, width, height, true);
    const int w = std::min(width, image.width);
    const int h = std::min(height, image.height);
    for (int y = 0; y < h; ++y) {
        Pixel* out = picture.row(y);
        const std::uint8_t* in = image.pixel(0, y);
        for (int x = 0; x < w; ++x, in += 4)
            out[x] = packPixel(in);
    }
    // The general decoder drew the stored image whole only when it is where the fast path
    // would have taken it; anything else is not copied.
    const GifFrame& f = *frame;
    return stored && f.index == 0 && f.left == stored->left && f.top == stored->top && f.width == stored->width &&
           f.height == stored->height && !f.interlaced && f.transparentIndex == stored->transparentIndex &&
           image.width >= width && image.height >= height;
}

}  // namespace

bool copiable(const GifStoredImage& s, int width, int height)
{
    const int codeSize = s.pixels.minCodeSize;
    return s.left == 0 && s.top == 0 && s.width == width && s.height == height && !s.interlaced && codeSize >= 2 &&
           codeSize <= 8 && !s.palette.empty() && s.palette.size() <= 256 &&
           s.transparentIndex < std::max(static_cast<int>(s.palette.size()), 1 << codeSize);
}

Status ensureDecoded(Picture& picture)
{
    if (picture.decoded)
        return {};
    const std::shared_ptr<const GifStoredImage> stored = picture.stored;
    int width = picture.width, height = picture.height;
    Result<bool> shown = decodeFrame(picture.bytes, stored.get(), width, height, picture, picture.position, picture.path);
    if (!shown)
        return shown.error();
    picture.stored = shown.value() ? stored : nullptr;
    picture.decoded = true;
    picture.bytes.clear();
    picture.indices.reset();
    return {};
}

Result<Picture> readFramePicture(const QString& path, int position, int width, int height, Picture reuse,
                                 std::shared_ptr<const std::vector<std::uint8_t>> indices)
{
    // The file is read once; the decoders and the block walk share its bytes.
    QFile file(path);
    if (!file.exists())
        return frameError(makeError(ErrorCode::FileNotFound, QStringLiteral("File not found: %1").arg(path)), position, path);
    if (!file.open(QIODevice::ReadOnly))
        return frameError(makeError(ErrorCode::FileReadFailed, QStringLiteral("Cannot open %1: %2").arg(path, file.errorString())),
                          position, path);
    const QByteArray bytes = file.readAll();
    file.close();
    std::optional<GifStoredImage> stored = findFirstStoredImage(bytes);

    Picture picture = std::move(reuse);
    picture.indices = std::move(indices);
    picture.coloursExact = gif::hasCommentBeforeImages(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                       static_cast<std::size_t>(bytes.size()), kColoursExactComment);
    if (stored && stored->transparentIndex < 0) {
        const int w = width == 0 ? stored->width : width;
        const int h = width == 0 ? stored->height : height;
        if (coversScreen(*stored, screenSizeOf(bytes)) && copiable(*stored, w, h) && aloneBeforeTrailer(*stored, bytes)) {
            picture.width = w;
            picture.height = h;
            picture.stored = std::make_shared<const GifStoredImage>(std::move(*stored));
            picture.decoded = false;
            picture.bytes = bytes;
            picture.position = position;
            picture.path = path;
            return picture;
        }
    }
    Result<bool> shown = decodeFrame(bytes, stored ? &*stored : nullptr, width, height, picture, position, path);
    if (!shown)
        return shown.error();
    picture.decoded = true;
    picture.bytes.clear();
    picture.indices.reset();
    if (stored && shown.value() && copiable(*stored, width, height))
        picture.stored = std::make_shared<const GifStoredImage>(std::move(*stored));
    return picture;
}

}  // namespace pictoreel::animation
