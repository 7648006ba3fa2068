#include "core/media/picture_formats.h"

#include "core/base/header_bytes.h"

#include <algorithm>

namespace pictoreel {

namespace {

using Bytes = HeaderBytes;

bool isDibHeaderSize(std::uint32_t size)
{
    return size == 12 || size == 16 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

bool looksLikeBareDib(const Bytes& b)
{
    const std::uint32_t headerSize = b.le32(0);
    if (!isDibHeaderSize(headerSize) || !b.has(0, headerSize))
        return false;
    const unsigned planes = headerSize == 12 ? b.le16(8) : b.le16(12);
    const unsigned bits = headerSize == 12 ? b.le16(10) : b.le16(14);
    return planes == 1 && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32);
}

bool looksLikeWmf(const Bytes& b)
{
    if (b.le32(0) == 0x9AC6CDD7u)  // placeable metafile key
        return true;
    const unsigned type = b.le16(0), headerWords = b.le16(2), version = b.le16(4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

// A PNM number: skips white space and '#' comments, then reads decimal digits.
std::optional<std::int64_t> pnmNumber(const Bytes& b, std::size_t& at)
{
    while (at < b.size) {
        const char c = static_cast<char>(b.data[at]);
        if (c == '#') {
            while (at < b.size && b.data[at] != '\n' && b.data[at] != '\r')
                ++at;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            ++at;
        } else {
            break;
        }
    }
    std::int64_t value = 0;
    const std::size_t start = at;
    while (at < b.size && b.data[at] >= '0' && b.data[at] <= '9' && at - start < 12)
        value = value * 10 + (b.data[at++] - '0');
    if (at == start)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> wbmpNumber(const Bytes& b, std::size_t& at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 5 && at < b.size; ++i) {
        const unsigned byte = b.data[at++];
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return value;
    }
    return std::nullopt;
}

std::optional<PictureSize> gifSize(const Bytes& b)
{
    if (!b.has(0, 13))
        return std::nullopt;
    int width = static_cast<int>(b.le16(6)), height = static_cast<int>(b.le16(8));
    std::size_t at = 13;
    if (b.u8(10) & 0x80)
        at += 3u * (2u << (b.u8(10) & 7));
    // Walk the extension blocks up to the first image descriptor: its size counts as well.
    while (b.has(at, 1)) {
        const unsigned introducer = b.u8(at);
        if (introducer == 0x2C) {
            if (!b.has(at, 10))
                break;
            width = std::max<int>(width, static_cast<int>(b.le16(at + 1) + b.le16(at + 5)));
            height = std::max<int>(height, static_cast<int>(b.le16(at + 3) + b.le16(at + 7)));
            break;
        }
        if (introducer != 0x21)
            break;
        at += 2;
        while (b.has(at, 1) && b.u8(at) != 0)
            at += 1u + b.u8(at);
        at += 1;
    }
    return PictureSize{width, height};
}

std::optional<PictureSize> jpegSize(const Bytes& b)
{
    std::size_t at = 2;
    while (b.has(at, 4)) {
        if (b.u8(at) != 0xFF)
            return std::nullopt;
        const unsigned marker = b.u8(at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return std::nullopt;
        const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            if (!b.has(at, 9))
                return std::nullopt;
            return PictureSize{static_cast<int>(b.be16(at + 7)), static_cast<int>(b.be16(at + 5))};
        }
        at += 2 + b.be16(at + 2);
    }
    return std::nullopt;
}

std::optional<PictureSize> dibSize(const Bytes& b, std::size_t at)
{
    const std::uint32_t headerSize = b.le32(at);
    if (headerSize == 12)
        return PictureSize{static_cast<int>(b.le16(at + 4)), static_cast<int>(b.le16(at + 6))};
    if (!b.has(at, 12))
        return std::nullopt;
    const auto width = static_cast<std::int32_t>(b.le32(at + 4));
    const auto height = static_cast<std::int32_t>(b.le32(at + 8));
    // A negative height is a top-down picture; a negative width is broken and stays negative.
    const std::int64_t h = height < 0 ? -std::int64_t{height} : height;
    return PictureSize{width, static_cast<int>(std::min<std::int64_t>(h, INT32_MAX))};
}

}  // namespace

QString pictureFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Gif: return QStringLiteral("GIF");
    case PictureFormat::Png: return QStringLiteral("PNG");
    case PictureFormat::Jpeg: return QStringLiteral("JPEG");
    case PictureFormat::Bmp: return QStringLiteral("BMP");
    case PictureFormat::Dib: return QStringLiteral("DIB");
    case PictureFormat::Ico: return QStringLiteral("ICO");
    case PictureFormat::Pnm: return QStringLiteral("PNM");
    case PictureFormat::Pcd: return QStringLiteral("PCD");
    case PictureFormat::Pcx: return QStringLiteral("PCX");
    case PictureFormat::Psd: return QStringLiteral("PSD");
    case PictureFormat::UtahRle: return QStringLiteral("Utah RLE");
    case PictureFormat::Sgi: return QStringLiteral("SGI");
    case PictureFormat::Targa: return QStringLiteral("Targa");
    case PictureFormat::Tiff: return QStringLiteral("TIFF");
    case PictureFormat::Wbmp: return QStringLiteral("WBMP");
    case PictureFormat::Wmf: return QStringLiteral("WMF");
    case PictureFormat::Unknown: break;
    }
    return QStringLiteral("unknown");
}

PictureFormat pictureFormatForExtension(const QString& extension)
{
    const QString e = extension.toLower();
    if (e == u"gif") return PictureFormat::Gif;
    if (e == u"png") return PictureFormat::Png;
    if (e == u"jpg" || e == u"jpeg" || e == u"jpe" || e == u"jfif") return PictureFormat::Jpeg;
    if (e == u"bmp") return PictureFormat::Bmp;
    if (e == u"dib") return PictureFormat::Dib;
    if (e == u"ico" || e == u"cur") return PictureFormat::Ico;
    if (e == u"pbm" || e == u"pgm" || e == u"ppm" || e == u"pnm") return PictureFormat::Pnm;
    if (e == u"pcd") return PictureFormat::Pcd;
    if (e == u"pcx") return PictureFormat::Pcx;
    if (e == u"psd") return PictureFormat::Psd;
    if (e == u"rle") return PictureFormat::UtahRle;
    if (e == u"sgi" || e == u"rgb" || e == u"rgba" || e == u"bw") return PictureFormat::Sgi;
    if (e == u"tga" || e == u"icb" || e == u"vda" || e == u"vst") return PictureFormat::Targa;
    if (e == u"tif" || e == u"tiff") return PictureFormat::Tiff;
    if (e == u"wbmp") return PictureFormat::Wbmp;
    if (e == u"wmf") return PictureFormat::Wmf;
    return PictureFormat::Unknown;
}

PictureFormat sniffPictureFormat(const std::uint8_t* data, std::size_t size, const QString& extension)
{
    const Bytes b{data, data ? size : 0};
    if (b.startsWith(0, "GIF87a") || b.startsWith(0, "GIF89a")) return PictureFormat::Gif;
    if (b.startsWith(0, "\x89PNG\r\n\x1A\n")) return PictureFormat::Png;
    if (b.u8(0) == 0xFF && b.u8(1) == 0xD8 && b.u8(2) == 0xFF) return PictureFormat::Jpeg;
    if (b.startsWith(0, "BM") && b.has(0, 18) && isDibHeaderSize(b.le32(14))) return PictureFormat::Bmp;
    if (b.startsWith(0, "II*") && b.u8(3) == 0) return PictureFormat::Tiff;
    if (b.startsWith(0, "MM") && b.u8(2) == 0 && (b.u8(3) == 42 || b.u8(3) == 43)) return PictureFormat::Tiff;
    if (b.startsWith(0, "II+") && b.u8(3) == 0) return PictureFormat::Tiff;
    if (b.startsWith(0, "8BPS") && (b.be16(4) == 1 || b.be16(4) == 2)) return PictureFormat::Psd;
    if (b.u8(0) == 0x52 && b.u8(1) == 0xCC) return PictureFormat::UtahRle;
    if (b.u8(0) == 0x01 && b.u8(1) == 0xDA && b.u8(2) <= 1 && (b.u8(3) == 1 || b.u8(3) == 2)) return PictureFormat::Sgi;
    if (b.u8(0) == 0x0A && b.u8(1) <= 5 && b.u8(1) != 1 && b.u8(2) <= 1 &&
        (b.u8(3) == 1 || b.u8(3) == 2 || b.u8(3) == 4 || b.u8(3) == 8) && b.has(0, 128))
        return PictureFormat::Pcx;
    if (b.has(0, 6) && b.le16(0) == 0 && (b.le16(2) == 1 || b.le16(2) == 2) && b.le16(4) > 0) return PictureFormat::Ico;
    if (b.u8(0) == 'P' && b.u8(1) >= '1' && b.u8(1) <= '6' && b.has(0, 3)) {
        const unsigned c = b.u8(2);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '#') return PictureFormat::Pnm;
    }
    if (b.startsWith(0x800, "PCD_IPI") || b.startsWith(0, "PCD_OPA")) return PictureFormat::Pcd;
    if (looksLikeWmf(b)) return PictureFormat::Wmf;
    if (looksLikeBareDib(b)) return PictureFormat::Dib;
    // Formats without a signature: trust the extension.
    switch (pictureFormatForExtension(extension)) {
    case PictureFormat::Targa: return PictureFormat::Targa;
    case PictureFormat::Wbmp: return (b.u8(0) == 0 && b.u8(1) == 0) ? PictureFormat::Wbmp : PictureFormat::Unknown;
    default: return PictureFormat::Unknown;
    }
}

