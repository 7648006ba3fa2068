#include "core/animation/shared_palette.h"

#include "core/animation/frame_source.h"
#include "core/animation/palette.h"

#include <QFile>

#include <algorithm>
#include <unordered_map>

namespace pictoreel::animation {

std::optional<std::vector<Rgb>> sharedChangeTable(const AnimationFrames& frames, int firstIndex,
                                                  const Picture& first, int width, int height)
{
    constexpr int kTableSize = 256;
    const int count = static_cast<int>(frames.size());
    if (!first.stored || firstIndex + 1 >= count || frames.file(std::size_t(firstIndex + 1)).isEmpty())
        return std::nullopt;
    QFile secondFile(frames.file(std::size_t(firstIndex + 1)));
    if (!secondFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<GifStoredImage> second = findFirstStoredImage(secondFile.readAll());
    if (!second)
        return std::nullopt;
    const std::vector<Rgb>& a = first.stored->palette;
    const auto shared = std::count_if(second->palette.begin(), second->palette.end(),
                                      [&](const Rgb& c) { return std::find(a.begin(), a.end(), c) != a.end(); });
    if (shared * 2 < static_cast<std::ptrdiff_t>(std::max(a.size(), second->palette.size())))
        return std::nullopt;

    // The colours each frame changes to, and in how many frames each colour is one of them.
    Picture shown = first;
    if (!ensureDecoded(shown))
        return std::nullopt;
    std::vector<std::vector<Pixel>> changes;
    std::unordered_map<Pixel, int> framesChangingTo;
    Picture spare;
    for (int k = firstIndex + 1; k < count; ++k) {
        const QString& file = frames.file(std::size_t(k));
        if (file.isEmpty())
            continue;
        Result<Picture> read = readFramePicture(file, k + 1, width, height, std::move(spare), frames.indices(std::size_t(k)));
        if (!read || !ensureDecoded(read.value()))
            return std::nullopt;
        Picture target = std::move(read).value();
        std::vector<Pixel> colours;
        std::size_t changed = 0;
        for (std::size_t i = 0; i < target.pixels.size(); ++i)
            if (target.pixels[i] != shown.pixels[i]) {
                ++changed;
                if (target.pixels[i] != kTransparent)
                    colours.push_back(target.pixels[i]);
            }
        // Only frames that change little store small rectangles whose table matters; a picture
        // that changes most of the screen is copied with its own table.
        if (changed * 4 <= target.pixels.size()) {
            std::sort(colours.begin(), colours.end());
            colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
            for (Pixel c : colours)
                ++framesChangingTo[c];
            changes.push_back(std::move(colours));
        }
        spare = std::move(shown);
        shown = std::move(target);
    }

    std::vector<std::pair<Pixel, int>> ranked(framesChangingTo.begin(), framesChangingTo.end());
    std::sort(ranked.begin(), ranked.end(), [](const auto& x, const auto& y) {
        return x.second != y.second ? x.second > y.second : x.first < y.first;
    });
    if (ranked.size() > std::size_t(kTableSize))
        ranked.resize(std::size_t(kTableSize));
    // The table lists the colours the most frames change to first, so that frames changing to
    // those alone use only its first entries and start their codes narrower.
    std::vector<Rgb> palette;
    std::vector<Pixel> table;
    for (const auto& [colour, uses] : ranked) {
        palette.push_back(unpackPixel(colour));
        table.push_back(colour);
    }
    std::sort(table.begin(), table.end());
    std::size_t saved = 0;
    for (const std::vector<Pixel>& colours : changes)
        if (!colours.empty() && std::includes(table.begin(), table.end(), colours.begin(), colours.end()))
            saved += 3 * std::size_t(tableSizeFor(static_cast<int>(colours.size()) + 1));
    if (saved <= 3 * std::size_t(tableSizeFor(static_cast<int>(a.size()))) + 3 * std::size_t(kTableSize))
        return std::nullopt;
    return palette;
}

}  // namespace pictoreel::animation
