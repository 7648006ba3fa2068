// The picture codec module: everything that talks to ImageMagick (Magick++). Magick++ types and
// exceptions never leave this file; the core sees our own picture types and errors.
//
// Decoding is deliberately narrow: the caller's bytes are handed to ImageMagick as a memory blob
// with the coder chosen from the content, so no file name, URL or "coder:" prefix ever reaches
// ImageMagick's own name parsing. On top of that a security policy installed once allows only the
// coders of the formats we read and no delegates, and resource limits bound every picture.
#include "core/base/srgb.h"
#include "core/codecs/picture_codec.h"
#include "core/formats/icc_profile.h"
#include "core/codecs/decode_options.h"
#include "core/imaging/resampler.h"

#include <Magick++.h>
#include <lcms2.h>
#include <magick/policy.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

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
  <policy domain="coder" rights="read" pattern="{AVIF,BMP,BMP2,BMP3,CUR,DIB,GIF,GIF87,HEIC,ICB,ICO,ICON,PBM,PCD,PCDS,PCX,PGM,PNG8,PNM,PPM,PSD,RLE,SGI,TGA,TIF,TIFF,TIFF64,VDA,VST,WBMP,WEBP,WMF}" />
  <policy domain="coder" rights="read|write" pattern="{JPEG,JPG,PNG,PNG24,PNG32}" />
</policymap>)";

// Pixel cache budget, for all pictures of the process together. Beyond the memory budget a
// picture's cache is a file on disk, read and written a row at a time; up to the map budget that
// file is mapped, which counts as memory again, so that budget is small too. Beyond the disk
// budget decoding fails with a resource error instead of filling the disk. A picture of the
// largest size we accept (kLimits.maxScaledPixels at 8 bytes a pixel) fits the disk budget, which
// is also the most Debian's own policy allows.
// ImageMagick's "time" limit is deliberately not used: it counts from the first pixel access of
// the whole process and ends the process when it runs out, which no long-running program wants.
constexpr MagickCore::MagickSizeType kMemoryLimit = MagickCore::MagickSizeType{128} << 20;
constexpr MagickCore::MagickSizeType kMapLimit = MagickCore::MagickSizeType{64} << 20;
constexpr MagickCore::MagickSizeType kDiskLimit = MagickCore::MagickSizeType{1} << 30;
constexpr MagickCore::MagickSizeType kListLengthLimit = 4096;

// An error raised inside this file and returned at its boundary.
struct Failure {
    Error error;
};

// Our error for ImageMagick's reason: a resource limit, a format it may not read, or else a
// damaged picture. The source location ImageMagick appends is left out, and so is the empty file
// name "`'" it quotes: it reads from memory, never from a named file.
Error translate(std::string reason, bool limit, bool unsupported)
{
    if (const auto at = reason.find(" @ "); at != std::string::npos)
        reason.erase(at);
    for (auto quote = reason.find(" `'"); quote != std::string::npos; quote = reason.find(" `'"))
        reason.erase(quote, 3);
    const QString text = QString::fromLocal8Bit(reason.c_str()).trimmed();
    if (limit || reason.find("exceeds limit") != std::string::npos || reason.find("user limit") != std::string::npos)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large to process: ") + text);
    if (unsupported)
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The picture format is not supported: ") + text);
    return makeError(ErrorCode::CorruptData, QStringLiteral("The picture is damaged or unreadable: ") + text);
}

Error translate(const Magick::Exception& exception)
{
    return translate(exception.what(),
                     dynamic_cast<const Magick::ErrorResourceLimit*>(&exception) != nullptr ||
                         dynamic_cast<const Magick::ErrorCache*>(&exception) != nullptr,
                     dynamic_cast<const Magick::ErrorMissingDelegate*>(&exception) != nullptr ||
                         dynamic_cast<const Magick::ErrorPolicy*>(&exception) != nullptr);
}

// The same for an exception ImageMagick reported in an ExceptionInfo, worded as Magick++ words it.
Error translate(const MagickCore::ExceptionInfo& exception)
{
    std::string reason = "ImageMagick";
    if (exception.reason)
        reason += std::string(": ") + exception.reason;
    if (exception.description)
        reason += std::string(" (") + exception.description + ")";
    // Errors are 400 and up, fatal errors 700 and up, each kind at the same offset.
    const int kind = static_cast<int>(exception.severity) % 100 + 400;
    return translate(reason, kind == MagickCore::ResourceLimitError || kind == MagickCore::CacheError,
                     kind == MagickCore::MissingDelegateError || kind == MagickCore::PolicyError);
}

