#include "core/media/magick_adapter.h"

#include "core/media/utah_rle.h"

#include <Magick++.h>
#include <magick/policy.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace pictoreel {

namespace {

// Only the coders of the formats we read may run (JPEG also writes), nothing may start an
// outside program, no "@file" indirection. Coders that turn text into pictures or fetch other
// files (MVG, MSL, SVG, TEXT, URL, EPHEMERAL, ...) are therefore all refused. PNG and DIB are
// also what the icon and metafile coders use for pictures embedded in their files.
constexpr const char* kSecurityPolicy = R"(<policymap>
  <policy domain="delegate" rights="none" pattern="*" />
  <policy domain="filter" rights="none" pattern="*" />
  <policy domain="path" rights="none" pattern="@*" />
  <policy domain="coder" rights="none" pattern="*" />
  <policy domain="coder" rights="read" pattern="{BMP,BMP2,BMP3,CUR,DIB,GIF,GIF87,ICB,ICO,ICON,PBM,PCD,PCDS,PCX,PGM,PNG,PNG8,PNG24,PNG32,PNM,PPM,PSD,RLE,SGI,TGA,TIF,TIFF,TIFF64,VDA,VST,WBMP,WMF}" />
  <policy domain="coder" rights="read|write" pattern="{JPEG,JPG}" />
</policymap>)";

// Pixel cache budget. Beyond memory the cache goes to a memory map, then to disk; beyond all
// three decoding fails with a resource error instead of swapping the machine to a halt.
// ImageMagick's "time" limit is deliberately not used: it counts from the first pixel access of
// the whole process and ends the process when it runs out, which no long-running program wants.
constexpr MagickCore::MagickSizeType kMemoryLimit = MagickCore::MagickSizeType{256} << 20;
constexpr MagickCore::MagickSizeType kMapLimit = MagickCore::MagickSizeType{512} << 20;
constexpr MagickCore::MagickSizeType kDiskLimit = MagickCore::MagickSizeType{1} << 30;
constexpr MagickCore::MagickSizeType kListLengthLimit = 4096;

const char* coderName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Gif: return "GIF";
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Jpeg: return "JPEG";
    case PictureFormat::Bmp: return "BMP";
    case PictureFormat::Dib: return "DIB";
    case PictureFormat::Ico: return "ICO";
    case PictureFormat::Pnm: return "PNM";
    case PictureFormat::Pcd: return "PCD";
    case PictureFormat::Pcx: return "PCX";
    case PictureFormat::Psd: return "PSD";
    case PictureFormat::UtahRle: return "RLE";
    case PictureFormat::Sgi: return "SGI";
    case PictureFormat::Targa: return "TGA";
    case PictureFormat::Tiff: return "TIFF";
    case PictureFormat::Wbmp: return "WBMP";
    case PictureFormat::Wmf: return "WMF";
    case PictureFormat::Unknown: break;
    }
    return nullptr;
}

// Bounds-checked readers of header fields.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;

    bool has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
    unsigned u8(std::size_t at) const { return has(at, 1) ? data[at] : 0u; }
    unsigned le16(std::size_t at) const { return has(at, 2) ? data[at] | (data[at + 1] << 8) : 0u; }
    unsigned be16(std::size_t at) const { return has(at, 2) ? (data[at] << 8) | data[at + 1] : 0u; }
    std::uint32_t le32(std::size_t at) const
    {
        return has(at, 4) ? std::uint32_t(data[at]) | (std::uint32_t(data[at + 1]) << 8) |
                                (std::uint32_t(data[at + 2]) << 16) | (std::uint32_t(data[at + 3]) << 24)
                          : 0u;
    }
    std::uint32_t be32(std::size_t at) const
    {
        return has(at, 4) ? (std::uint32_t(data[at]) << 24) | (std::uint32_t(data[at + 1]) << 16) |
                                (std::uint32_t(data[at + 2]) << 8) | std::uint32_t(data[at + 3])
                          : 0u;
    }
    bool startsWith(std::size_t at, const char* text) const
    {
        const std::size_t n = std::strlen(text);
        return has(at, n) && std::memcmp(data + at, text, n) == 0;
    }
};

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

