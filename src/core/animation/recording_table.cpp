#include "core/animation/recording_table.h"

#include "core/animation/frame_source.h"
#include "core/imaging/colour_counts.h"
#include "core/imaging/nearest_colour.h"
#include "core/imaging/photo_palette.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace pictoreel::animation {

namespace {

// The sources stay at hand until their frames are written: a longer recording keeps its tables.
constexpr std::uint64_t kMostSourceBytes = std::uint64_t{128} << 20;
// The most colours a frame of screen content has (see hasFewColours).
constexpr std::size_t kMostFrameColours = 4096;
// A frame may lose up to 3 dB of PSNR to the shared table, and any frame may come within a
// sixteenth of a level squared per channel (beyond 60 dB), where its own table was exact.
constexpr double kErrorFactor = 2.0;
constexpr double kErrorFloor = 1.0 / 16.0;
// A frame that redraws much of the screen (more than a quarter of its pixels) codes so many
// pixels that its own table is little beside them, and its own reduction, keeping what changes
// unseen, codes them smaller; the shared table pays where the frames change in places. It is
// chosen when at most a quarter of the frames redraw that much.
constexpr std::size_t kRedrawShare = 4;

std::uint32_t packRgb(const std::uint8_t* p) { return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]; }

int squaredDistance(std::uint32_t colour, Rgb e)
{
    const int dr = int(colour >> 16 & 0xFF) - e.r, dg = int(colour >> 8 & 0xFF) - e.g, db = int(colour & 0xFF) - e.b;
    return dr * dr + dg * dg + db * db;
}

std::size_t changedPixels(const RgbaImage& a, const RgbaImage& b)
{
    std::size_t changed = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 4)
        changed += std::memcmp(&a.pixels[i], &b.pixels[i], 3) != 0;
    return changed;
}

}  // namespace

RecordingCheck::RecordingCheck(const AnimationFrames& frames, int firstIndex, const Picture& first)
    : width_(first.width), height_(first.height), frameCount_(frames.size() - std::size_t(firstIndex))
{
    open_ = !first.coloursExact &&
            std::uint64_t(frameCount_) * std::uint64_t(width_) * std::uint64_t(height_) * 4 <= kMostSourceBytes;
    sources_.resize(frames.size());
    add(frames, std::size_t(firstIndex), first);
}

void RecordingCheck::add(const AnimationFrames& frames, std::size_t k, const Picture& own)
{
    if (!open_)
        return;
    if (own.decoded) {
        addFrame(frames, k, own);
        return;
    }
    Picture decoded = own.undecodedCopy();
    if (!ensureDecoded(decoded))
        return close();
    addFrame(frames, k, decoded);
}

void RecordingCheck::close()
{
    open_ = false;
    numberOf_ = {};
    colours_ = {};
    weights_ = {};
    frameColours_ = {};
    sources_ = {};
    previous_.reset();
}

void RecordingCheck::addFrame(const AnimationFrames& frames, std::size_t k, const Picture& own)
{
    const std::shared_ptr<const RgbaImage> source = frames.source(k);
    if (!source || source->width != width_ || source->height != height_ || !hasFewColours(*source, false))
        return close();
    frames.keepSource(k, source);  // the same picture when the frame is written, on the table or not
    sources_[k] = source;
    if (previous_ && changedPixels(*previous_, *source) * kRedrawShare > std::size_t(width_) * height_ &&
        ++redrawing_ * kRedrawShare > frameCount_)
        return close();
    previous_ = source;
    ++pictures_;

    FrameColours frame;
    ColourCounts<std::uint64_t> uses(kMostFrameColours);  // screen content: hasFewColours
    const std::uint8_t* p = source->pixels.data();
    std::uint32_t last = std::numeric_limits<std::uint32_t>::max(), lastNumber = 0;
    for (std::size_t i = 0; i < own.pixels.size(); ++i, p += 4) {
        const std::uint32_t colour = packRgb(p);
        if (colour != last) {
            const auto [it, added] = numberOf_.try_emplace(colour, std::uint32_t(colours_.size()));
            if (added) {
                colours_.push_back(colour);
                weights_.push_back(0);
            }
            last = colour;
            lastNumber = it->second;
        }
        ++weights_[lastNumber];
        ++uses[lastNumber];
        const Pixel shown = own.pixels[i];
        frame.ownSquaredError += shown == kTransparent ? 3.0 * 255 * 255 : squaredDistance(colour, unpackPixel(shown));
    }
    frame.pixels = own.pixels.size();
    uses.forEach([&frame](std::uint32_t number, std::uint64_t pixels) { frame.uses.emplace_back(number, pixels); });
    frameColours_.push_back(std::move(frame));
}