// Runs `work`, turning whatever ImageMagick (or the memory allocator) throws into our error.
template <class T, class Work>
Result<T> guarded(Work work, const char* what)
{
    try {
        return work();
    } catch (const Failure& failure) {
        return failure.error;
    } catch (const Magick::Exception& e) {
        return translate(e);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to %1 the picture.").arg(QLatin1String(what)));
    } catch (const std::exception& e) {
        return makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("ImageMagick failed to %1 the picture.").arg(QLatin1String(what)));
    }
}

// ImageMagick must never see a picture beyond its own width and height limits: some of its code
// then goes on with pixels it could not allocate and ends the program. Its limits are the
// smaller of ours and the system policy's, so they are asked for each time.
Status checkMagickLimits(std::int64_t width, std::int64_t height)
{
    const auto maxWidth = static_cast<std::int64_t>(std::min<MagickCore::MagickSizeType>(Magick::ResourceLimits::width(), INT32_MAX));
    const auto maxHeight = static_cast<std::int64_t>(std::min<MagickCore::MagickSizeType>(Magick::ResourceLimits::height(), INT32_MAX));
    if (width > maxWidth || height > maxHeight)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The picture is too large (%1 x %2 pixels); ImageMagick accepts at most %3 x %4 "
                                        "pixels on this system.")
                             .arg(width)
                             .arg(height)
                             .arg(maxWidth)
                             .arg(maxHeight));
    return Status::success();
}

// The sRGB profile pictures are brought to, as ICC data.
const Magick::Blob& srgbProfile()
{
    static const Magick::Blob blob = [] {
        Magick::Blob made;
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsUInt32Number size = 0;
        if (srgb && cmsSaveProfileToMem(srgb, nullptr, &size) && size > 0) {
            std::vector<char> data(size);
            if (cmsSaveProfileToMem(srgb, data.data(), &size))
                made.update(data.data(), size);
        }
        if (srgb)
            cmsCloseProfile(srgb);
        return made;
    }();
    return blob;
}

// A picture with a colour profile of its own (a camera's Adobe RGB, a phone's Display P3, a
// CMYK press profile) is converted to sRGB through it, as a colour-managed viewer shows it:
// read as sRGB, its colours would come out dull or shifted. A profile that cannot be applied
// leaves the picture as it is.
bool convertToSrgbThroughProfile(Magick::Image& image)
{
    try {
        const Magick::Blob icc = image.iccColorProfile();
        if (icc.length() == 0 || !profileNeedsConversion(icc.data(), icc.length()) || srgbProfile().length() == 0)
            return false;
        image.quiet(true);
        image.profile("ICC", srgbProfile());
        return true;
    } catch (const Magick::Exception&) {
        return false;  // the picture's own colours, as without a profile
    }
}

bool isRgbLike(MagickCore::ColorspaceType space)
{
    return space == MagickCore::sRGBColorspace || space == MagickCore::RGBColorspace ||
           space == MagickCore::GRAYColorspace || space == MagickCore::LinearGRAYColorspace ||
           space == MagickCore::TransparentColorspace || space == MagickCore::UndefinedColorspace;
}

// Kodak PhotoYCC (Photo CD) to sRGB, for `count` RGBA pixels. ImageMagick 6's own conversion
// comes out a fifth too dark.
void photoYccToRgb(std::uint8_t* pixels, std::size_t count)
{
    auto clamp = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    for (std::uint8_t* p = pixels; p != pixels + 4 * count; p += 4) {
        const double luma = 1.3584 * p[0];
        const double c1 = 2.2179 * (p[1] - 156.0);
        const double c2 = 1.8215 * (p[2] - 137.0);
        p[0] = clamp(luma + c2);
        p[1] = clamp(luma - 0.194 * c1 - 0.509 * c2);
        p[2] = clamp(luma + c1);
    }
}

