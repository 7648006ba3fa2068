// The picture codec module: everything that talks to ImageMagick (Magick++). Magick++ types and
// exceptions never leave this file; the core sees our own picture types and errors.
//
// Decoding is deliberately narrow: the caller's bytes are handed to ImageMagick as a memory blob
// with the coder chosen from the content, so no file name, URL or "coder:" prefix ever reaches
// ImageMagick's own name parsing. On top of that a security policy installed once allows only the
// coders of the formats we read and no delegates, and resource limits bound every picture.
#include "core/codecs/picture_codec.h"
#include "core/media/magick_adapter.h"

#include <Magick++.h>
#include <magick/policy.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace pictoreel {

namespace {

// Only the coders of the formats we read may run (JPEG and PNG also write), nothing may start an
// outside program, no "@file" indirection. Coders that turn text into pictures or fetch other
// files (MVG, MSL, SVG, TEXT, URL, EPHEMERAL, ...) are therefore all refused. PNG and DIB are
// also what the icon and metafile coders use for pictures embedded in their files.
constexpr const char* kSecurityPolicy = R"(<policymap>
  <policy domain="delegate" rights="none" pattern="*" />
  <policy domain="filter" rights="none" pattern="*" />
  <policy domain="path" rights="none" pattern="@*" />
  <policy domain="coder" rights="none" pattern="*" />
  <policy domain="coder" rights="read" pattern="{BMP,BMP2,BMP3,CUR,DIB,GIF,GIF87,ICB,ICO,ICON,PBM,PCD,PCDS,PCX,PGM,PNG8,PNM,PPM,PSD,RLE,SGI,TGA,TIF,TIFF,TIFF64,VDA,VST,WBMP,WMF}" />
  <policy domain="coder" rights="read|write" pattern="{JPEG,JPG,PNG,PNG24,PNG32}" />
</policymap>)";

// Pixel cache budget. Beyond memory the cache goes to a memory map, then to disk; beyond all
// three decoding fails with a resource error instead of swapping the machine to a halt.
// ImageMagick's "time" limit is deliberately not used: it counts from the first pixel access of
// the whole process and ends the process when it runs out, which no long-running program wants.
constexpr MagickCore::MagickSizeType kMemoryLimit = MagickCore::MagickSizeType{256} << 20;
constexpr MagickCore::MagickSizeType kMapLimit = MagickCore::MagickSizeType{512} << 20;
constexpr MagickCore::MagickSizeType kDiskLimit = MagickCore::MagickSizeType{1} << 30;
constexpr MagickCore::MagickSizeType kListLengthLimit = 4096;

// ImageMagick's name for the coder of a format we hand to it.
std::string coderName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Targa: return "TGA";
    case PictureFormat::UtahRle: return "RLE";
    case PictureFormat::Unknown: return {};
    default: return pictureFormatName(format).toStdString();
    }
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

Status initialise()
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

Result<RgbaImage> decode(const QByteArray& bytes, PictureFormat format, const DecodeOptions& options,
                         std::optional<PictureSize> declared)
{
    if (Status ready = initialise(); !ready)
        return ready.error();
    const std::string coder = coderName(format);
    if (coder.empty())
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The file is not a picture in a supported format."));
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
        if (Status s = checkPictureSize(static_cast<std::int64_t>(image.columns()), static_cast<std::int64_t>(image.rows()));
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


// Fills an ImageMagick picture with the colour channels of `image`; alpha too when `withAlpha`.
Magick::Image magickPicture(const RgbaImage& image, bool withAlpha)
{
    Magick::Image picture;
    picture.quiet(true);
    if (withAlpha) {
        picture.read(static_cast<size_t>(image.width), static_cast<size_t>(image.height), "RGBA", Magick::CharPixel,
                     image.pixels.data());
        return picture;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.width) * image.height * 3);
    for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i)
        std::memcpy(&rgb[i * 3], &image.pixels[i * 4], 3);
    picture.read(static_cast<size_t>(image.width), static_cast<size_t>(image.height), "RGB", Magick::CharPixel, rgb.data());
    return picture;
}

// Runs `encode` on a ready ImageMagick and gives the bytes it wrote, its failures as our errors.
template <class Encode>
Result<QByteArray> encodeWith(const RgbaImage& image, Encode encode)
{
    if (Status ready = initialise(); !ready)
        return ready.error();
    if (image.empty())
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to save."));
    try {
        Magick::Blob blob;
        encode(blob);
        return QByteArray(static_cast<const char*>(blob.data()), static_cast<qsizetype>(blob.length()));
    } catch (const Magick::Exception& e) {
        return translate(e);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to encode the picture."));
    } catch (const std::exception& e) {
        return makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
    }
}

Result<QByteArray> encodeJpeg(const RgbaImage& image, int quality, bool progressive, bool grayscale)
{
    if (quality < 1 || quality > 100)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("JPEG quality must be 1 to 100, not %1.").arg(quality));
    if (image.width > 65500 || image.height > 65500)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large for a JPEG file."));
    return encodeWith(image, [&](Magick::Blob& blob) {
        Magick::Image picture = magickPicture(image, false);
        picture.magick("JPEG");
        picture.quality(static_cast<size_t>(quality));
        picture.interlaceType(progressive ? MagickCore::PlaneInterlace : MagickCore::NoInterlace);
        if (grayscale)
            picture.type(MagickCore::GrayscaleType);
        picture.strip();
        picture.write(&blob);
    });
}

// PNG keeps alpha; pictures without a transparent pixel are stored without the channel.
Result<QByteArray> encodePng(const RgbaImage& image)
{
    bool opaque = true;
    for (std::size_t i = 3; i < image.pixels.size() && opaque; i += 4)
        opaque = image.pixels[i] == 255;
    return encodeWith(image, [&](Magick::Blob& blob) {
        Magick::Image picture = magickPicture(image, !opaque);
        picture.magick(opaque ? "PNG24" : "PNG32");
        picture.strip();
        picture.write(&blob);
    });
}

// ImageMagick's own account of the library loaded, without its web address, and the Magick++
// it was built with.
QString libraryVersion()
{
    QString text = QString::fromLatin1(MagickCore::GetMagickVersion(nullptr));
    if (const qsizetype web = text.indexOf(QStringLiteral(" http")); web > 0)
        text.truncate(web);
    return text + QStringLiteral(" (Magick++ " MagickppLibVersionText MagickppLibAddendum ")");
}

const PictureCodec kCodec{kPictureCodecVersion, libraryVersion, initialise, decode, encodeJpeg, encodePng};

}  // namespace

}  // namespace pictoreel

extern "C" __attribute__((visibility("default"))) const void* pictoreel_picture_codec()
{
    return &pictoreel::kCodec;
}
