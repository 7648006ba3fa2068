#include "core/media/imaging_component.h"

#include "core/gif/gif_writer.h"
#include "core/media/magick_adapter.h"
#include "core/imaging/quantizer.h"
#include "core/imaging/resampler.h"
#include "core/base/replacing_file.h"
#include "core/imaging/bmp_writer.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

namespace pictoreel {

namespace {

Error noPicture()
{
    return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to save."));
}

// Large frames are made one at a time: a make converting on several threads would otherwise
// hold several large pictures and their working copies at once. A thread that already makes
// one may start another (with another instance) without waiting for itself.
class LargeFrameSlot {
public:
    void take()
    {
        std::unique_lock lock(mutex_);
        const std::thread::id self = std::this_thread::get_id();
        free_.wait(lock, [&] { return taken_ == 0 || owner_ == self; });
        owner_ = self;
        ++taken_;
    }
    void give()
    {
        {
            const std::lock_guard lock(mutex_);
            if (--taken_ > 0)
                return;
            owner_ = {};
        }
        free_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable free_;
    std::thread::id owner_;
    int taken_ = 0;
};

LargeFrameSlot& largeFrameSlot()
{
    static LargeFrameSlot slot;
    return slot;
}

// Runs `done` when it goes out of scope.
template <class Done>
struct AtExit {
    Done done;
    ~AtExit() { done(); }
};
template <class Done>
AtExit(Done) -> AtExit<Done>;

// Writes a reduced picture as a one-image GIF, handing its indices to `written` when asked.
Status writeQuantized(const QString& path, Result<IndexedImage> indexed, const QByteArray& comment,
                      std::vector<std::uint8_t>* written, bool noteExactColours, bool* coloursExact)
{
    if (!indexed)
        return indexed.error();
    if (coloursExact)
        *coloursExact = indexed.value().coloursExact;
    QByteArrayList comments;
    if (!comment.isEmpty())
        comments.append(comment);
    if (noteExactColours && indexed.value().coloursExact)
        comments.append(kColoursExactComment);
    if (Status s = writeSingleImageGif(path, indexed.value(), comments); !s)
        return s;
    if (written)
        *written = std::move(indexed.value().indices);
    return {};
}

}  // namespace

Result<RgbaImage> loadPictureFile(const QString& path, QSize shrinkHint, FitMode fit)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return makeError(ErrorCode::FileNotFound, QStringLiteral("The file \"%1\" does not exist.").arg(path));
    if (!info.isFile())
        return makeError(ErrorCode::FileReadFailed, QStringLiteral("\"%1\" is not a file.").arg(path));
    if (info.size() > kLimits.maxFileBytes)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The file \"%1\" is too large to be a picture we can use: at most %2 MB are read.")
                             .arg(path)
                             .arg(kLimits.maxFileBytes >> 20));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return makeError(ErrorCode::FileReadFailed,
                         QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
    // Read, not map: a mapped file that shrinks under us would end the program.
    QByteArray bytes;
    try {
        bytes = file.readAll();
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to read \"%1\".").arg(path));
    }
    if (file.error() != QFileDevice::NoError)
        return makeError(ErrorCode::FileReadFailed,
                         QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
    if (bytes.isEmpty())
        return makeError(ErrorCode::CorruptData, QStringLiteral("The file \"%1\" is empty.").arg(path));

    const PictureFormat format = sniffPictureFormat(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                    static_cast<std::size_t>(bytes.size()), info.suffix());
    if (format == PictureFormat::Unknown)
        return makeError(ErrorCode::UnsupportedFormat,
                         QStringLiteral("\"%1\" is not a picture in a supported format.").arg(path));
    DecodeOptions options;
    if (shrinkHint.isValid() && !shrinkHint.isEmpty()) {
        FitSize size{shrinkHint.width(), shrinkHint.height()};
        if (fit != FitMode::Stretch) {
            const std::optional<PictureSize> own = peekPictureSize(
                reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()), format);
            size = own ? scaledPictureSize(own->width, own->height, size.width, size.height, fit) : FitSize{};
        }
        options.shrinkHintWidth = size.width;
        options.shrinkHintHeight = size.height;
        options.hintKeepsProportions = fit != FitMode::Stretch;
    }
    Result<RgbaImage> decoded = decodePicture(std::move(bytes), format, options);
    if (!decoded)
        return makeError(decoded.error().code, QStringLiteral("\"%1\": %2").arg(path, decoded.error().message));
    return decoded;
}