// The warning that a picture's data stops in the middle of its image, if there is one. The JPEG
// decoder only warns there and fills the rest with grey; every other coder fails. A JPEG that lacks
// only its end marker gets a warning of its own ("Premature end of JPEG file") and is whole.
const MagickCore::ExceptionInfo* cutShortWarning(const MagickCore::ExceptionInfo& exception)
{
    if (exception.severity < MagickCore::WarningException || !exception.exceptions)
        return nullptr;
    auto* list = static_cast<MagickCore::LinkedListInfo*>(exception.exceptions);
    MagickCore::ResetLinkedListIterator(list);
    while (const auto* one = static_cast<const MagickCore::ExceptionInfo*>(MagickCore::GetNextValueInLinkedList(list)))
        if (one->reason && strcasestr(one->reason, "premature end of data segment"))
            return one;
    return nullptr;
}

// Reads (or, with `pingOnly`, only sizes up) the picture in `bytes` with the settings of `image`.
// Magick::Blob would first copy the bytes; ImageMagick reads them where they are. Of a
// multi-picture file, the picture of the settings' number is kept (some coders give the ones
// before it too), or else the first. False when ImageMagick gave no picture and no reason
// either, which some of its coders do when the pixel cache cannot grow.
bool readInto(Magick::Image& image, const QByteArray& bytes, bool pingOnly)
{
    const std::unique_ptr<MagickCore::ExceptionInfo, MagickCore::ExceptionInfo* (*)(MagickCore::ExceptionInfo*)> exception(
        MagickCore::AcquireExceptionInfo(), MagickCore::DestroyExceptionInfo);
    const auto size = static_cast<std::size_t>(bytes.size());
    MagickCore::Image* list = pingOnly ? MagickCore::PingBlob(image.imageInfo(), bytes.constData(), size, exception.get())
                                       : MagickCore::BlobToImage(image.imageInfo(), bytes.constData(), size, exception.get());
    MagickCore::Image* read = list;
    for (MagickCore::Image* one = list; one; one = one->next)
        if (one->scene == image.imageInfo()->scene) {
            read = one;
            break;
        }
    if (read) {
        MagickCore::Image* others = read;
        read = MagickCore::RemoveImageFromList(&others);  // `others`: one of the rest, or none
        if (others)
            MagickCore::DestroyImageList(others);
        image.replaceImage(read);
    }
    // Warnings (odd but readable files) are not failures, except a picture cut short.
    if (exception->severity >= MagickCore::ErrorException)
        throw Failure{translate(*exception)};
    // The coders' warnings are kept with the picture they read.
    if (const MagickCore::ExceptionInfo* cut = read ? cutShortWarning(read->exception) : nullptr)
        throw Failure{translate(*cut)};
    return read && image.columns() > 0 && image.rows() > 0;
}

struct Scene {
    std::size_t index = 0;
    PictureSize size;
};

// The largest of the pictures in `bytes`, by area, sized up without decoding their pixels; the
// first of equal ones.
Scene largestScene(const QByteArray& bytes, const std::string& coder)
{
    Magick::Image all;
    all.quiet(true);
    all.magick(coder);
    const std::unique_ptr<MagickCore::ExceptionInfo, MagickCore::ExceptionInfo* (*)(MagickCore::ExceptionInfo*)> exception(
        MagickCore::AcquireExceptionInfo(), MagickCore::DestroyExceptionInfo);
    MagickCore::Image* list =
        MagickCore::PingBlob(all.imageInfo(), bytes.constData(), static_cast<std::size_t>(bytes.size()), exception.get());
    if (exception->severity >= MagickCore::ErrorException) {
        if (list)
            MagickCore::DestroyImageList(list);
        throw Failure{translate(*exception)};
    }
    Scene largest;
    std::size_t index = 0;
    for (const MagickCore::Image* one = list; one; one = one->next, ++index) {
        const PictureSize size{static_cast<int>(std::min<size_t>(one->columns, INT32_MAX)),
                               static_cast<int>(std::min<size_t>(one->rows, INT32_MAX))};
        if (index == 0 || std::int64_t(size.width) * size.height > std::int64_t(largest.size.width) * largest.size.height)
            largest = Scene{index, size};
    }
    if (list)
        MagickCore::DestroyImageList(list);
    return largest;
}