std::optional<PictureSize> peekPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format)
{
    const Bytes b{data, data ? size : 0};
    switch (format) {
    case PictureFormat::Gif: return gifSize(b);
    case PictureFormat::Png:
        if (!b.has(0, 24) || !b.startsWith(12, "IHDR"))
            return std::nullopt;
        return PictureSize{static_cast<int>(std::min<std::uint32_t>(b.be32(16), INT32_MAX)),
                           static_cast<int>(std::min<std::uint32_t>(b.be32(20), INT32_MAX))};
    case PictureFormat::Jpeg: return jpegSize(b);
    case PictureFormat::Bmp: return dibSize(b, 14);
    case PictureFormat::Dib: return dibSize(b, 0);
    case PictureFormat::Psd:
        if (!b.has(0, 22))
            return std::nullopt;
        return PictureSize{static_cast<int>(std::min<std::uint32_t>(b.be32(18), INT32_MAX)),
                           static_cast<int>(std::min<std::uint32_t>(b.be32(14), INT32_MAX))};
    case PictureFormat::Targa:
        if (!b.has(0, 18))
            return std::nullopt;
        return PictureSize{static_cast<int>(b.le16(12)), static_cast<int>(b.le16(14))};
    case PictureFormat::Pcx:
        if (!b.has(0, 12) || b.le16(8) < b.le16(4) || b.le16(10) < b.le16(6))
            return std::nullopt;
        return PictureSize{static_cast<int>(b.le16(8) - b.le16(4) + 1), static_cast<int>(b.le16(10) - b.le16(6) + 1)};
    case PictureFormat::Sgi:
        if (!b.has(0, 10))
            return std::nullopt;
        return PictureSize{static_cast<int>(b.be16(6)), static_cast<int>(b.be16(8))};
    case PictureFormat::UtahRle:
        if (!b.has(0, 10))
            return std::nullopt;
        return PictureSize{static_cast<int>(b.le16(6)), static_cast<int>(b.le16(8))};
    case PictureFormat::Wbmp: {
        std::size_t at = 0;
        const auto type = wbmpNumber(b, at);
        if (!type || *type != 0 || !b.has(at, 1))
            return std::nullopt;
        while (b.has(at, 1) && (b.u8(at) & 0x80))  // header extensions
            ++at;
        ++at;
        const auto width = wbmpNumber(b, at);
        const auto height = wbmpNumber(b, at);
        if (!width || !height)
            return std::nullopt;
        return PictureSize{static_cast<int>(std::min<std::uint32_t>(*width, INT32_MAX)),
                           static_cast<int>(std::min<std::uint32_t>(*height, INT32_MAX))};
    }
    case PictureFormat::Pnm: {
        std::size_t at = 2;
        const auto width = pnmNumber(b, at);
        const auto height = pnmNumber(b, at);
        if (!width || !height)
            return std::nullopt;
        return PictureSize{static_cast<int>(std::min<std::int64_t>(*width, INT32_MAX)),
                           static_cast<int>(std::min<std::int64_t>(*height, INT32_MAX))};
    }
    default: return std::nullopt;
    }
}