// Turns an ImageMagick exception into our error. The text keeps ImageMagick's reason but not
// the source location it appends.
Error translate(const Magick::Exception& exception)
{
    std::string reason = exception.what();
    if (const auto at = reason.find(" @ "); at != std::string::npos)
        reason.erase(at);
    const QString text = QString::fromLocal8Bit(reason.c_str()).trimmed();
    const bool limit = dynamic_cast<const Magick::ErrorResourceLimit*>(&exception) != nullptr ||
                       dynamic_cast<const Magick::ErrorCache*>(&exception) != nullptr ||
                       reason.find("exceeds limit") != std::string::npos ||
                       reason.find("user limit") != std::string::npos;
    if (limit)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The picture is too large to process: ") + text);
    if (dynamic_cast<const Magick::ErrorMissingDelegate*>(&exception) ||
        dynamic_cast<const Magick::ErrorPolicy*>(&exception))
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The picture format is not supported: ") + text);
    return makeError(ErrorCode::CorruptData, QStringLiteral("The picture is damaged or unreadable: ") + text);
}

Status checkedSize(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0)
        return makeError(ErrorCode::CorruptData, QStringLiteral("The picture has no pixels (its size is %1 x %2).")
                                                     .arg(width)
                                                     .arg(height));
    return checkPictureLimits(width, height);
}

bool isRgbLike(MagickCore::ColorspaceType space)
{
    return space == MagickCore::sRGBColorspace || space == MagickCore::RGBColorspace ||
           space == MagickCore::GRAYColorspace || space == MagickCore::LinearGRAYColorspace ||
           space == MagickCore::TransparentColorspace || space == MagickCore::UndefinedColorspace;
}

// Copies the decoded picture out as 8-bit RGBA; a GIF's first picture is placed on its
// logical screen, transparent around it.
// Kodak PhotoYCC (Photo CD) to sRGB. ImageMagick 6's own conversion comes out a fifth too dark.
void photoYccToRgb(RgbaImage& picture)
{
    auto clamp = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    for (std::size_t i = 0; i < picture.pixels.size(); i += 4) {
        std::uint8_t* p = &picture.pixels[i];
        const double luma = 1.3584 * p[0];
        const double c1 = 2.2179 * (p[1] - 156.0);
        const double c2 = 1.8215 * (p[2] - 137.0);
        p[0] = clamp(luma + c2);
        p[1] = clamp(luma - 0.194 * c1 - 0.509 * c2);
        p[2] = clamp(luma + c1);
    }
}

RgbaImage exportRgba(Magick::Image& image, PictureFormat format)
{
    const bool photoYcc = image.colorSpace() == MagickCore::YCCColorspace;
    if (!photoYcc && !isRgbLike(image.colorSpace()))
        image.colorSpace(MagickCore::sRGBColorspace);
    const int width = static_cast<int>(image.columns());
    const int height = static_cast<int>(image.rows());
    RgbaImage picture(width, height);
    image.write(0, 0, static_cast<size_t>(width), static_cast<size_t>(height), "RGBA", Magick::CharPixel,
                picture.pixels.data());
    if (!image.matte()) {
        for (std::size_t i = 3; i < picture.pixels.size(); i += 4)
            picture.pixels[i] = 255;
    }
    if (photoYcc)
        photoYccToRgb(picture);
    if (format != PictureFormat::Gif)
        return picture;

    const MagickCore::RectangleInfo& page = image.constImage()->page;
    const std::int64_t screenWidth = static_cast<std::int64_t>(page.width);
    const std::int64_t screenHeight = static_cast<std::int64_t>(page.height);
    const std::int64_t left = page.x;
    const std::int64_t top = page.y;
    if (screenWidth <= 0 || screenHeight <= 0 ||
        (screenWidth == width && screenHeight == height && left == 0 && top == 0))
        return picture;
    if (!checkPictureLimits(screenWidth, screenHeight))
        return picture;
    RgbaImage screen(static_cast<int>(screenWidth), static_cast<int>(screenHeight));
    for (int y = 0; y < height; ++y) {
        const std::int64_t sy = top + y;
        if (sy < 0 || sy >= screenHeight)
            continue;
        for (int x = 0; x < width; ++x) {
            const std::int64_t sx = left + x;
            if (sx >= 0 && sx < screenWidth)
                std::memcpy(screen.pixel(static_cast<int>(sx), static_cast<int>(sy)), picture.pixel(x, y), 4);
        }
    }
    return screen;
}

// Targa (.tga and the .icb/.vda/.vst aliases) is read here rather than by ImageMagick 6, which
// misreads grey-with-alpha pictures as 15-bit colour and leaves bottom-up rows unflipped.
class TargaReader {
public:
    explicit TargaReader(const Bytes& b) : b_(b) {}

