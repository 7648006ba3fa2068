#include "core/animation/picture.h"

#include <cstring>

namespace pictoreel::animation {

Rect changedBox(const Picture& a, const Picture& b, std::size_t& keptInRuns)
{
    Rect box{a.width, a.height, 0, 0};
    keptInRuns = 0;
    auto keep = [&](int run) { keptInRuns += run >= kKeptRun ? static_cast<std::size_t>(run) : 0; };
    const std::size_t rowBytes = static_cast<std::size_t>(a.width) * sizeof(Pixel);
    for (int y = 0; y < a.height; ++y) {
        const Pixel* ra = a.row(y);
        const Pixel* rb = b.row(y);
        if (std::memcmp(ra, rb, rowBytes) == 0) {
            keep(a.width);
            continue;
        }
        int first = 0;
        while (ra[first] == rb[first])
            ++first;
        int last = a.width - 1;
        while (ra[last] == rb[last])
            --last;
        keep(first);
        keep(a.width - 1 - last);
        int run = 0;
        for (int x = first; x <= last; ++x) {
            if (ra[x] != rb[x]) {
                keep(run);
                run = 0;
            } else {
                ++run;
            }
        }
        box.left = std::min(box.left, first);
        box.right = std::max(box.right, last + 1);
        box.top = std::min(box.top, y);
        box.bottom = y + 1;
    }
    return box.empty() ? Rect{} : box;
}

}  // namespace pictoreel::animation