namespace {

Error tooLarge(std::int64_t width, std::int64_t height, std::int64_t maxPixels)
{
    return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large (%1 x %2 pixels); at most %3 pixels a side and "
                                                              "%4 megapixels are accepted.")
                                                   .arg(width)
                                                   .arg(height)
                                                   .arg(kLimits.maxSide)
                                                   .arg(megapixelsText(maxPixels)));
}

}  // namespace

Status checkPictureLimits(std::int64_t width, std::int64_t height)
{
    if (width > kLimits.maxSide || height > kLimits.maxSide || width * height > kLimits.maxPixels)
        return tooLarge(width, height, kLimits.maxPixels);
    return Status::success();
}

Status checkPictureSize(std::int64_t width, std::int64_t height, PictureHolding holding)
{
    if (width <= 0 || height <= 0)
        return makeError(ErrorCode::CorruptData, QStringLiteral("The picture has no pixels (its size is %1 x %2).")
                                                     .arg(width)
                                                     .arg(height));
    const bool withinScaled = width <= kLimits.maxSide && height <= kLimits.maxSide && width * height <= kLimits.maxScaledPixels;
    if (holding == PictureHolding::Scaled && !withinScaled)
        return tooLarge(width, height, kLimits.maxScaledPixels);
    if (holding == PictureHolding::Scaled)
        return Status::success();
    Status whole = checkPictureLimits(width, height);
    if (!whole && holding == PictureHolding::WholeOrScaled && withinScaled)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The picture is too large to use at its own size (%1 x %2 pixels): at most %3 "
                                        "megapixels are. A picture of up to %4 megapixels can be a frame of at most "
                                        "%3 megapixels: it is scaled down as it is read.")
                             .arg(width)
                             .arg(height)
                             .arg(megapixelsText(kLimits.maxPixels))
                             .arg(megapixelsText(kLimits.maxScaledPixels)));
    return whole;
}

}  // namespace pictoreel
