#include "core/animation/frame_planner.h"

#include "core/animation/background_disposal.h"
#include "core/animation/frame_source.h"
#include "core/animation/global_palette.h"
#include "core/animation/palette.h"
#include "core/animation/rect_encoding.h"
#include "core/animation/unseen_change.h"

#include <algorithm>

namespace pictoreel::animation {

namespace {

// Pictures sharing fewer than one colour in this many with the screen are copied whole.
constexpr std::size_t kChanceShares = 16;

// The part of a pixel's tolerance its drawn colour may use: the rest lets the pixel stay as
// drawn while the following frames change it a little (sensor noise, a slow fade).
constexpr float kDrawnShare = 0.6f;

// Known to have no transparent pixel without looking at them.
bool opaque(const Picture& p) { return p.stored && p.stored->transparentIndex < 0; }

// Every colour an image stored whole can show, sorted: its palette, and black when its codes
// reach beyond the palette.
std::vector<Pixel> coloursOf(const GifStoredImage& stored)
{
    std::vector<Pixel> colours;
    colours.reserve(stored.palette.size() + 2);
    for (const Rgb& c : stored.palette)
        colours.push_back(opaquePixel(c));
    if (stored.palette.size() < (std::size_t{1} << stored.pixels.minCodeSize))
        colours.push_back(opaquePixel(Rgb{}));
    if (stored.transparentIndex >= 0)
        colours.push_back(kTransparent);
    std::sort(colours.begin(), colours.end());
    return colours;
}

std::size_t sharedColours(const std::vector<Pixel>& a, const std::vector<Pixel>& b)
{
    std::size_t shared = 0;
    for (auto i = a.begin(), j = b.begin(); i != a.end() && j != b.end();) {
        if (*i == *j) {
            ++shared;
            ++i;
            ++j;
        } else if (*i < *j) {
            ++i;
        } else {
            ++j;
        }
    }
    return shared;
}

// How far (squared, in RGB) a colour the screen shows may be from a frame's own colour and still
// stand in for it when the frame's colours were reduced on their own: palettes of alike frames
// differ by a few steps; a frame of other colours (a fade, a flat title) is farther.
constexpr int kCellReachSquared = 16 * 16;

}  // namespace

Result<GifFrameDescription> FramePlanner::plan(Picture& target, Picture* next, bool firstFrame, int position)
{
    // Colours that are the picture's own are not given up; reduced ones are a choice already.
    // A first frame left without an index may yet get a longer table (see FirstFrameHold).
    const IndexCost cost = target.coloursExact ? IndexCost::Nothing : IndexCost::ALeastUsedColour;
    Result<GifFrameDescription> frame = planImage(target, next, firstFrame, position);
    if (frame && firstFrame && firstNamesTransparency_) {
        if (const auto givenUp = nameTransparentIndex(frame.value(), global_ ? global_->palette() : std::vector<Rgb>{}, cost)) {
            // The screen shows what the first frame now draws.
            if (Status s = decodeShown(); !s)
                return s.error();
            std::replace(shown_.pixels.begin(), shown_.pixels.end(), opaquePixel(givenUp->from), opaquePixel(givenUp->to));
        }
    }
    return frame;
}

Result<GifFrameDescription> FramePlanner::planImage(Picture& target, Picture* next, bool firstFrame, int position)
{
    // An opaque picture stored whole that has next to none of its colours on the screen
    // changes (nearly) every pixel: it is copied as stored, and none of the pictures needs
    // decoding for that. Distinct photos share a few exact colours by chance (black, white);
    // a frame that keeps part of the screen shares most of its colours with it, even with its
    // colours reduced on its own. A lossy make codes every picture again instead, and so does a
    // make that keeps unseen changes, for a picture whose colours were reduced.
    const bool nextOpaque = !next || next == &target || opaque(*next);
    // Without it (a frame from the cache, a make within a budget) every change is drawn, so that a
    // make gives the same file whichever way its frames came.
    const bool keepsUnseen = unseenThreshold_ > 0 && !firstFrame && !target.coloursExact && target.source;
    // With the picture the frame was reduced from, only what changes is reduced again, when
    // enough stays as the screen shows it.
    std::optional<Picture> redrawn;
    std::optional<SeenSource> seen;
    if (keepsUnseen)
        seen = ahead_.take(target.source, lab_);
    // The next frame's source is seen while this frame is planned.
    if (unseenThreshold_ > 0 && next && next != &target && next->source)
        ahead_.start(next->source);
    if (keepsUnseen) {
        if (Status s = decodeShown(); !s)
            return s.error();
        // Not enough unseen to reduce again: a photo's own table held to the screen's colours.
        const bool mayHold = !seen->fewColours && target.stored && target.stored->transparentIndex < 0;
        if (mayHold)
            held_.start(target.source, target.stored->palette, shown_, unseenThreshold_, reduction_);
        redrawn = redrawnChanges(*target.source, *seen, shown_, unseenThreshold_, reduction_, screenLab_, lab_);
        seen.reset();
        if (mayHold) {
            if (redrawn)
                held_.drop();
            else
                redrawn = held_.take(lab_);
        }
    }
    if (lossy_ == 0 && !redrawn && opaque(target) && nextOpaque && shownColours_) {
        const std::vector<Pixel> colours = coloursOf(*target.stored);
        if (sharedColours(*shownColours_, colours) * kChanceShares < colours.size())
            return copyWhole(target);
    }

    if (Status s = ensureDecoded(target); !s)
        return s.error();
    if (Status s = decodeShown(); !s)
        return s.error();
    // The frame as converted, while `target` keeps screen colours in its palette's cells. A frame
    // whose colours are its picture's own has no cells: a slow fade would stand still.
    std::optional<Picture> asConverted;
    if (redrawn) {
        asConverted = std::move(target);
        target = std::move(*redrawn);
    }
    if (!asConverted && keepCells_ && !firstFrame && !target.coloursExact) {
        if (std::optional<Picture> kept = keptWithinPaletteCells(target)) {
            asConverted = std::move(target);
            target = std::move(*kept);
        }
    }
    Rect needsClearing;
    if (!nextOpaque) {
        if (Status s = ensureDecoded(*next); !s)
            return s.error();
        needsClearing = boundingBox(target, *next, [](Pixel t, Pixel n) { return t != kTransparent && n == kTransparent; });
    }
    const GifDisposal disposal = needsClearing.empty() ? GifDisposal::DoNotDispose : GifDisposal::RestoreBackground;

    // The best image for `picture` with the pixels' `tolerance` (nullptr: exactly).
    auto attempt = [&](const Picture& picture, const std::vector<float>* tolerance, Rect& rect,
                       std::size_t limitBytes = kNoLimit) {
        std::size_t keptInRuns = 0;
        rect = changedBox(picture, shown_, keptInRuns).united(needsClearing);
        if (rect.empty())
            rect = Rect{0, 0, 1, 1};
        return bestCandidate(picture, rect, firstFrame, keptInRuns, tolerance, limitBytes);
    };
    Rect rect;
    std::optional<Candidate> best;
    bool loosened = false;
    Picture close;
    if (lossy_ > 0) {
        // Pixels kept as the screen shows them can bring too many colours into one image (a
        // pan over a photo); then every pixel is drawn, each within its tolerance.
        const std::vector<float> tolerance = toleranceWhereDrawn(target, firstFrame, needsClearing);
        for (const bool keep : {true, false}) {
            std::vector<float> allowed = tolerance;
            close = keptClose(target, allowed, keep);
            if ((best = attempt(close, &allowed, rect)))
                break;
        }
        loosened = best.has_value();
    }
    if (loosened) {
        // Kept screen colours can also cost more than they save: the frame's own colours, or its
        // stored image copied as it is, may code smaller. Then the frame is stored exactly. Ways
        // that code larger than the loosened one are not counted to their end.
        Rect exactRect;
        std::optional<Candidate> exact = attempt(target, nullptr, exactRect, best->estimatedBytes);
        if (exact && exact->estimatedBytes <= best->estimatedBytes) {
            best = std::move(exact);
            rect = exactRect;
            loosened = false;
        }
    }
    if (!best)  // lossless, or the screen's colours kept made too many for one image
        best = attempt(target, nullptr, rect);
    if (!best && asConverted) {  // the screen's colours kept in cells made too many
        target = std::move(*asConverted);
        best = attempt(target, nullptr, rect);
    }
    if (!best)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("Frame %1 needs more than 256 colours in one image").arg(position));
    GifFrameDescription frame;
    if (best->copied) {
        rect = Rect{0, 0, target.width, target.height};
        frame = describeCopied(*best);
    } else {
        frame.image = std::move(best->image);
        frame.useGlobalPalette = best->useGlobalPalette;
    }
    frame.disposal = disposal;
    if (disposal == GifDisposal::RestoreBackground)
        nameTransparentIndex(frame, global_ ? global_->palette() : std::vector<Rgb>{});
    frame.left = rect.left;
    frame.top = rect.top;