    Result<RgbaImage> read()
    {
        if (!b_.has(0, 18))
            return corrupt("the header is incomplete");
        const unsigned idLength = b_.u8(0), mapType = b_.u8(1), imageType = b_.u8(2);
        const unsigned mapFirst = b_.le16(3), mapLength = b_.le16(5), mapEntryBits = b_.u8(7);
        const int width = static_cast<int>(b_.le16(12)), height = static_cast<int>(b_.le16(14));
        depth_ = b_.u8(16);
        const unsigned descriptor = b_.u8(17);
        alphaBits_ = descriptor & 0x0F;
        const bool rle = imageType >= 9 && imageType <= 11;
        kind_ = rle ? imageType - 8 : imageType;
        if (kind_ < 1 || kind_ > 3 || mapType > 1)
            return unsupported();
        if (Status s = checkedSize(width, height); !s)
            return s.error();
        if ((kind_ == 1 && (mapType != 1 || (depth_ != 8 && depth_ != 16))) ||
            (kind_ == 2 && depth_ != 15 && depth_ != 16 && depth_ != 24 && depth_ != 32) ||
            (kind_ == 3 && depth_ != 8 && depth_ != 16))
            return unsupported();
        at_ = 18 + idLength;
        if (mapType == 1) {
            if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
                return unsupported();
            const std::size_t entryBytes = (mapEntryBits + 7) / 8;
            if (!b_.has(at_, entryBytes * mapLength))
                return corrupt("the colour map is incomplete");
            palette_.resize(std::size_t(mapFirst) + mapLength, {0, 0, 0, 255});
            for (unsigned i = 0; i < mapLength; ++i)
                palette_[mapFirst + i] = colour(at_ + i * entryBytes, mapEntryBits);
            at_ += entryBytes * mapLength;
        }

        RgbaImage picture(width, height);
        const std::size_t bytesPerPixel = (depth_ + 7) / 8;
        const std::size_t count = std::size_t(width) * height;
        std::vector<std::uint8_t> pixels(count * bytesPerPixel);
        if (rle) {
            std::size_t filled = 0;
            while (filled < count) {
                if (!b_.has(at_, 1))
                    return corrupt("the compressed pixels end early");
                const unsigned packet = b_.u8(at_++);
                const std::size_t run = std::min<std::size_t>((packet & 0x7F) + 1, count - filled);
                if (packet & 0x80) {
                    if (!b_.has(at_, bytesPerPixel))
                        return corrupt("the compressed pixels end early");
                    for (std::size_t k = 0; k < run; ++k)
                        std::memcpy(&pixels[(filled + k) * bytesPerPixel], b_.data + at_, bytesPerPixel);
                    at_ += bytesPerPixel;
                } else {
                    if (!b_.has(at_, run * bytesPerPixel))
                        return corrupt("the compressed pixels end early");
                    std::memcpy(&pixels[filled * bytesPerPixel], b_.data + at_, run * bytesPerPixel);
                    at_ += ((packet & 0x7F) + 1) * bytesPerPixel;
                }
                filled += run;
            }
        } else {
            if (!b_.has(at_, pixels.size()))
                return corrupt("the pixels end early");
            std::memcpy(pixels.data(), b_.data + at_, pixels.size());
        }

        const Bytes raw{pixels.data(), pixels.size()};
        const bool topDown = descriptor & 0x20, rightToLeft = descriptor & 0x10;
        for (int row = 0; row < height; ++row) {
            const int y = topDown ? row : height - 1 - row;
            for (int column = 0; column < width; ++column) {
                const int x = rightToLeft ? width - 1 - column : column;
                const std::size_t at = (std::size_t(row) * width + column) * bytesPerPixel;
                Rgba c;
                if (kind_ == 1) {
                    const unsigned index = depth_ == 8 ? raw.u8(at) : raw.le16(at);
                    c = index < palette_.size() ? palette_[index] : Rgba{0, 0, 0, 255};
                } else if (kind_ == 3) {
                    const std::uint8_t v = raw.u8(at);
                    c = {v, v, v, depth_ == 16 ? static_cast<std::uint8_t>(raw.u8(at + 1)) : std::uint8_t{255}};
                } else {
                    c = colour(at, depth_, raw);
                }
                std::memcpy(picture.pixel(x, y), &c, 4);
            }
        }
        // Many writers leave the alpha bits zero; a picture with no visible pixel at all is
        // taken as one without alpha.
        bool allTransparent = true;
        for (std::size_t i = 3; i < picture.pixels.size() && allTransparent; i += 4)
            allTransparent = picture.pixels[i] == 0;
        if (allTransparent)
            for (std::size_t i = 3; i < picture.pixels.size(); i += 4)
                picture.pixels[i] = 255;
        return picture;
    }

private:
    struct Rgba {
        std::uint8_t r, g, b, a;
    };