// Why ImageMagick gave no picture and no reason. Its pixel cache takes 8 bytes a pixel, 10 for
// grey and palette pictures; beyond the memory budget it is a file on disk, and while it is
// converted to hold the palette it is there twice. A picture whose conversion would not fit the
// disk budget is taken as too large, any other as damaged.
Error noPicture(PictureSize size)
{
    if (std::int64_t{size.width} * size.height * 18 > static_cast<std::int64_t>(kDiskLimit))
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The picture is too large for ImageMagick to read (%1 x %2 pixels): its pixel "
                                        "cache may use %3 MB of memory and %4 MB of disk.")
                             .arg(size.width)
                             .arg(size.height)
                             .arg(kMemoryLimit >> 20)
                             .arg(kDiskLimit >> 20));
    return makeError(ErrorCode::CorruptData,
                     QStringLiteral("The picture is damaged or unreadable: ImageMagick found no picture in it."));
}

// The picture ImageMagick read, one row at a time as 8-bit RGBA, so that a large one can be
// scaled without ever being held whole in our form. Rows come converted to sRGB when the picture
// has a colour profile or is in another colour space (Photo CD's PhotoYCC by our own formula),
// opaque when the picture has no alpha; the first picture of a format placed on a logical screen
// (GIF) comes placed there, transparent around it.
class PictureRows {
public:
    PictureRows(Magick::Image& image, const MagickReading& reading)
        : image_(image),
          reading_(reading),
          frameWidth_(static_cast<int>(image.columns())),
          frameHeight_(static_cast<int>(image.rows())),
          width_(frameWidth_),
          height_(frameHeight_)
    {
        if (!reading.placedOnScreen)
            return;
        const MagickCore::RectangleInfo& page = image.constImage()->page;
        const auto screenWidth = static_cast<std::int64_t>(page.width);
        const auto screenHeight = static_cast<std::int64_t>(page.height);
        if (screenWidth <= 0 || screenHeight <= 0 || screenWidth > kLimits.maxSide || screenHeight > kLimits.maxSide ||
            (screenWidth == frameWidth_ && screenHeight == frameHeight_ && page.x == 0 && page.y == 0))
            return;
        placed_ = true;
        width_ = static_cast<int>(screenWidth);
        height_ = static_cast<int>(screenHeight);
        left_ = page.x;
        top_ = page.y;
    }

    int width() const { return width_; }
    int height() const { return height_; }

    // Converts the colour space; called once the size has been accepted.
    void prepare()
    {
        const bool floatPixels = reading_.floatIsLinear && image_.depth() == 32;
        linear_ = !convertToSrgbThroughProfile(image_) && floatPixels;
        photoYcc_ = image_.colorSpace() == MagickCore::YCCColorspace;
        if (!photoYcc_ && !isRgbLike(image_.colorSpace()))
            image_.colorSpace(MagickCore::sRGBColorspace);
        matte_ = image_.matte();
        frameRow_.resize(placed_ ? static_cast<std::size_t>(frameWidth_) * 4 : 0);
        linearRow_.resize(linear_ ? static_cast<std::size_t>(frameWidth_) * 4 : 0);
    }

    // Row y, width() pixels, into `out`.
    void read(int y, std::uint8_t* out)
    {
        if (!placed_) {
            readFrameRow(y, out);
            return;
        }
        std::memset(out, 0, static_cast<std::size_t>(width_) * 4);
        const std::int64_t frameY = y - top_;
        if (frameY < 0 || frameY >= frameHeight_)
            return;
        readFrameRow(static_cast<int>(frameY), frameRow_.data());
        for (int x = 0; x < frameWidth_; ++x) {
            const std::int64_t screenX = left_ + x;
            if (screenX >= 0 && screenX < width_)
                std::memcpy(out + screenX * 4, &frameRow_[static_cast<std::size_t>(x) * 4], 4);
        }
    }

    // Whether every pixel is opaque; reads every row when the picture has alpha.
    bool opaque()
    {
        if (!placed_ && !matte_)
            return true;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width_) * 4);
        for (int y = 0; y < height_; ++y) {
            read(y, row.data());
            for (std::size_t i = 3; i < row.size(); i += 4)
                if (row[i] != 255)
                    return false;
        }
        return true;
    }

