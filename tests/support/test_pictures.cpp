#include "support/test_pictures.h"

#include "core/base/replacing_file.h"
#include "core/imaging/bmp_writer.h"
#include "core/media/imaging_component.h"

#include <gtest/gtest.h>

namespace pictoreel::testing {

RgbaImage makePicture(int width, int height, const std::function<Rgb(int x, int y)>& colour)
{
    RgbaImage picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            std::uint8_t* p = picture.pixel(x, y);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = 255;
        }
    }
    return picture;
}

RgbaImage solidPicture(int width, int height, Rgb colour, std::uint8_t alpha)
{
    RgbaImage picture = makePicture(width, height, [colour](int, int) { return colour; });
    for (std::size_t i = 3; i < picture.pixels.size(); i += 4)
        picture.pixels[i] = alpha;
    return picture;
}

void writeBmp(const QString& path, const RgbaImage& picture)
{
    const auto bytes = encodeBmp24(picture);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message.toStdString();
    const Status written = writeFileAtomically(path, bytes.value());
    ASSERT_TRUE(written.ok()) << written.error().message.toStdString();
}

}  // namespace pictoreel::testing
