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
    // The nearest entry and the next nearest (the same entry for a palette of one).
    std::pair<int, int> findTwo(int r, int g, int b);
    const std::vector<Rgb>& palette() const { return palette_; }

private:
    static constexpr int kCellSideBits = 4;
    static constexpr int kShift = 8 - kCellSideBits;
    static constexpr std::uint32_t kUnbuilt = 0xFFFFFFFFu;

    void build(int cell);
    std::pair<const std::uint8_t*, const std::uint8_t*> candidates(int r, int g, int b);

    const std::vector<Rgb>& palette_;
    std::array<std::array<int, 256>, 3> channels_{};  // the palette by channel, for the cell search
    std::array<std::uint32_t, 1u << (3 * kCellSideBits)> first_;
    std::array<std::uint16_t, 1u << (3 * kCellSideBits)> count_{};
    std::vector<std::uint8_t> candidates_;
};

// Nearest entries by colour cell, the top 6 bits of each channel: the two entries nearest to the
// cell's centre are looked up once per cell a picture uses, and a colour of the cell takes the
// nearer of those two. One search per cell instead of one per colour, and a table small enough to
// stay in the processor's cache; a colour far from its cell's centre may miss its nearest entry
// by a level or two. One table per thread, emptied by the destructor.
class CellNearest {
public:
    explicit CellNearest(NearestColour& nearest);
    ~CellNearest();
    CellNearest(const CellNearest&) = delete;
    CellNearest& operator=(const CellNearest&) = delete;

    std::uint8_t find(int r, int g, int b)
    {
        constexpr int shift = 8 - kBits;
        const int key = ((r >> shift) << (2 * kBits)) | ((g >> shift) << kBits) | (b >> shift);
        std::uint16_t& entry = (*table_)[std::size_t(key)];
        if (entry == kEmpty)
            entry = lookUp(key);
        const int first = entry & 0xFF, second = entry >> 8;
        if (first == second)
            return static_cast<std::uint8_t>(first);
        const Rgb& a = palette_[std::size_t(first)];
        const Rgb& c = palette_[std::size_t(second)];
        return static_cast<std::uint8_t>(distance(a, r, g, b) <= distance(c, r, g, b) ? first : second);
    }

private:
    static constexpr int kBits = 6;
    static constexpr std::uint16_t kEmpty = 0xFFFF;  // never stored as a pair (see lookUp)
    static int distance(const Rgb& e, int r, int g, int b)
    {
        const int dr = e.r - r, dg = e.g - g, db = e.b - b;
        return dr * dr + dg * dg + db * db;
    }
    std::uint16_t lookUp(int key);

    NearestColour& nearest_;
    const std::vector<Rgb>& palette_;
    std::vector<std::uint16_t>* table_;
    std::vector<int> touched_;
};

}  // namespace pictoreel
