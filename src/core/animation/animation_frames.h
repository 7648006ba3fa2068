// What an animation is made of: its frames (one-image GIF files with their delays) and settings.
#pragma once

#include "core/imaging/quantizer.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pictoreel {

// One frame of the animation to be written.
struct AnimationFrameSource {
    // A one-image GIF (only its first image is used); empty for a frame without picture, which
    // shows the previous frame's picture for its delay.
    QString fileName;
    // 0..65535 hundredths of a second.
    int delayCentiseconds = 0;
};

// A frame file as it is made: its name, and the indices of its image when whoever made it
// still has them (the file then need not be decoded again).
struct MadeFrame {
    QString file;
    std::shared_ptr<const std::vector<std::uint8_t>> indices;
    // The opaque picture the image's colours were reduced from, when the maker still has it: the
    // assembly then reduces again only what changes (see unseen_change.h).
    std::shared_ptr<const RgbaImage> source;
};

// The frames of an animation in order: every delay known from the start, each frame's file
// either known too or told once it has been made (the assembly then starts before the last
// frame is ready). Asking for a file that is not known yet waits for it. One thread asks.
class AnimationFrames {
public:
    // Gives frame k's file (empty: no picture), waiting until it is made.
    using FileOnceReady = std::function<MadeFrame(std::size_t k)>;
    // Makes frame k's source picture again for a frame whose maker handed none over (null when
    // it has none: a picture with transparent pixels, one that cannot be read).
    using SourceFor = std::function<std::shared_ptr<const RgbaImage>(std::size_t k)>;

    explicit AnimationFrames(std::vector<AnimationFrameSource> frames);  // every file known
    AnimationFrames(std::vector<int> delays, FileOnceReady fileOnceReady);

    std::size_t size() const { return delays_.size(); }
    int delay(std::size_t k) const { return delays_[k]; }
    const QString& file(std::size_t k) const;
    // The indices of frame k's image as its maker handed them over, or null; forget() lets
    // them go once the frame's picture is no longer read.
    const std::shared_ptr<const std::vector<std::uint8_t>>& indices(std::size_t k) const;
    void forget(std::size_t k) const;
    // Frame k's source picture as its maker handed it over, else as sourceFor makes it, or null;
    // forget() lets it go too.
    std::shared_ptr<const RgbaImage> source(std::size_t k) const;
    // Holds `source` as frame k's from now on, as if its maker had handed it over: a source made
    // again, or taken from its maker once, is then the same whenever it is asked for again.
    void keepSource(std::size_t k, std::shared_ptr<const RgbaImage> source) const;
    void setSourceFor(SourceFor sourceFor) { sourceFor_ = std::move(sourceFor); }

private:
    const MadeFrame& made(std::size_t k) const;

    std::vector<int> delays_;
    FileOnceReady fileOnceReady_;
    SourceFor sourceFor_;
    mutable std::vector<std::optional<MadeFrame>> files_;
};

struct AnimationSettings {
    // NETSCAPE2.0 loop block: nullopt writes none (viewers play the animation once), 0 loops for
    // ever, n repeats the animation n times after its first showing. 0..65535.
    std::optional<int> loopCount;
    // 0..100: how far the encoder may change pixels, where the eye hardly sees it, for a
    // smaller file; 0 stores every frame's pixels exactly (but see keepWithinPaletteCells).
    int lossy = 0;
    // The frames' colours were reduced one frame at a time: where the screen already shows a
    // colour that the frame's own colours would store as the colour the frame has there, the
    // screen's colour stays (see FramePlanner).
    bool keepWithinPaletteCells = false;
    // Some frame may leave pixels transparent (a transparent colour, clear bars): the first frame
    // then names a transparent index even when it has no transparent pixel, for decoders that go
    // by the first frame in deciding whether the animation can show any (Pillow 9).
    bool mayShowTransparency = false;
    // Thousandths of OKLab distance (20 is about one just-noticeable difference): a pixel of a
    // frame whose colours were reduced (not a picture's own) that changes by less than this as a
    // viewer sees it, more where texture masks it, keeps what the screen shows (see
    // unseen_change.h). 0 draws every change.
    int temporalThreshold = 0;
    // How a frame's changes are reduced again from its source picture (see MadeFrame::source).
    ColourReduction reduction;
};

}  // namespace pictoreel
