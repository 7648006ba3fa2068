// The nearest palette entry for a colour: squared RGB distance, the lower index on ties.
#pragma once

#include "core/base/image.h"

#include <array>
#include <cstdint>
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
    const std::vector<Rgb>& palette() const { return palette_; }

private:
    static constexpr int kCellSideBits = 4;
    static constexpr int kShift = 8 - kCellSideBits;
    static constexpr std::uint32_t kUnbuilt = 0xFFFFFFFFu;

    void build(int cell);

    const std::vector<Rgb>& palette_;
    std::array<std::array<int, 256>, 3> channels_{};  // the palette by channel, for the cell search
    std::array<std::uint32_t, 1u << (3 * kCellSideBits)> first_;
    std::array<std::uint16_t, 1u << (3 * kCellSideBits)> count_{};
    std::vector<std::uint8_t> candidates_;
};

// Nearest entries by colour cell, the top `bits` (6 or 7) of each channel: every colour of a
// cell takes the entry nearest to the cell's centre. One search per cell a picture uses instead
// of one per colour, for at most a level or two of extra error where two entries meet. One
// table per thread and size, emptied by the destructor.
class CellNearest {
public:
    CellNearest(NearestColour& nearest, int bits);
    ~CellNearest();
    CellNearest(const CellNearest&) = delete;
    CellNearest& operator=(const CellNearest&) = delete;

    std::uint8_t find(int r, int g, int b)
    {
        const int shift = 8 - bits_;
        const int key = ((r >> shift) << (2 * bits_)) | ((g >> shift) << bits_) | (b >> shift);
        std::uint16_t& entry = (*table_)[std::size_t(key)];
        if (entry == kEmpty)
            entry = lookUp(key);
        return static_cast<std::uint8_t>(entry);
    }

private:
    static constexpr std::uint16_t kEmpty = 0xFFFF;
    std::uint16_t lookUp(int key);

    NearestColour& nearest_;
    int bits_;
    std::vector<std::uint16_t>* table_;
    std::vector<int> touched_;
};

}  // namespace pictoreel
