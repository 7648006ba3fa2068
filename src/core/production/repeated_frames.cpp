#include "core/production/repeated_frames.h"

#include "core/production/budget_frames.h"
#include "core/production/conversion_pool.h"

namespace pictoreel {

std::optional<std::vector<bool>> findRepeatedFrames(std::vector<FrameConversion> conversions, const RepeatSearch& search)
{
    const std::size_t count = conversions.size();
    std::vector<bool> repeats(count, false);
    ConversionPool pool(std::move(conversions), search.jobs);
    // Only neighbours are compared, so one picture is held besides the one read.
    std::optional<RgbaImage> previous;
    QString previousFile;
    for (std::size_t k = 0; k < count; ++k) {
        if (search.stopRequested && search.stopRequested()) {
            pool.cancel();
            return std::nullopt;
        }
        const ConversionPool::FrameResult frame = pool.waitFor(k);
        std::optional<RgbaImage> picture;
        if (!frame.gif.isEmpty() && frame.gif == previousFile && previous) {
            picture = std::move(previous);  // the same cache file: the same frame
            repeats[k] = true;
        } else if (!frame.gif.isEmpty()) {
            if (Result<RgbaImage> read = readConvertedPicture(frame.gif))
                picture = std::move(read.value());
            repeats[k] = picture && previous && picture->width == previous->width &&
                         picture->height == previous->height && picture->pixels == previous->pixels;
        }
        previous = std::move(picture);
        previousFile = frame.gif;
        if (search.frameCompared)
            search.frameCompared(k + 1);
    }
    return repeats;
}

}  // namespace pictoreel