bool RecordingCheck::likely() const
{
    return open_ && pictures_ * 4 >= frameCount_ && redrawing_ * kRedrawShare * 2 <= pictures_;
}

std::optional<RecordingTable> RecordingCheck::finish(int maxColours)
{
    if (!open_)
        return std::nullopt;
    open_ = false;
    // Frames whose own tables hold their colours exactly already share them where they can.
    const bool lossy = std::any_of(frameColours_.begin(), frameColours_.end(),
                                   [](const FrameColours& f) { return f.ownSquaredError > 0; });
    if (pictures_ < 2 || redrawing_ * kRedrawShare > pictures_ || !lossy)
        return std::nullopt;

    RecordingTable table;
    table.palette_ = chooseFewColourPalette(colours_, weights_, std::clamp(maxColours, 2, 256));
    if (table.palette_.empty())
        return std::nullopt;
    NearestColour nearest(table.palette_);
    std::vector<int> entry(colours_.size());
    std::vector<int> error(colours_.size());
    for (std::size_t c = 0; c < colours_.size(); ++c) {
        entry[c] = nearest.find(int(colours_[c] >> 16), int(colours_[c] >> 8 & 0xFF), int(colours_[c] & 0xFF));
        error[c] = squaredDistance(colours_[c], table.palette_[std::size_t(entry[c])]);
    }
    for (const FrameColours& frame : frameColours_) {
        double shared = 0.0;
        for (const auto& [number, pixels] : frame.uses)
            shared += double(error[number]) * double(pixels);
        const double bound = std::max(kErrorFactor * frame.ownSquaredError, kErrorFloor * 3.0 * double(frame.pixels));
        if (shared > bound)
            return std::nullopt;
    }
    table.entryOf_.reserve(colours_.size() * 2);
    for (std::size_t c = 0; c < colours_.size(); ++c)
        table.entryOf_.emplace(colours_[c], opaquePixel(table.palette_[std::size_t(entry[c])]));
    table.sources_ = std::move(sources_);
    return table;
}

Result<Picture> RecordingTable::picture(const AnimationFrames& frames, std::size_t k, Picture reuse)
{
    const std::shared_ptr<const RgbaImage> source = std::move(sources_.at(k));
    if (!source)  // held since the frame was added: cannot happen
        return makeError(ErrorCode::EmptyImage, QStringLiteral("Frame %1 has no picture").arg(k + 1));
    Picture picture;
    picture.pixels = std::move(reuse.pixels);
    picture.width = source->width;
    picture.height = source->height;
    picture.position = int(k) + 1;
    picture.path = frames.file(k);
    picture.pixels.resize(std::size_t(source->width) * source->height);
    const std::uint8_t* p = source->pixels.data();
    std::uint32_t last = std::numeric_limits<std::uint32_t>::max();
    Pixel lastPixel = kTransparent;
    for (Pixel& out : picture.pixels) {
        const std::uint32_t colour = packRgb(p);
        p += 4;
        if (colour != last) {
            const auto it = entryOf_.find(colour);
            if (it == entryOf_.end())
                return makeError(ErrorCode::CorruptData, QStringLiteral("Frame %1 changed while it was written").arg(k + 1));
            last = colour;
            lastPixel = it->second;
        }
        out = lastPixel;
    }
    return picture;
}

}  // namespace pictoreel::animation