ImagingComponent::~ImagingComponent() { endLargeFrame(); }

void ImagingComponent::endLargeFrame() const
{
    if (makesLargeFrame_) {
        makesLargeFrame_ = false;
        largeFrameSlot().give();
    }
}

void ImagingComponent::ClearImage()
{
    endLargeFrame();
    image_ = RgbaImage();
    framedPicture_.reset();
    notifyChanged();
}

Status ImagingComponent::LoadImage(const QString& path, QSize shrinkHint, FitMode fit)
{
    // Drop the old picture first: a failed load leaves the instance empty, and the old and the
    // new picture are never both in memory.
    endLargeFrame();
    image_ = RgbaImage();
    framedPicture_.reset();
    if (shrinkHint.isValid() && std::int64_t{shrinkHint.width()} * shrinkHint.height() > kLargePicturePixels) {
        largeFrameSlot().take();
        makesLargeFrame_ = true;
    }
    Result<RgbaImage> loaded = loadPictureFile(path, shrinkHint, fit);
    if (loaded)
        image_ = std::move(loaded).value();
    else
        endLargeFrame();
    notifyChanged();
    if (!loaded)
        return loaded.error();
    return Status::success();
}

void ImagingComponent::setImage(RgbaImage picture)
{
    endLargeFrame();
    image_ = std::move(picture);
    framedPicture_.reset();
    notifyChanged();
}

void ImagingComponent::paintOver(const std::function<void(RgbaImage&)>& paint)
{
    if (image_.empty())
        return;
    paint(image_);
    notifyChanged();
}

Status ImagingComponent::ResizeImage(int width, int height, bool keepExactSize)
{
    if (!keepExactSize)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("Only scaling to an exact size is supported."));
    return FitImage(width, height, FitMode::Stretch);
}

Status ImagingComponent::FitImage(int width, int height, FitMode mode, std::optional<std::int32_t> barColour)
{
    if (image_.empty())
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to scale."));
    if (width <= 0 || height <= 0)
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("Cannot scale a picture to %1 x %2 pixels.").arg(width).arg(height));
    if (!checkPictureLimits(width, height)) {
        endLargeFrame();
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("Cannot scale a picture to %1 x %2 pixels: at most %3 pixels a side and %4 "
                                        "megapixels are accepted.")
                             .arg(width)
                             .arg(height)
                             .arg(kLimits.maxSide)
                             .arg(megapixelsText(kLimits.maxPixels)));
    }
    const FitPlan plan = planFit(image_.width, image_.height, width, height, mode);
    if (width == image_.width && height == image_.height && plan.source == plan.target) {
        notifyChanged();
        return Status::success();
    }
    const auto oneAtATime =
        oneLargePictureAtATime(std::max(std::int64_t{width} * height, std::int64_t{image_.width} * image_.height));
    const Rgb bars = rgbFromColorRef(barColour.value_or(0));
    Result<RgbaImage> scaled =
        fitPicture(image_, width, height, mode, {bars.r, bars.g, bars.b, std::uint8_t(barColour ? 255 : 0)});
    if (!scaled) {
        endLargeFrame();
        return scaled.error();
    }
    image_ = std::move(scaled).value();
    framedPicture_.reset();
    if (mode == FitMode::Contain && !barColour && plan.target != FitRect{0, 0, width, height})
        framedPicture_ = plan.target;
    notifyChanged();
    return Status::success();
}

