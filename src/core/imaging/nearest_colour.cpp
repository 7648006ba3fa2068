#include "core/imaging/nearest_colour.h"

#include "core/imaging/wide_vectors.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace pictoreel {

std::pair<const std::uint8_t*, const std::uint8_t*> NearestColour::candidates(int r, int g, int b)
{
    const int cell = ((r >> kShift) << (2 * kCellSideBits)) | ((g >> kShift) << kCellSideBits) | (b >> kShift);
    if (first_[std::size_t(cell)] == kUnbuilt)
        build(cell);
    const std::uint8_t* first = candidates_.data() + first_[std::size_t(cell)];
    return {first, first + count_[std::size_t(cell)]};
}

template <std::size_t N>
std::array<int, N> NearestColour::findNearest(int r, int g, int b)
{
    // The entries nearest to a colour of the cell are among the cell's candidates whenever
    // they are nearest to some colour of the cell, which is when they matter.
    auto [candidate, end] = candidates(r, g, b);
    std::array<int, N> nearest;
    nearest.fill(*candidate);
    std::array<int, N> distances;
    distances.fill(std::numeric_limits<int>::max());
    for (; candidate != end; ++candidate) {
        const Rgb& e = palette_[*candidate];
        const int dr = e.r - r, dg = e.g - g, db = e.b - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d >= distances[N - 1])
            continue;
        // Insert in order; an equal distance goes after, so the lower index stays first.
        std::size_t place = N - 1;
        while (place > 0 && d < distances[place - 1]) {
            distances[place] = distances[place - 1];
            nearest[place] = nearest[place - 1];
            --place;
        }
        distances[place] = d;
        nearest[place] = *candidate;
    }
    // Fewer candidates than asked for: repeat the last one found.
    for (std::size_t i = 1; i < N; ++i)
        if (distances[i] == std::numeric_limits<int>::max())
            nearest[i] = nearest[i - 1];
    return nearest;
}

namespace {

// Where among `n` (at least one) colours, given by channel, the first nearest to (r, g, b) is.
PICTOREEL_WIDE_VECTORS std::size_t firstNearest(const std::int32_t* reds, const std::int32_t* greens,
                                                const std::int32_t* blues, std::size_t n, int r, int g, int b)
{
    std::int32_t distances[256];
    std::int32_t least = std::numeric_limits<std::int32_t>::max();
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t dr = reds[i] - r, dg = greens[i] - g, db = blues[i] - b;
        distances[i] = dr * dr + dg * dg + db * db;
        least = std::min(least, distances[i]);
    }
    std::size_t first = 0;
    while (distances[first] != least)
        ++first;
    return first;
}

}  // namespace

int NearestColour::find(int r, int g, int b)
{
    const int cell = ((r >> kShift) << (2 * kCellSideBits)) | ((g >> kShift) << kCellSideBits) | (b >> kShift);
    if (first_[std::size_t(cell)] == kUnbuilt)
        build(cell);
    const std::size_t first = first_[std::size_t(cell)];
    // The candidates are in palette order: the first nearest is the lowest index.
    return candidates_[first + firstNearest(candidateR_.data() + first, candidateG_.data() + first,
                                            candidateB_.data() + first, count_[std::size_t(cell)], r, g, b)];
}

std::array<int, 4> NearestColour::findFour(int r, int g, int b)
{
    return findNearest<4>(r, g, b);
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

namespace {

// For each of the first `size` entries (by channel), the least squared distance to a colour of
// the box from `low` to `low` + `span` on each channel; returns the least of the entries' largest
// such distances, within which some entry reaches the whole box.
PICTOREEL_WIDE_VECTORS int reachOfBox(const std::array<std::array<int, 256>, 3>& channels, std::size_t size,
                                      const int (&low)[3], int span, std::array<int, 256>& nearestPossible)
{
    std::array<int, 256> farthest{};
    for (int c = 0; c < 3; ++c) {
        const int from = low[c], to = low[c] + span;
        const int* v = channels[std::size_t(c)].data();
        for (std::size_t i = 0; i < size; ++i) {
            const int gap = std::max({from - v[i], v[i] - to, 0});
            const int far = std::max(v[i] - from, to - v[i]);
            nearestPossible[i] += gap * gap;
            farthest[i] += far * far;
        }
    }
    // The value, not where it is: a loop the compiler vectorises.
    int reachAll = size == 0 ? 0 : std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < size; ++i)
        reachAll = std::min(reachAll, farthest[i]);
    return reachAll;
}

}  // namespace

void NearestColour::build(int cell)
{
    const int lo[3] = {(cell >> (2 * kCellSideBits)) << kShift, ((cell >> kCellSideBits) & 15) << kShift,
                       (cell & 15) << kShift};
    const std::size_t size = std::min<std::size_t>(palette_.size(), 256);
    std::array<int, 256> nearestPossible{};
    const int reachAll = reachOfBox(channels_, size, lo, (1 << kShift) - 1, nearestPossible);
    first_[std::size_t(cell)] = static_cast<std::uint32_t>(candidates_.size());
    for (std::size_t i = 0; i < size; ++i)
        if (nearestPossible[i] <= reachAll) {
            candidates_.push_back(static_cast<std::uint8_t>(i));
            candidateR_.push_back(palette_[i].r);
            candidateG_.push_back(palette_[i].g);
            candidateB_.push_back(palette_[i].b);
        }
    count_[std::size_t(cell)] = static_cast<std::uint16_t>(candidates_.size() - first_[std::size_t(cell)]);
}

CellNearest::CellNearest(NearestColour& nearest) : nearest_(nearest), palette_(nearest.palette())
{
    thread_local std::vector<std::uint32_t> table;
    table_ = &table;
    if (table_->empty())
        table_->assign(std::size_t(1) << (3 * kBits), kEmpty);
}

CellNearest::~CellNearest()
{
    for (int key : touched_)
        (*table_)[std::size_t(key)] = kEmpty;
}

std::uint32_t CellNearest::lookUp(int key)
{
    constexpr int shift = 8 - kBits, half = 1 << (shift - 1), mask = (1 << kBits) - 1;
    touched_.push_back(key);
    const int r = key >> (2 * kBits), g = (key >> kBits) & mask, b = key & mask;
    std::array<int, 4> four = nearest_.findFour((r << shift) + half, (g << shift) + half, (b << shift) + half);
    // Entry 255 alone nearest to the whole cell would read as an empty slot: pair it with 254,
    // which is then never nearer.
    if (four[0] == 255 && four[3] == 255)
        four[3] = 254;
    return std::uint32_t(four[0]) | std::uint32_t(four[1]) << 8 | std::uint32_t(four[2]) << 16 | std::uint32_t(four[3]) << 24;
}

}  // namespace pictoreel
