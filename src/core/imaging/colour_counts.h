// A value for each of a few thousand packed 24-bit colours: open addressing in a table of at
// least half as many slots again, so a look-up is a multiply and mostly one probe, without the node
// allocation of a standard hash map. The pictures of few colours are told by counting theirs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictoreel {

template <class Value>
class ColourCounts {
public:
    // Room for `most` colours (at most 2^30).
    explicit ColourCounts(std::size_t most)
    {
        while (std::size_t(1) << bits_ < most + most / 2)
            ++bits_;
        keys_.assign(std::size_t(1) << bits_, kEmpty);
        values_.resize(keys_.size());
    }

    // The value of `colour` (below 2^24), value-initialised when the colour is new; `added` tells
    // which. Adding more colours than there is room for is the caller's error.
    Value& at(std::uint32_t colour, bool& added)
    {
        const std::size_t mask = keys_.size() - 1;
        for (std::size_t slot = (colour * 2654435761u) >> (32 - bits_);; slot = (slot + 1) & mask) {
            if (keys_[slot] == colour) {
                added = false;
                return values_[slot];
            }
            if (keys_[slot] == kEmpty) {
                keys_[slot] = colour;
                ++size_;
                added = true;
                return values_[slot];
            }
        }
    }
    Value& operator[](std::uint32_t colour)
    {
        bool added = false;
        return at(colour, added);
    }
    // The value of `colour`, or null.
    const Value* find(std::uint32_t colour) const
    {
        const std::size_t mask = keys_.size() - 1;
        for (std::size_t slot = (colour * 2654435761u) >> (32 - bits_);; slot = (slot + 1) & mask) {
            if (keys_[slot] == colour)
                return &values_[slot];
            if (keys_[slot] == kEmpty)
                return nullptr;
        }
    }

    std::size_t size() const { return size_; }

    // Calls f(colour, value) for every colour, in no particular order.
    template <class F>
    void forEach(F&& f) const
    {
        for (std::size_t slot = 0; slot < keys_.size(); ++slot)
            if (keys_[slot] != kEmpty)
                f(keys_[slot], values_[slot]);
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    int bits_ = 4;
    std::size_t size_ = 0;
    std::vector<std::uint32_t> keys_;
    std::vector<Value> values_;
};

}  // namespace pictoreel