Status ImagingComponent::SaveGif(const QString& path, bool transparent, std::int32_t transparentColour,
                                 const QByteArray& comment, const ColourReduction& reduction,
                                 std::vector<std::uint8_t>* written, bool noteExactColours, bool* coloursExact) const
{
    if (image_.empty())
        return noPicture();
    const AtExit frameSaved{[this] { endLargeFrame(); }};
    const auto oneAtATime = oneLargePictureAtATime(std::int64_t{image_.width} * image_.height);
    const Rgb key = rgbFromColorRef(transparentColour);
    QuantizeOptions options;
    options.reserveTransparent = transparent || framedPicture_;
    options.transparentColour = key;
    options.reduction = reduction;
    const auto inBar = [this](std::size_t i) {
        const auto x = static_cast<int>(i / 4 % static_cast<std::size_t>(image_.width));
        const auto y = static_cast<int>(i / 4 / static_cast<std::size_t>(image_.width));
        const FitRect& p = *framedPicture_;
        return x < p.x || y < p.y || x >= p.x + p.width || y >= p.y + p.height;
    };
    // An opaque picture without a transparent colour is its own composite: no copy of it.
    bool opaque = !options.reserveTransparent;
    for (std::size_t i = 3; i < image_.pixels.size() && opaque; i += 4)
        opaque = image_.pixels[i] == 255;
    if (opaque) {
        return writeQuantized(path, quantizeImage(image_, options), comment, written, noteExactColours, coloursExact);
    }
    RgbaImage flat;
    try {
        flat = RgbaImage(image_.width, image_.height);
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to encode the picture."));
    }
    // A GIF's pixel is shown or not. With a transparent colour, the more opaque half of the
    // pixels shows in its own colours and the rest takes the transparent colour (blending toward
    // that colour would tint the picture with it); without one, the picture is shown over white,
    // as a viewer without transparency shows it.
    const std::uint8_t keyChannels[3] = {key.r, key.g, key.b};
    constexpr unsigned kShownFrom = 128;
    for (std::size_t i = 0; i < image_.pixels.size(); i += 4) {
        const std::uint8_t* src = &image_.pixels[i];
        std::uint8_t* dst = &flat.pixels[i];
        const unsigned a = src[3];
        for (int c = 0; c < 3; ++c) {
            if (transparent)
                dst[c] = a >= kShownFrom ? src[c] : keyChannels[c];
            else
                dst[c] = static_cast<std::uint8_t>((src[c] * a + 255 * (255 - a) + 127) / 255);
        }
        const bool isKey = dst[0] == key.r && dst[1] == key.g && dst[2] == key.b;
        dst[3] = (transparent && isKey) || (framedPicture_ && a < kShownFrom && inBar(i)) ? 0 : 255;
    }
    return writeQuantized(path, quantizeImage(flat, options), comment, written, noteExactColours, coloursExact);
}

Status ImagingComponent::SaveBmp(const QString& path) const
{
    if (image_.empty())
        return noPicture();
    const AtExit frameSaved{[this] { endLargeFrame(); }};
    Result<QByteArray> bytes = encodeBmp24(image_);
    if (!bytes)
        return bytes.error();
    return writeFileAtomically(path, bytes.value());
}

Status ImagingComponent::SaveJpeg(const QString& path, int quality, bool progressive, bool grayscale) const
{
    if (image_.empty())
        return noPicture();
    const AtExit frameSaved{[this] { endLargeFrame(); }};
    const auto oneAtATime = oneLargePictureAtATime(std::int64_t{image_.width} * image_.height);
    Result<QByteArray> bytes = encodeJpeg(image_, quality, progressive, grayscale);
    if (!bytes)
        return bytes.error();
    return writeFileAtomically(path, bytes.value());
}

void ImagingComponent::DisplayFlag(bool display)
{
    if (displayFlag_ == display)
        return;
    displayFlag_ = display;
    notifyChanged();
}

void ImagingComponent::raiseImageClick() const
{
    if (imageClick_)
        imageClick_();
}

void ImagingComponent::notifyChanged() const
{
    if (changed_)
        changed_();
}

}  // namespace pictoreel