    static std::uint8_t expand5(unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); }

    Rgba colour(std::size_t at, unsigned bits) const { return colour(at, bits, b_); }

    Rgba colour(std::size_t at, unsigned bits, const Bytes& from) const
    {
        if (bits == 15 || bits == 16) {
            const unsigned v = from.le16(at);
            const bool opaque = bits == 15 || alphaBits_ == 0 || (v & 0x8000);
            return {expand5((v >> 10) & 31), expand5((v >> 5) & 31), expand5(v & 31), opaque ? std::uint8_t{255} : std::uint8_t{0}};
        }
        const auto blue = static_cast<std::uint8_t>(from.u8(at)), green = static_cast<std::uint8_t>(from.u8(at + 1)),
                   red = static_cast<std::uint8_t>(from.u8(at + 2));
        const std::uint8_t alpha = bits == 32 ? static_cast<std::uint8_t>(from.u8(at + 3)) : std::uint8_t{255};
        return {red, green, blue, alpha};
    }

    static Error corrupt(const char* what)
    {
        return makeError(ErrorCode::CorruptData,
                         QStringLiteral("The picture is damaged or unreadable: Targa file, %1.").arg(QLatin1String(what)));
    }
    static Error unsupported()
    {
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("This kind of Targa picture is not supported."));
    }

    Bytes b_;
    std::size_t at_ = 0;
    unsigned depth_ = 0;
    unsigned alphaBits_ = 0;
    unsigned kind_ = 0;
    std::vector<Rgba> palette_;
};

}  // namespace

QString pictureFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Targa: return QStringLiteral("Targa");
    case PictureFormat::UtahRle: return QStringLiteral("Utah RLE");
    case PictureFormat::Unknown: return QStringLiteral("unknown");
    default: return QString::fromLatin1(coderName(format));
    }
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

Status checkPictureLimits(std::int64_t width, std::int64_t height)
{
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPictureArea)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The picture is too large (%1 x %2 pixels); at most %3 pixels a side and "
                                        "%4 megapixels are accepted.")
                             .arg(width)
                             .arg(height)
                             .arg(kMaxPictureSide)
                             .arg(kMaxPictureArea / (1024 * 1024)));
    return Status::success();
}

Status initialiseMagick()
{
    static std::once_flag once;
    static Status outcome;
    std::call_once(once, [] {
        try {
            Magick::InitializeMagick(nullptr);
            MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
            MagickCore::SetMagickSecurityPolicy(kSecurityPolicy, exception);
            MagickCore::DestroyExceptionInfo(exception);
            Magick::ResourceLimits::width(kMaxPictureSide);
            Magick::ResourceLimits::height(kMaxPictureSide);
            Magick::ResourceLimits::area(static_cast<MagickCore::MagickSizeType>(kMaxPictureArea));
            Magick::ResourceLimits::memory(kMemoryLimit);
            Magick::ResourceLimits::map(kMapLimit);
            Magick::ResourceLimits::disk(kDiskLimit);
            Magick::ResourceLimits::listLength(kListLengthLimit);
            // Frames are decoded on threads of our own; ImageMagick's OpenMP teams on top of
            // them only spin waiting for work.
            Magick::ResourceLimits::thread(1);
        } catch (const Magick::Exception& e) {
            outcome = translate(e);
            return;
        }
        // Whatever the installation's own policy said, refuse to decode when ours is not in
        // force: fail closed rather than run the dangerous coders.
        for (const char* coder : {"MVG", "MSL", "TEXT", "URL", "EPHEMERAL", "SVG", "PS"}) {
            if (MagickCore::IsRightsAuthorized(MagickCore::CoderPolicyDomain, MagickCore::ReadPolicyRights, coder)) {
                outcome = makeError(ErrorCode::LibraryFailure,
                                    QStringLiteral("The picture decoder could not be restricted to safe formats."));
                return;
            }
        }
    });
    return outcome;
}