    // What a viewer shows before the next frame: this frame's picture, its rectangle cleared
    // when it is disposed to background.
    const bool copiedWhole = best->copied && frame.disposal == GifDisposal::DoNotDispose;
    shownColours_ = copiedWhole ? std::optional<std::vector<Pixel>>(coloursOf(*best->copied)) : std::nullopt;
    if (loosened && frame.disposal == GifDisposal::DoNotDispose) {
        paint(frame, rect, target, close);
        return frame;
    }
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (Pixel* s : {shown_.row(y), drawnFrom_.empty() ? nullptr : drawnFrom_.data() + std::size_t(y) * target.width}) {
            if (!s)
                continue;
            if (frame.disposal == GifDisposal::RestoreBackground)
                std::fill(s + rect.left, s + rect.right, kTransparent);
            else
                std::copy(target.row(y) + rect.left, target.row(y) + rect.right, s + rect.left);
        }
    }
    return frame;
}

std::vector<float> FramePlanner::toleranceWhereDrawn(const Picture& target, bool firstFrame, const Rect& needsClearing)
{
    const Rect whole{0, 0, target.width, target.height};
    std::size_t keptInRuns = 0;
    const Rect drawn = firstFrame ? whole : changedBox(target, shown_, keptInRuns).united(needsClearing);
    constexpr int kReach = kToleranceReach;
    const auto partAround = [&](const Rect& wanted) {
        return Rect{std::max(0, wanted.left - kReach), std::max(0, wanted.top - kReach),
                    std::min(whole.right, wanted.right + kReach), std::min(whole.bottom, wanted.bottom + kReach)};
    };
    const Rect part = partAround(drawn);
    if (part.width() == whole.width() && part.height() == whole.height())
        return toleranceMap(target, lossy_, lab_);
    std::vector<float> tolerance(target.pixels.size(), 0.0f);
    // Also the top left pixel, the rectangle stored when nothing changes.
    for (const Rect& wanted : {drawn, Rect{0, 0, 1, 1}}) {
        if (wanted.empty())
            continue;
        const Rect around = partAround(wanted);
        Picture cut(around.width(), around.height());
        for (int y = around.top; y < around.bottom; ++y)
            std::copy(target.row(y) + around.left, target.row(y) + around.right, cut.row(y - around.top));
        const std::vector<float> cutTolerance = toleranceMap(cut, lossy_, lab_);
        for (int y = wanted.top; y < wanted.bottom; ++y) {
            const float* from = cutTolerance.data() + std::size_t(y - around.top) * cut.width + (wanted.left - around.left);
            std::copy(from, from + wanted.width(), tolerance.data() + std::size_t(y) * target.width + wanted.left);
        }
    }
    return tolerance;
}

