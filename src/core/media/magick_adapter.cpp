#include "core/media/magick_adapter.h"

#include "core/codecs/picture_codec.h"
#include "core/media/codec_loader.h"
#include "core/media/decoding_memory.h"
#include "core/media/metafile_adapter.h"

#include <algorithm>
#include <mutex>
#include <new>

namespace pictoreel {

namespace {

// About how many pixels ImageMagick will hold for a picture of `declared` size: one read at a
// reduced scale has at most a quarter of them. Unknown sizes count as large.
std::int64_t pixelsToHold(const MagickReading& reading, const std::optional<PictureSize>& declared, const DecodeOptions& options)
{
    if (!declared)
        return INT64_MAX;
    const std::int64_t pixels = std::int64_t{declared->width} * declared->height;
    const int hintSide = std::max(options.shrinkHintWidth, options.shrinkHintHeight);
    const bool reduced = reading.readsReducedScale && options.shrinkHintWidth > 0 && options.shrinkHintHeight > 0 &&
                         std::min(declared->width, declared->height) >= 2 * hintSide;
    return reduced ? pixels / 4 : pixels;
}

// What a decode holds of `pixels` (ImageMagick's 8 bytes a pixel) and, for a progressive JPEG,
// the decoder's coefficients of the whole picture.
std::int64_t bytesToHold(std::int64_t pixels, const std::uint8_t* data, std::size_t size, PictureFormat format)
{
    const std::int64_t pixelBytes = pixels > kDecodingMemory / 8 ? kDecodingMemory : pixels * 8;
    return pixelBytes + (format == PictureFormat::Jpeg ? jpegCoefficientBytes(data, size) : 0);
}

Result<const PictureCodec*> pictureCodec()
{
    return loadCodecOnce<PictureCodec>(kPictureCodecModule, kPictureCodecEntry, kPictureCodecVersion,
                                       QStringLiteral("to read pictures"));
}

}  // namespace

Status initialiseMagick()
{
    Result<const PictureCodec*> codec = pictureCodec();
    if (!codec)
        return codec.error();
    return codec.value()->initialise();
}

Result<RgbaImage> decodePicture(QByteArray bytes, PictureFormat format, const DecodeOptions& options)
{
    const PictureFormatRow* row = pictureFormatRow(format);
    if (!row || (!row->ownReader && !row->magick.coder && !row->metafile))
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The file is not a picture in a supported format."));
    if (bytes.isEmpty())
        return makeError(ErrorCode::CorruptData, QStringLiteral("The picture file is empty."));

    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    std::optional<PictureSize> declared = peekPictureSize(data, static_cast<std::size_t>(bytes.size()), format);
    // A drawing too large to hold at its own size is drawn at the largest size that is held.
    if (declared && row->metafile)
        declared = largestWithinLimits(*declared);
    // Our readers hold a picture whole. A larger one that will be shrunk to its frame goes to
    // ImageMagick, when it reads the format, which scales it while reading.
    const bool tooLargeToHold = declared && std::int64_t{declared->width} * declared->height > kLimits.maxPixels;
    if (row->ownReader && !(tooLargeToHold && row->magick.coder)) {
        try {
            return row->ownReader(bytes);
        } catch (const std::bad_alloc&) {
            return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to decode the picture."));
        }
    }
    // Pictures that ImageMagick scales to their frame while reading (it then never holds them
    // whole) stay with it.
    bool heldWhole = false;
    if (declared) {
        const PictureHolding holding = pictureHolding(declared->width, declared->height, options);
        if (Status s = checkPictureSize(declared->width, declared->height, holding); !s)
            return s.error();
        heldWhole = holding != PictureHolding::Scaled && !tooLargeToHold;
    } else if (row->peekSize) {
        // A header we know how to read but cannot: damaged beyond what any decoder should see.
        return makeError(ErrorCode::CorruptData,
                         QStringLiteral("The picture is damaged or unreadable: its %1 header is incomplete.")
                             .arg(pictureFormatName(format)));
    }
    if (row->commonReader && heldWhole) {
        std::optional<RgbaImage> image;
        {
            const auto oneAtATime = oneLargePictureAtATime(pixelsToHold(row->magick, declared, options));
            image = row->commonReader(bytes);
        }
        if (image)
            return std::move(*image);
    }
    if (row->metafile)  // its size is always read from the header
        return drawMetafile(std::move(bytes), *declared, options);
    Result<const PictureCodec*> codec = pictureCodec();
    if (!codec)
        return codec.error();
    const std::int64_t pixels = pixelsToHold(row->magick, declared, options);
    const DecodingMemory memory(bytesToHold(pixels, data, static_cast<std::size_t>(bytes.size()), format));
    const auto oneAtATime = oneLargePictureAtATime(pixels);
    return codec.value()->decode(std::move(bytes), row->magick, options, declared);
}

Result<QByteArray> encodeJpeg(const RgbaImage& image, int quality, bool progressive, bool grayscale)
{
    Result<const PictureCodec*> codec = pictureCodec();
    if (!codec)
        return codec.error();
    return codec.value()->encodeJpeg(image, quality, progressive, grayscale);
}

Result<QByteArray> encodePng(const RgbaImage& image)
{
    Result<const PictureCodec*> codec = pictureCodec();
    if (!codec)
        return codec.error();
    return codec.value()->encodePng(image);
}

}  // namespace pictoreel
