#include "core/animation/shared_palette.h"

#include "core/animation/frame_source.h"
#include "core/animation/palette.h"
#include "core/imaging/photo_palette.h"

#include <QFile>

#include <algorithm>
#include <unordered_map>

namespace pictoreel::animation {

namespace {

// The order of the table's colours (`ranked`, the colours the most frames change to first). An
// image on the table starts its codes as narrow as its highest entry allows, and its transparent
// pixels take the first entry it does not use; so the frames that change to the fewest colours
// not yet placed claim the first entries, as many as fit below 4, then below 8, 16 and so on.
// The colours no frame claims follow in their rank.
std::vector<Pixel> claimedOrder(const std::vector<std::vector<Pixel>>& changes, const std::vector<Pixel>& ranked)
{
    std::unordered_map<Pixel, int> rank;
    for (std::size_t i = 0; i < ranked.size(); ++i)
        rank.emplace(ranked[i], static_cast<int>(i));
    // The frames whose colours the table holds, each with its colours in rank order, and for
    // each colour the frames that change to it.
    std::vector<std::vector<int>> frameColours;
    std::vector<std::vector<int>> framesOf(ranked.size());
    for (const std::vector<Pixel>& colours : changes) {
        std::vector<int> ranks;
        for (Pixel c : colours) {
            const auto it = rank.find(c);
            if (it == rank.end())
                break;
            ranks.push_back(it->second);
        }
        if (ranks.empty() || ranks.size() != colours.size())
            continue;
        std::sort(ranks.begin(), ranks.end());
        for (int r : ranks)
            framesOf[std::size_t(r)].push_back(static_cast<int>(frameColours.size()));
        frameColours.push_back(std::move(ranks));
    }
    std::vector<int> unplaced(frameColours.size());
    for (std::size_t f = 0; f < frameColours.size(); ++f)
        unplaced[f] = static_cast<int>(frameColours[f].size());
    std::vector<bool> placed(ranked.size(), false);
    std::vector<Pixel> order;
    const auto place = [&](int r) {
        placed[std::size_t(r)] = true;
        order.push_back(ranked[std::size_t(r)]);
        for (int f : framesOf[std::size_t(r)])
            --unplaced[std::size_t(f)];
    };
    for (std::size_t below = 4; below <= ranked.size() && below <= 256; below *= 2) {
        for (;;) {
            // The frame that needs the fewest more entries (the first of equals), if any still
            // needs some and all of it fits below the bound with a free entry for transparency.
            std::size_t best = frameColours.size();
            for (std::size_t f = 0; f < frameColours.size(); ++f)
                if (unplaced[f] > 0 && frameColours[f].size() < below &&
                    (best == frameColours.size() || unplaced[f] < unplaced[best]))
                    best = f;
            if (best == frameColours.size() || order.size() + std::size_t(unplaced[best]) > below)
                break;
            for (int r : frameColours[best])
                if (!placed[std::size_t(r)])
                    place(r);
        }
    }
    for (std::size_t r = 0; r < ranked.size(); ++r)
        if (!placed[r])
            order.push_back(ranked[r]);
    return order;
}

constexpr std::size_t kMostKeptIndexBytes = std::size_t{64} << 20;

}  // namespace

SharedChangeCheck::SharedChangeCheck(const AnimationFrames& frames, int firstIndex, const Picture& first)
{
    const int count = static_cast<int>(frames.size());
    if (!first.stored || firstIndex + 1 >= count || frames.file(std::size_t(firstIndex + 1)).isEmpty())
        return;
    // A photo's frames (a video's) are dithered each on its own table and change nearly every
    // pixel: no table of theirs pays, and an open check would decode every frame again on the
    // assembly's thread and hold the frames for a writing that never comes.
    if (const std::shared_ptr<const RgbaImage> source = frames.source(std::size_t(firstIndex + 1))) {
        frames.keepSource(std::size_t(firstIndex + 1), source);  // not made again for its frame
        if (!hasFewColours(*source, false))
            return;
    }
    QFile secondFile(frames.file(std::size_t(firstIndex + 1)));
    if (!secondFile.open(QIODevice::ReadOnly))
        return;
    const std::optional<GifStoredImage> second = findFirstStoredImage(secondFile.readAll());
    if (!second)
        return;
    const std::vector<Rgb>& a = first.stored->palette;
    const auto shared = std::count_if(second->palette.begin(), second->palette.end(),
                                      [&](const Rgb& c) { return std::find(a.begin(), a.end(), c) != a.end(); });
    if (shared * 2 < static_cast<std::ptrdiff_t>(std::max(a.size(), second->palette.size())))
        return;
    shown_ = first;
    if (!ensureDecoded(shown_))
        return;
    firstTableSize_ = a.size();
    exact_ = first.coloursExact;
    frameCount_ = std::size_t(count - firstIndex - 1);
    open_ = true;
}

void SharedChangeCheck::close()
{
    open_ = false;
    shown_ = Picture{};
    changes_ = {};
    framesChangingTo_ = {};
    coloursSeen_ = {};
}

void SharedChangeCheck::add(const AnimationFrames& frames, std::size_t k, const Picture& picture)
{
    if (!open_)
        return;
    if (const auto& indices = frames.indices(k)) {
        keptBytes_ += indices->size();
        if (keptBytes_ > kMostKeptIndexBytes)
            frames.forget(k);
    }
    Picture decoded;
    if (!picture.decoded && !ensureDecoded(decoded = picture.undecodedCopy()))
        return close();
    const Picture& target = picture.decoded ? picture : decoded;
    // The colours the frame changes to, and in how many frames each colour is one of them.
    std::vector<Pixel> colours;
    std::size_t changed = 0;
    for (std::size_t i = 0; i < target.pixels.size(); ++i)
        if (target.pixels[i] != shown_.pixels[i]) {
            ++changed;
            // A run of one colour is listed once: a frame's list holds its runs, not its pixels.
            if (target.pixels[i] != kTransparent && (colours.empty() || colours.back() != target.pixels[i]))
                colours.push_back(target.pixels[i]);
        }
    // Only frames that change little store small rectangles whose table matters; a picture
    // that changes most of the screen is copied with its own table.
    if (changed * 4 <= target.pixels.size()) {
        std::sort(colours.begin(), colours.end());
        colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
        colours.shrink_to_fit();  // kept to the end of the reading, for every such frame
        for (Pixel c : colours)
            ++framesChangingTo_[c];
        if (!colours.empty())
            savedIfHeld_ += 3 * std::size_t(tableSizeFor(static_cast<int>(colours.size()) + 1));
        changes_.push_back(std::move(colours));
    }
    coloursSeen_.push_back(framesChangingTo_.size());
    if (picture.decoded)
        shown_.pixels = picture.pixels;
    else
        shown_.pixels.swap(decoded.pixels);
}

namespace {
constexpr int kTableSize = 256;
}  // namespace

// What the table must save to pay for itself beside the first frame's own.
std::size_t SharedChangeCheck::cost() const
{
    return 3 * std::size_t(tableSizeFor(static_cast<int>(firstTableSize_))) + 3 * std::size_t(kTableSize);
}

bool SharedChangeCheck::likely() const
{
    // Frames of exact colours (a recording that needs no reduction) mostly share them: likely from
    // the start. Otherwise a quarter of the frames or more seen, and the colours they change to grown by a tenth at
    // most over the later half of them: frames that are reduced one at a time change to new
    // shades all along, a recording of exact colours to the same few.
    if (open_ && exact_)
        return true;
    const std::size_t seen = coloursSeen_.size(), colours = framesChangingTo_.size();
    return open_ && seen > 0 && seen * 4 >= frameCount_ && colours <= std::size_t(kTableSize) && savedIfHeld_ > cost() &&
           colours * 10 <= coloursSeen_[seen / 2] * 11;
}

std::optional<std::vector<Rgb>> SharedChangeCheck::finish()
{
    if (!open_)
        return std::nullopt;
    const std::vector<std::vector<Pixel>> changes = std::move(changes_);
    const std::unordered_map<Pixel, int> framesChangingTo = std::move(framesChangingTo_);
    close();
    std::vector<std::pair<Pixel, int>> ranked(framesChangingTo.begin(), framesChangingTo.end());
    std::sort(ranked.begin(), ranked.end(), [](const auto& x, const auto& y) {
        return x.second != y.second ? x.second > y.second : x.first < y.first;
    });
    if (ranked.size() > std::size_t(kTableSize))
        ranked.resize(std::size_t(kTableSize));
    std::vector<Pixel> table;
    for (const auto& [colour, uses] : ranked)
        table.push_back(colour);
    std::vector<Rgb> palette;
    for (Pixel colour : claimedOrder(changes, table))
        palette.push_back(unpackPixel(colour));
    std::sort(table.begin(), table.end());
    std::size_t saved = 0;
    for (const std::vector<Pixel>& colours : changes)
        if (!colours.empty() && std::includes(table.begin(), table.end(), colours.begin(), colours.end()))
            saved += 3 * std::size_t(tableSizeFor(static_cast<int>(colours.size()) + 1));
    if (saved <= cost())
        return std::nullopt;
    return palette;
}

}  // namespace pictoreel::animation
