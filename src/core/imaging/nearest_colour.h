// The nearest palette entry for a colour: squared RGB distance, the lower index on ties.
#pragma once

#include "core/base/image.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace pictoreel {

// The colour cube is cut into cells of 16 x 16 x 16 colours. The first look-up in a cell lists
// the entries that can be nearest to some colour of it: those no farther from the cell than the
// smallest distance within which some entry reaches the whole cell. Later look-ups there only
// compare those few, in palette order, so ties go to the lower index.
class NearestColour {
public:
    explicit NearestColour(const std::vector<Rgb>& palette);

    int find(int r, int g, int b);
    // The four nearest entries, nearest first (repeating the last one found when the palette
    // has fewer candidates near the colour).
    std::array<int, 4> findFour(int r, int g, int b);
    const std::vector<Rgb>& palette() const { return palette_; }

private:
    static constexpr int kCellSideBits = 4;
    static constexpr int kShift = 8 - kCellSideBits;
    static constexpr std::uint32_t kUnbuilt = 0xFFFFFFFFu;

    void build(int cell);
    template <std::size_t N>
    std::array<int, N> findNearest(int r, int g, int b);
    std::pair<const std::uint8_t*, const std::uint8_t*> candidates(int r, int g, int b);

    const std::vector<Rgb>& palette_;
    std::array<std::array<int, 256>, 3> channels_{};  // the palette by channel, for the cell search
    std::array<std::uint32_t, 1u << (3 * kCellSideBits)> first_;
    std::array<std::uint16_t, 1u << (3 * kCellSideBits)> count_{};
    std::vector<std::uint8_t> candidates_;
    // The candidates' colours by channel, beside candidates_, for a loop the compiler vectorises.
    std::vector<std::int32_t> candidateR_, candidateG_, candidateB_;
};

// Nearest entries by colour cell, the top 5 bits of each channel: the four entries nearest to
// the cell's centre are looked up once per cell a picture uses, and a colour of the cell takes
// the nearest of those four. One search per cell instead of one per colour, and a table small
// enough to stay in the processor's cache; a colour far from its cell's centre may, rarely, miss
// its nearest entry by a level or two. One table per thread, emptied by the destructor.
class CellNearest {
public:
    explicit CellNearest(NearestColour& nearest);
    ~CellNearest();
    CellNearest(const CellNearest&) = delete;
    CellNearest& operator=(const CellNearest&) = delete;

    std::uint8_t find(int r, int g, int b)
    {
        int distance = 0;
        return find(r, g, b, distance);
    }

    // The same, with the entry's squared distance from (r, g, b).
    std::uint8_t find(int r, int g, int b, int& distanceOut)
    {
        constexpr int shift = 8 - kBits;
        const int key = ((r >> shift) << (2 * kBits)) | ((g >> shift) << kBits) | (b >> shift);
        std::uint32_t& entry = (*table_)[std::size_t(key)];
        if (entry == kEmpty)
            entry = lookUp(key);
        // The four in order of their distance from the centre; the first wins ties.
        int best = int(entry & 0xFF), bestDistance = distance(best, r, g, b);
        for (int shiftBy = 8; shiftBy < 32; shiftBy += 8) {
            const int other = int(entry >> shiftBy & 0xFF);
            const int d = distance(other, r, g, b);
            if (d < bestDistance) {
                bestDistance = d;
                best = other;
            }
        }
        distanceOut = bestDistance;
        return static_cast<std::uint8_t>(best);
    }

private:
    static constexpr int kBits = 5;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // never stored as four entries (see lookUp)
    int distance(int entry, int r, int g, int b) const
    {
        const Rgb& e = palette_[std::size_t(entry)];
        const int dr = e.r - r, dg = e.g - g, db = e.b - b;
        return dr * dr + dg * dg + db * db;
    }
    std::uint32_t lookUp(int key);

    NearestColour& nearest_;
    const std::vector<Rgb>& palette_;
    std::vector<std::uint32_t>* table_;
    std::vector<int> touched_;
};

}  // namespace pictoreel