private:
    void readFrameRow(int y, std::uint8_t* out)
    {
        if (linear_) {
            // Linear light, encoded before it is cut to 8 bits (which would lose the shadows).
            image_.write(0, y, static_cast<size_t>(frameWidth_), 1, "RGBA", Magick::FloatPixel, linearRow_.data());
            for (std::size_t i = 0; i < linearRow_.size(); ++i) {
                const double v = i % 4 == 3 ? std::clamp(double{linearRow_[i]}, 0.0, 1.0) : srgbFromLinear(linearRow_[i]);
                out[i] = static_cast<std::uint8_t>(std::lround(255 * v));
            }
        } else {
            image_.write(0, y, static_cast<size_t>(frameWidth_), 1, "RGBA", Magick::CharPixel, out);
        }
        if (!matte_)
            for (int x = 0; x < frameWidth_; ++x)
                out[x * 4 + 3] = 255;
        if (photoYcc_)
            photoYccToRgb(out, static_cast<std::size_t>(frameWidth_));
    }

    Magick::Image& image_;
    const MagickReading& reading_;
    int frameWidth_, frameHeight_;
    int width_, height_;
    bool placed_ = false;
    std::int64_t left_ = 0, top_ = 0;
    bool photoYcc_ = false;
    bool matte_ = false;
    bool linear_ = false;
    std::vector<std::uint8_t> frameRow_;
    std::vector<float> linearRow_;
};

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
            // A system policy may lower these further, never raise them; checkMagickLimits
            // asks for the values in force.
            Magick::ResourceLimits::width(static_cast<MagickCore::MagickSizeType>(kLimits.maxSide));
            Magick::ResourceLimits::height(static_cast<MagickCore::MagickSizeType>(kLimits.maxSide));
            Magick::ResourceLimits::area(static_cast<MagickCore::MagickSizeType>(kLimits.maxScaledPixels));
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
        } catch (...) {
            outcome = makeError(ErrorCode::LibraryFailure, QStringLiteral("ImageMagick could not be started."));
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

// Orientations whose upright picture has the stored picture's width as its height.
bool turnsQuarter(MagickCore::OrientationType orientation)
{
    return orientation == MagickCore::LeftTopOrientation || orientation == MagickCore::RightTopOrientation ||
           orientation == MagickCore::RightBottomOrientation || orientation == MagickCore::LeftBottomOrientation;
}

RgbaImage decodeWithMagick(QByteArray& bytes, const MagickReading& reading, const DecodeOptions& options,
                           std::optional<PictureSize> declared)
{
    if (Status ready = initialise(); !ready)
        throw Failure{ready.error()};
    const std::string coder = reading.coder ? reading.coder : "";
    if (coder.empty())
        throw Failure{makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The file is not a picture in a supported format."))};
    std::size_t scene = 0;
    if (reading.sizesOfOnePicture) {
        const Scene largest = largestScene(bytes, coder);
        if (largest.size.width <= 0 || largest.size.height <= 0)
            throw Failure{noPicture(PictureSize{})};
        scene = largest.index;
        declared = largest.size;
    } else if (!declared) {
        // Ask ImageMagick for the size without decoding the pixels.
        Magick::Image probe;
        probe.quiet(true);
        probe.subRange(1);
        probe.magick(coder);
        if (!readInto(probe, bytes, true))
            throw Failure{noPicture(PictureSize{})};
        declared = PictureSize{static_cast<int>(std::min<size_t>(probe.columns(), INT32_MAX)),
                               static_cast<int>(std::min<size_t>(probe.rows(), INT32_MAX))};
    }
    if (Status s = checkPictureSize(declared->width, declared->height,
                                    pictureHolding(declared->width, declared->height, options));
        !s)
        throw Failure{s.error()};
    if (Status s = checkMagickLimits(declared->width, declared->height); !s)
        throw Failure{s.error()};

    Magick::Image image;
    image.quiet(true);
    // The first picture of a multi-picture file (the largest of an icon's), unless the "picture
    // number" chooses the resolution (Photo CD, whose default is the 768 x 512 base).
    if (!reading.sceneIsResolution) {
        image.subImage(scene);
        image.subRange(1);
    }
    image.magick(coder);
    // Square, because the picture may still be turned upright by its orientation tag; and
    // only when the picture is at least twice as large, the first scale that saves work.
    const int hintSide = std::max(options.shrinkHintWidth, options.shrinkHintHeight);
    if (reading.readsReducedScale && options.shrinkHintWidth > 0 && options.shrinkHintHeight > 0 &&
        std::min(declared->width, declared->height) >= 2 * hintSide) {
        const std::string side = std::to_string(hintSide);
        std::string option = coder;  // "jpeg:size"
        std::transform(option.begin(), option.end(), option.begin(), [](unsigned char c) { return std::tolower(c); });
        image.defineValue(option, "size", side + "x" + side);
    }
    if (!readInto(image, bytes, false))
        throw Failure{noPicture(*declared)};
    bytes = QByteArray();  // ImageMagick holds the pixels now
    // Photos and TIFFs that say how they were taken are turned upright.
    const MagickCore::OrientationType orientation = image.orientation();
    if (orientation != MagickCore::UndefinedOrientation && orientation != MagickCore::TopLeftOrientation)
        image.autoOrient();
    DecodeOptions upright = options;
    if (options.hintKeepsProportions && turnsQuarter(orientation))
        std::swap(upright.shrinkHintWidth, upright.shrinkHintHeight);

    PictureRows rows(image, reading);
    const PictureHolding holding = pictureHolding(rows.width(), rows.height(), upright);
    if (Status s = checkPictureSize(rows.width(), rows.height(), holding); !s)
        throw Failure{s.error()};
    const bool scaled = holding == PictureHolding::Scaled;
    rows.prepare();
    if (scaled) {
        const bool opaque = rows.opaque();
        std::vector<std::uint8_t> row(static_cast<std::size_t>(rows.width()) * 4);
        Result<RgbaImage> result = resampleRows(
            rows.width(), rows.height(), opaque,
            [&](int y) {
                rows.read(y, row.data());
                return static_cast<const std::uint8_t*>(row.data());
            },
            upright.shrinkHintWidth, upright.shrinkHintHeight);
        if (!result)
            throw Failure{result.error()};
        return std::move(result).value();
    }
    RgbaImage picture(rows.width(), rows.height());
    for (int y = 0; y < picture.height; ++y)
        rows.read(y, picture.pixel(0, y));
    return picture;
}

Result<RgbaImage> decode(QByteArray bytes, const MagickReading& reading, const DecodeOptions& options,
                         std::optional<PictureSize> declared)
{
    return guarded<RgbaImage>([&] { return decodeWithMagick(bytes, reading, options, declared); }, "decode");
}

// An ImageMagick picture of the colour channels of `image`; alpha too when `withAlpha`. The
// caller has checked the size against ImageMagick's limits.
Magick::Image magickPicture(const RgbaImage& image, bool withAlpha)
{
    Magick::Image picture;
    picture.quiet(true);
    // "P" skips the alpha byte, so no copy of the pixels without it is needed.
    picture.read(static_cast<size_t>(image.width), static_cast<size_t>(image.height), withAlpha ? "RGBA" : "RGBP",
                 Magick::CharPixel, image.pixels.data());
    return picture;
}

// Runs `encode` on a ready ImageMagick and gives the bytes it wrote, its failures as our errors.
// Pictures beyond the limits are refused before ImageMagick sees them.
template <class Encode>
Result<QByteArray> encodeWith(const RgbaImage& image, Encode encode)
{
    return guarded<QByteArray>(
        [&] {
            if (Status ready = initialise(); !ready)
                throw Failure{ready.error()};
            if (image.empty())
                throw Failure{makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to save."))};
            if (Status s = checkPictureLimits(image.width, image.height); !s)
                throw Failure{s.error()};
            if (Status s = checkMagickLimits(image.width, image.height); !s)
                throw Failure{s.error()};
            Magick::Blob blob;
            encode(blob);  // ImageMagick's picture is gone before the bytes are copied
            return QByteArray(static_cast<const char*>(blob.data()), static_cast<qsizetype>(blob.length()));
        },
        "encode");
}

Result<QByteArray> encodeJpeg(const RgbaImage& image, int quality, bool progressive, bool grayscale)
{
    if (quality < 1 || quality > 100)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("JPEG quality must be 1 to 100, not %1.").arg(quality));
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
