// Colour profiles (ICC) carried by pictures.
#pragma once

#include <cstddef>

namespace pictoreel {

// Whether a picture carrying the ICC profile `data` must be converted through it to come out
// right: true for a readable profile that is not one of the many descriptions of sRGB itself
// (which every picture without a profile is taken to be). A profile that cannot be read leaves
// the picture's stored colours as they are, so it needs no conversion either.
bool profileNeedsConversion(const void* data, std::size_t size);

}  // namespace pictoreel
