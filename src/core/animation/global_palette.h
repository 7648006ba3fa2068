// The global colour table, which later frames use instead of a table of their own.
#pragma once

#include "core/animation/candidate.h"
#include "core/animation/palette.h"

#include <optional>
#include <vector>

namespace pictoreel::animation {

// The global colour table, which later frames use instead of a table of their own wherever their
// colours are all in it.
class GlobalPalette {
public:
    explicit GlobalPalette(std::vector<Rgb> palette);
    const std::vector<Rgb>& palette() const { return palette_; }

    // `local` with its indices into the global table, when every colour it uses is there.
    // `limitBytes`: counting stops once the remapped image codes larger than this.
    std::optional<Candidate> remap(const Candidate& local, std::size_t limitBytes) const;

private:
    std::vector<Rgb> palette_;
    int tableSize_ = 2;
    ColourIndex index_;
};

// An image stored whole, copied as it is (with the global table when it is that very table).
Candidate copiedCandidate(const std::shared_ptr<const GifStoredImage>& stored, const GlobalPalette* global);

}  // namespace pictoreel::animation