Result<RgbaImage> decodePicture(const QByteArray& bytes, PictureFormat format, const DecodeOptions& options)
{
    if (Status ready = initialiseMagick(); !ready)
        return ready.error();
    const char* coder = coderName(format);
    if (!coder)
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The file is not a picture in a supported format."));
    if (bytes.isEmpty())
        return makeError(ErrorCode::CorruptData, QStringLiteral("The picture file is empty."));

    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    if (format == PictureFormat::Targa || format == PictureFormat::UtahRle) {
        // Our own readers: ImageMagick misreads some Targa layouts and cannot read Utah RLE with alpha.
        try {
            if (format == PictureFormat::UtahRle)
                return decodeUtahRle(bytes);
            return TargaReader(Bytes{data, static_cast<std::size_t>(bytes.size())}).read();
        } catch (const std::bad_alloc&) {
            return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to decode the picture."));
        }
    }
    const std::optional<PictureSize> declared = peekPictureSize(data, static_cast<std::size_t>(bytes.size()), format);
    if (declared) {
        if (Status s = checkedSize(declared->width, declared->height); !s)
            return s.error();
    } else if (format != PictureFormat::Tiff && format != PictureFormat::Ico && format != PictureFormat::Pcd &&
               format != PictureFormat::Wmf) {
        // A header we know how to read but cannot: damaged beyond what any decoder should see.
        return makeError(ErrorCode::CorruptData,
                         QStringLiteral("The picture is damaged or unreadable: its %1 header is incomplete.")
                             .arg(pictureFormatName(format)));
    }

    try {
        const Magick::Blob blob(bytes.constData(), static_cast<size_t>(bytes.size()));
        if (!declared) {
            // Ask ImageMagick for the size without decoding the pixels.
            Magick::Image probe;
            probe.quiet(true);
            probe.subRange(1);
            probe.magick(coder);
            probe.ping(blob);
            if (Status s = checkPictureLimits(static_cast<std::int64_t>(probe.columns()),
                                              static_cast<std::int64_t>(probe.rows()));
                !s)
                return s.error();
        }

        Magick::Image image;
        image.quiet(true);  // warnings (odd but readable files) are not failures
        // The first picture of a multi-picture file. Photo CD is the exception: there the
        // "picture number" chooses the resolution, and the default is the 768 x 512 base.
        if (format != PictureFormat::Pcd)
            image.subRange(1);
        image.magick(coder);
        // Square, because the picture may still be turned upright by its orientation tag; and
        // only when the picture is at least twice as large, the first scale that saves work.
        const int hintSide = std::max(options.shrinkHintWidth, options.shrinkHintHeight);
        if (format == PictureFormat::Jpeg && options.shrinkHintWidth > 0 && options.shrinkHintHeight > 0 && declared &&
            std::min(declared->width, declared->height) >= 2 * hintSide) {
            const std::string side = std::to_string(hintSide);
            image.defineValue("jpeg", "size", side + "x" + side);
        }
        image.read(blob);
        // Photos and TIFFs that say how they were taken are turned upright.
        const MagickCore::OrientationType orientation = image.orientation();
        if (orientation != MagickCore::UndefinedOrientation && orientation != MagickCore::TopLeftOrientation)
            image.autoOrient();
        if (Status s = checkedSize(static_cast<std::int64_t>(image.columns()), static_cast<std::int64_t>(image.rows()));
            !s)
            return s.error();
        return exportRgba(image, format);
    } catch (const Magick::Exception& e) {
        return translate(e);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to decode the picture."));
    } catch (const std::exception& e) {
        return makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
    }
}

Result<QByteArray> encodeJpeg(const RgbaImage& image, int quality, bool progressive, bool grayscale)
{
    if (Status ready = initialiseMagick(); !ready)
        return ready.error();
    if (image.empty())
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to save."));
    if (quality < 1 || quality > 100)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("JPEG quality must be 1 to 100, not %1.").arg(quality));
    if (image.width > 65500 || image.height > 65500)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large for a JPEG file."));
    try {
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.width) * image.height * 3);
        for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i)
            std::memcpy(&rgb[i * 3], &image.pixels[i * 4], 3);
        Magick::Image picture;
        picture.quiet(true);
        picture.read(static_cast<size_t>(image.width), static_cast<size_t>(image.height), "RGB", Magick::CharPixel,
                     rgb.data());
        picture.magick("JPEG");
        picture.quality(static_cast<size_t>(quality));
        picture.interlaceType(progressive ? MagickCore::PlaneInterlace : MagickCore::NoInterlace);
        if (grayscale)
            picture.type(MagickCore::GrayscaleType);
        picture.strip();
        Magick::Blob blob;
        picture.write(&blob);
        return QByteArray(static_cast<const char*>(blob.data()), static_cast<qsizetype>(blob.length()));
    } catch (const Magick::Exception& e) {
        return translate(e);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to encode the picture."));
    } catch (const std::exception& e) {
        return makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace pictoreel