Picture FramePlanner::keptClose(const Picture& target, std::vector<float>& tolerance, bool keep)
{
    const float still = stillTolerance(lossy_);
    Picture close(target.width, target.height);
    close.position = target.position;
    close.path = target.path;
    for (std::size_t i = 0; i < target.pixels.size(); ++i) {
        const Pixel t = target.pixels[i];
        const Pixel s = shown_.pixels[i];
        const Pixel from = drawnFrom_[i];
        const bool kept = keep && t != s && t != kTransparent && s != kTransparent && from != kTransparent &&
                          labDistance(lab_(t), lab_(s)) <= tolerance[i] &&
                          labDistance(lab_(t), lab_(from)) <= std::min(tolerance[i], still);
        close.pixels[i] = kept ? s : t;
        tolerance[i] = kept ? 0 : tolerance[i] * kDrawnShare;
    }
    return close;
}

std::optional<Picture> FramePlanner::keptWithinPaletteCells(const Picture& target) const
{
    // The colours the target uses (its palette may hold unused entries, black ones for padding);
    // a GIF image has at most 256.
    constexpr int kBits = 12;
    constexpr std::size_t kSlots = std::size_t{1} << kBits;
    const auto slotOf = [](Pixel p) { return (p * 2654435761u) >> (32 - kBits); };
    std::vector<Pixel> used(kSlots, kTransparent);
    std::vector<Rgb> palette;
    for (const Pixel t : target.pixels) {
        if (t == kTransparent)
            continue;
        std::uint32_t slot = slotOf(t);
        while (used[slot] != kTransparent && used[slot] != t)
            slot = (slot + 1) & (kSlots - 1);
        if (used[slot] == t)
            continue;
        if (palette.size() == 256)
            return std::nullopt;
        used[slot] = t;
        palette.push_back(unpackPixel(t));
    }
    // For each used colour, the square of half the way to the nearest other one, within the reach.
    std::vector<int> reach(palette.size(), kCellReachSquared);
    for (std::size_t a = 0; a < palette.size(); ++a)
        for (std::size_t b = 0; b < palette.size(); ++b)
            if (a != b)
                reach[a] = std::min(reach[a], squaredDistance(palette[a], palette[b]) / 4);
    // The used colour a screen colour may stand in for (kTransparent: none), remembered for the
    // first half a table's worth of screen colours met (a screen may show many more, gathered
    // over many frames).
    const auto standInFor = [&](Pixel s) {
        const Rgb c = unpackPixel(s);
        std::size_t best = 0;
        for (std::size_t e = 1; e < palette.size(); ++e)
            if (squaredDistance(palette[e], c) < squaredDistance(palette[best], c))
                best = e;
        return squaredDistance(palette[best], c) <= reach[best] ? opaquePixel(palette[best]) : kTransparent;
    };
    std::vector<Pixel> keys(kSlots, kTransparent), standsFor(kSlots, kTransparent);
    std::size_t remembered = 0;
    const auto substituteOf = [&](Pixel s) {
        std::uint32_t slot = slotOf(s);
        while (keys[slot] != kTransparent && keys[slot] != s)
            slot = (slot + 1) & (kSlots - 1);
        if (keys[slot] == s)
            return standsFor[slot];
        if (remembered == kSlots / 2)
            return standInFor(s);
        ++remembered;
        keys[slot] = s;
        return standsFor[slot] = standInFor(s);
    };
    // Only a frame that mostly shows what the screen shows: between different photos, a pixel of
    // one near a colour of the other is chance, and a dithered pixel is not its picture's nearest
    // colour anyway. A few pixels spread over the picture tell most photos and pans cheaply.
    const auto keeps = [&](std::size_t i) {
        const Pixel t = target.pixels[i], s = shown_.pixels[i];
        return t != s && t != kTransparent && s != kTransparent && substituteOf(s) == t;
    };
    constexpr std::size_t kSampleStep = 61;
    std::size_t sampled = 0, sampledSame = 0;
    for (std::size_t i = 0; i < target.pixels.size(); i += kSampleStep, ++sampled)
        sampledSame += target.pixels[i] == shown_.pixels[i] || keeps(i);
    if (sampledSame * 20 < sampled * 9)
        return std::nullopt;
    std::vector<std::uint8_t> keep(target.pixels.size(), 0);
    std::size_t same = 0;
    for (std::size_t i = 0; i < target.pixels.size(); ++i) {
        if (target.pixels[i] == shown_.pixels[i]) {
            ++same;
        } else if (keeps(i)) {
            keep[i] = 1;
            ++same;
        }
    }
    if (same * 2 <= target.pixels.size() || std::find(keep.begin(), keep.end(), 1) == keep.end())
        return std::nullopt;
    Picture kept(target.width, target.height);
    kept.position = target.position;
    kept.path = target.path;
    for (std::size_t i = 0; i < target.pixels.size(); ++i)
        kept.pixels[i] = keep[i] ? shown_.pixels[i] : target.pixels[i];
    return kept;
}

