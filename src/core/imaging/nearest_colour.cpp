#include "core/imaging/nearest_colour.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace pictoreel {

int NearestColour::find(int r, int g, int b)
{
    const int cell = ((r >> kShift) << (2 * kCellSideBits)) | ((g >> kShift) << kCellSideBits) | (b >> kShift);
    if (first_[std::size_t(cell)] == kUnbuilt)
        build(cell);
    const std::uint8_t* candidate = candidates_.data() + first_[std::size_t(cell)];
    const std::uint8_t* end = candidate + count_[std::size_t(cell)];
    int best = *candidate;
    int bestDistance = std::numeric_limits<int>::max();
    for (; candidate != end; ++candidate) {
        const Rgb& e = palette_[*candidate];
        const int dr = e.r - r, dg = e.g - g, db = e.b - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = *candidate;
        }
    }
    return best;
}

NearestColour::NearestColour(const std::vector<Rgb>& palette) : palette_(palette)
{
    first_.fill(kUnbuilt);
    for (std::size_t i = 0; i < std::min<std::size_t>(palette.size(), 256); ++i) {
        channels_[0][i] = palette[i].r;
        channels_[1][i] = palette[i].g;
        channels_[2][i] = palette[i].b;
    }
}

void NearestColour::build(int cell)
{
    const int lo[3] = {(cell >> (2 * kCellSideBits)) << kShift, ((cell >> kCellSideBits) & 15) << kShift,
                       (cell & 15) << kShift};
    constexpr int span = (1 << kShift) - 1;
    const std::size_t size = std::min<std::size_t>(palette_.size(), 256);
    // For every entry, the least and the most squared distance to a colour of the cell.
    std::array<int, 256> nearestPossible{}, farthest{};
    for (int c = 0; c < 3; ++c) {
        const int low = lo[c], high = lo[c] + span;
        const int* v = channels_[std::size_t(c)].data();
        for (std::size_t i = 0; i < size; ++i) {
            const int gap = std::max({low - v[i], v[i] - high, 0});
            const int far = std::max(v[i] - low, high - v[i]);
            nearestPossible[i] += gap * gap;
            farthest[i] += far * far;
        }
    }
    const int reachAll = size == 0 ? 0 : *std::min_element(farthest.begin(), farthest.begin() + std::ptrdiff_t(size));
    first_[std::size_t(cell)] = static_cast<std::uint32_t>(candidates_.size());
    for (std::size_t i = 0; i < size; ++i)
        if (nearestPossible[i] <= reachAll)
            candidates_.push_back(static_cast<std::uint8_t>(i));
    count_[std::size_t(cell)] = static_cast<std::uint16_t>(candidates_.size() - first_[std::size_t(cell)]);
}

CellNearest::CellNearest(NearestColour& nearest, int bits) : nearest_(nearest), bits_(std::clamp(bits, 6, 7))
{
    thread_local std::array<std::vector<std::uint16_t>, 2> tables;
    table_ = &tables[std::size_t(bits_ - 6)];
    if (table_->empty())
        table_->assign(std::size_t(1) << (3 * bits_), kEmpty);
}

CellNearest::~CellNearest()
{
    for (int key : touched_)
        (*table_)[std::size_t(key)] = kEmpty;
}

std::uint16_t CellNearest::lookUp(int key)
{
    const int shift = 8 - bits_, half = 1 << (shift - 1), mask = (1 << bits_) - 1;
    touched_.push_back(key);
    const int r = key >> (2 * bits_), g = (key >> bits_) & mask, b = key & mask;
    return static_cast<std::uint16_t>(nearest_.find((r << shift) + half, (g << shift) + half, (b << shift) + half));
}

}  // namespace pictoreel
