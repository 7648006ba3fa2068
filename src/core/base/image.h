// Pictures in memory, as the media code passes them between its steps.
#pragma once

#include <cstdint>
#include <vector>

namespace pictoreel {

// Colours are 24-bit RGB held in a 32-bit integer in 0x00BBGGRR order (white is 16777215),
// the form stored in project files and list columns.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline Rgb rgbFromColorRef(std::int32_t bgr)
{
    const auto v = static_cast<std::uint32_t>(bgr);
    return Rgb{static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
               static_cast<std::uint8_t>((v >> 16) & 0xFF)};
}

inline std::int32_t colorRefFromRgb(Rgb c)
{
    return static_cast<std::int32_t>(c.r | (c.g << 8) | (c.b << 16));
}

// 8-bit RGBA, not premultiplied, rows top to bottom without padding.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes

    RgbaImage() = default;
    RgbaImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 4, 0) {}
    bool empty() const { return width <= 0 || height <= 0; }
    std::uint8_t* pixel(int x, int y) { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
    const std::uint8_t* pixel(int x, int y) const
    {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

// A palette picture as a GIF stores it: one byte per pixel indexing up to 256 colours.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;  // width * height
    std::vector<Rgb> palette;           // 1..256 entries
    int transparentIndex = -1;          // -1: no transparent colour
    // Every pixel has its picture's own colour: the picture had few enough colours to need no
    // reduction.
    bool coloursExact = false;
};

}  // namespace pictoreel