void FramePlanner::paint(const GifFrameDescription& frame, const Rect& rect, const Picture& target, const Picture& close)
{
    const IndexedImage& image = frame.image;
    const std::vector<Rgb>& palette = frame.useGlobalPalette ? global_->palette() : image.palette;
    std::size_t i = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        Pixel* s = shown_.row(y);
        Pixel* from = drawnFrom_.data() + std::size_t(y) * shown_.width;
        for (int x = rect.left; x < rect.right; ++x, ++i) {
            const int index = image.indices[i];
            if (index == image.transparentIndex)
                continue;
            if (close.row(y)[x] != s[x])  // drawn for a new colour, not kept as it was
                from[x] = target.row(y)[x];
            s[x] = opaquePixel(std::size_t(index) < palette.size() ? palette[std::size_t(index)] : Rgb{});
        }
    }
}

std::optional<Candidate> FramePlanner::bestCandidate(const Picture& target, Rect& rect, bool firstFrame,
                                                     std::size_t keptInRuns, const std::vector<float>* tolerance,
                                                     std::size_t limitBytes) const
{
    const Rect whole{0, 0, target.width, target.height};
    const std::size_t area = static_cast<std::size_t>(target.width) * target.height;
    // The first frame covers the whole screen, for viewers that paint the uncovered part of
    // the first frame in a background colour; when that takes too many colours it shrinks to
    // the pixels that need it.
    const bool wholeScreen = firstFrame || (rect.width() == whole.width() && rect.height() == whole.height());

    std::optional<Candidate> best;
    auto consider = [&](std::optional<Candidate> c) {
        if (c && (!best || c->estimatedBytes < best->estimatedBytes))
            best = std::move(c);
    };
    // A picture stored whole can be copied as its file holds it: it draws every pixel of the
    // picture and leaves the transparent ones to the screen, which is transparent there.
    if (wholeScreen && target.stored)
        consider(copiedCandidate(target.stored, global_));
    // Working out other encodings only pays when a quarter of the screen or more stays as it
    // is in long runs.
    if (best && keptInRuns * 4 <= area)
        return best;
    const std::size_t limit = std::min(best ? best->estimatedBytes : kNoLimit, limitBytes);
    if (!wholeScreen) {
        consider(encodeRect(shown_, target, rect, global_, limit, tolerance));
        return best;
    }
    if (std::optional<Candidate> c = encodeRect(shown_, target, whole, global_, limit, tolerance)) {
        rect = whole;
        consider(std::move(c));
    } else if (!best) {
        consider(encodeRect(shown_, target, rect, global_, limitBytes, tolerance));
    }
    return best;
}

Status FramePlanner::decodeShown()
{
    if (!shownPending_)
        return {};
    Picture pending = std::move(*shownPending_);
    shownPending_.reset();
    pending.pixels.swap(shown_.pixels);
    if (Status s = ensureDecoded(pending); !s)
        return s;
    shown_ = std::move(pending);
    return {};
}

GifFrameDescription FramePlanner::copyWhole(Picture& target)
{
    GifFrameDescription frame = describeCopied(copiedCandidate(target.stored, global_));
    frame.disposal = GifDisposal::DoNotDispose;
    shownColours_ = coloursOf(*target.stored);
    if (target.decoded) {
        shownPending_.reset();
        shown_.pixels = target.pixels;
    } else {
        shownPending_ = target.undecodedCopy();
    }
    return frame;
}

}  // namespace pictoreel::animation
