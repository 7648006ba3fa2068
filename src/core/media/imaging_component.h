// The imaging component: one current picture per instance, loaded from any supported picture
// file, scaled, and written as a one-image GIF, a BMP or a JPEG. The main window has three
// instances (two shown by viewers, one hidden worker), the frames extractor two.
//
// Operations keep the names and argument order the rest of the program calls them by. Every
// operation that can fail returns a Status; callers that go on after a failure find the
// instance empty (a failed LoadImage drops the previous picture), so a later save fails too
// instead of writing a stale picture under a new name.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/imaging/fitting.h"
#include "core/imaging/quantizer.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace pictoreel {

class ImagingComponent {
public:
    ImagingComponent() = default;
    ~ImagingComponent();
    ImagingComponent(const ImagingComponent&) = delete;
    ImagingComponent& operator=(const ImagingComponent&) = delete;

    // Drops the current picture.
    void ClearImage();

    // Makes the picture in `path` the current one. The format is read from the content; the
    // extension only decides for formats without a signature (Targa and its aliases, WBMP).
    // `shrinkHint`, when valid, is the size the picture is about to be scaled to: large JPEGs are
    // then decoded at a reduced scale that is still at least that large, and a large picture
    // may come already scaled to exactly that size (see DecodeOptions), which is the only way a
    // picture beyond kLimits.maxPixels is read.
    // A hint of more than kLargePicturePixels makes a large frame: only one is in the making in
    // the program at a time, from this call until its picture is saved (SaveGif, SaveBmp,
    // SaveJpeg), fails to scale, is dropped or replaced; LoadImage waits for the one before.
    // With a `fit` other than Stretch the hint is the frame the picture is about to be fitted into
    // (FitImage), and the size it is scaled to on the way is asked for instead; a picture whose
    // size cannot be read from its header is then read whole.
    // Errors: FileNotFound, FileReadFailed, UnsupportedFormat, CorruptData, LimitExceeded.
    Status LoadImage(const QString& path, QSize shrinkHint = {}, FitMode fit = FitMode::Stretch);
    // Makes `picture` the current one, of any size: GIF and BMP are saved at any size they hold,
    // JPEG only within checkPictureLimits.
    void setImage(RgbaImage picture);

    // Scales the current picture to exactly width x height pixels. `keepExactSize` is always
    // true in this program; false is refused (InvalidArgument) rather than guessed at.
    // Errors: EmptyImage, InvalidArgument, LimitExceeded.
    Status ResizeImage(int width, int height, bool keepExactSize = true);

    // Makes the current picture a width x height frame as `mode` says (see planFit): Stretch is
    // ResizeImage. Contain's bars are `barColour` (0x00BBGGRR), or without one clear: fully
    // transparent, and transparent in a GIF saved from it whatever its transparent colour.
    // Errors: those of ResizeImage.
    Status FitImage(int width, int height, FitMode mode, std::optional<std::int32_t> barColour = std::nullopt);
    // Where the picture lies when the last FitImage left clear bars around it; none otherwise.
    std::optional<FitRect> clearBarsAround() const { return framedPicture_; }
    // Lets `paint` draw over the current picture in place (its size stays): clear bars stay
    // clear where it leaves them transparent, and show what it draws over them.
    void paintOver(const std::function<void(RgbaImage&)>& paint);

    // Writes the current picture as a one-image GIF. When `transparent` is true, pixels of alpha
    // below 128 take `transparentColour` (0x00BBGGRR) and the others keep their own colours, and
    // every pixel of exactly that colour is transparent in the file; otherwise alpha is composited
    // over white. The clear bars of FitImage are transparent in any case; the
    // rest is reduced to the palette (stored exactly when it has few enough colours, otherwise
    // quantised as `reduction` says). A non-empty `comment` is stored in the file as a GIF comment.
    // `written`, when given, receives the image's indices as the file stores them, for a caller
    // that would otherwise decode the file again. With `noteExactColours`, a picture stored with
    // its own colours says so in a second comment (kColoursExactComment), as the frame cache asks;
    // `coloursExact`, when given, is told whether it was.
    Status SaveGif(const QString& path, bool transparent, std::int32_t transparentColour,
                   const QByteArray& comment = {}, const ColourReduction& reduction = {},
                   std::vector<std::uint8_t>* written = nullptr, bool noteExactColours = false,
                   bool* coloursExact = nullptr) const;

    // Writes the current picture as an uncompressed 24-bit BMP. Alpha is not stored: the
    // colour channels are written as they are.
    Status SaveBmp(const QString& path) const;

    // Writes the current picture as a JPEG (baseline unless `progressive`), alpha not stored.
    Status SaveJpeg(const QString& path, int quality = 80, bool progressive = false, bool grayscale = false) const;

    // Size of the current picture, 0 when there is none.
    int ImageWidth() const { return image_.width; }
    int ImageHeight() const { return image_.height; }

    // Whether a viewer showing this instance draws the picture; true by default. The frames
    // extractor turns it off on its viewer while it loads.
    void DisplayFlag(bool display);
    bool displayFlag() const { return displayFlag_; }

    // The current picture, for viewers to draw; empty when there is none.
    const RgbaImage& image() const { return image_; }
    bool hasImage() const { return !image_.empty(); }

    // Called after every change of the current picture or of DisplayFlag (viewers repaint).
    void setChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

    // The ImageClick event: a viewer reports a click on the picture with raiseImageClick(),
    // and the window that owns the instance answers in its handler.
    void setImageClickHandler(std::function<void()> handler) { imageClick_ = std::move(handler); }
    void raiseImageClick() const;

private:
    void notifyChanged() const;
    void endLargeFrame() const;

    RgbaImage image_;
    // Where the picture lies in a frame of FitImage with clear bars around it.
    std::optional<FitRect> framedPicture_;
    mutable bool makesLargeFrame_ = false;
    bool displayFlag_ = true;
    std::function<void()> changed_;
    std::function<void()> imageClick_;
};

// Reads a picture file into RGBA (what LoadImage does, without an instance).
Result<RgbaImage> loadPictureFile(const QString& path, QSize shrinkHint = {}, FitMode fit = FitMode::Stretch);

}  // namespace pictoreel
