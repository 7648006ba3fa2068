#include "core/imaging/composite.h"

namespace pictoreel {

RgbaImage compositeOverColour(const RgbaImage& image, std::int32_t colour)
{
    const Rgb back = rgbFromColorRef(colour);
    RgbaImage out(image.width, image.height);
    for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        const unsigned a = image.pixels[i + 3];
        auto blend = [a](unsigned fg, unsigned bg) { return static_cast<std::uint8_t>((fg * a + bg * (255 - a) + 127) / 255); };
        out.pixels[i] = blend(image.pixels[i], back.r);
        out.pixels[i + 1] = blend(image.pixels[i + 1], back.g);
        out.pixels[i + 2] = blend(image.pixels[i + 2], back.b);
        out.pixels[i + 3] = 255;
    }
    return out;
}

}  // namespace pictoreel
