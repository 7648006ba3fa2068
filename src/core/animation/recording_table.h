// One colour table for a whole recording of screen content.
//
// A recording's frames have their colours reduced one at a time: each gets a table of its own,
// cut a little differently from its neighbours', so still pixels "change" by a level and every
// frame carries its own table. A screen recording has few colours, mostly the same ones in every
// frame; one table cut from the colours of all its frames (each weighted by its pixels over the
// whole recording) serves every frame, and each colour then takes the same entry in every frame:
// still pixels stay still and no frame needs a table of its own. As video tools do with a
// palette made from the whole sequence.
#pragma once

#include "core/animation/animation_frames.h"
#include "core/animation/picture.h"

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace pictoreel::animation {

// Whether a recording's frames share one table, told as the frames are read in order: every frame
// with a picture is screen content (see hasFewColours) of the screen's size with its source
// picture at hand, the first of them reduced rather than stored exactly, at most a quarter of the
// frames change more than a quarter of the screen's pixels, and the table leaves every frame
// within its bound: twice the mean squared error its own reduction has, or a sixteenth of a level
// squared per channel (beyond 60 dB PSNR) where that is more. It closes at the first frame that
// rules the table out, letting go of what it held.
class RecordingTable;
class RecordingCheck {
public:
    // Opens on the first picture (`first`, frame `firstIndex`) unless that rules the table out.
    RecordingCheck(const AnimationFrames& frames, int firstIndex, const Picture& first);
    bool open() const { return open_; }
    // Frame k after the first, as read (`own`: its picture as its own table stores it). Frames
    // without a picture are not added.
    void add(const AnimationFrames& frames, std::size_t k, const Picture& own);
    // Whether the frames added so far make the table likely: a quarter of the frames or more, of
    // which at most half as many redraw much of the screen as the table allows.
    bool likely() const;
    // Once every frame is added: the table of at most `maxColours` entries, or nullopt.
    std::optional<RecordingTable> finish(int maxColours);

private:
    // One frame's colours: the recording's colour numbers it uses and how many pixels each.
    struct FrameColours {
        std::vector<std::pair<std::uint32_t, std::uint64_t>> uses;
        double ownSquaredError = 0.0;
        std::uint64_t pixels = 0;
    };
    void addFrame(const AnimationFrames& frames, std::size_t k, const Picture& own);
    void close();

    bool open_ = false;
    int width_ = 0, height_ = 0;
    std::size_t frameCount_ = 0;  // from the first picture on
    std::unordered_map<std::uint32_t, std::uint32_t> numberOf_;  // colour -> its number
    std::vector<std::uint32_t> colours_;
    std::vector<std::uint64_t> weights_;
    std::vector<FrameColours> frameColours_;
    std::vector<std::shared_ptr<const RgbaImage>> sources_;  // by frame
    std::shared_ptr<const RgbaImage> previous_;
    std::size_t redrawing_ = 0, pictures_ = 0;
};

class RecordingTable {
public:
    const std::vector<Rgb>& palette() const { return palette_; }

    // Frame k's picture on the table, from its source; `position` and `path` as the frame's.
    // Each frame is asked for once: its source goes then.
    Result<Picture> picture(const AnimationFrames& frames, std::size_t k, Picture reuse);

private:
    friend class RecordingCheck;
    std::vector<Rgb> palette_;
    // Every colour of the recording (red << 16 | green << 8 | blue) and the entry it takes.
    std::unordered_map<std::uint32_t, Pixel> entryOf_;
    std::vector<std::shared_ptr<const RgbaImage>> sources_;  // by frame
};

}  // namespace pictoreel::animation
