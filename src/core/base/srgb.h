// The sRGB transfer curve, for pictures that store linear light (32-bit Photoshop files).
#pragma once

#include <algorithm>
#include <cmath>

namespace pictoreel {

// Linear light 0..1 (clamped) to its sRGB encoding 0..1.
inline double srgbFromLinear(double v)
{
    v = std::clamp(v, 0.0, 1.0);
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

}  // namespace pictoreel
