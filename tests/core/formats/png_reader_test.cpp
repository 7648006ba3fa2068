// Our PNG reader against ImageMagick's, which read every PNG before it: the same pixels for every
// colour type and depth ImageMagick writes, and the pictures it must hand back to ImageMagick.
#include <gtest/gtest.h>

#include "core/formats/apng_writer.h"
#include "core/formats/png_reader.h"

#include <QByteArray>

#include <Magick++.h>

using namespace pictoreel;

namespace {

// A picture with every kind of content the writers distinguish: smooth colour, grey, and
// transparent and half-transparent pixels.
Magick::Image sample(bool grey, bool alpha)
{
    const int w = 37, h = 23;
    std::vector<std::uint16_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = (x * 1771 + y * 2903) % 65536;
            pixels.push_back(std::uint16_t(v));
            pixels.push_back(std::uint16_t(grey ? v : (y * 2851) % 65536));
            pixels.push_back(std::uint16_t(grey ? v : (x * 997 + 31) % 65536));
            pixels.push_back(std::uint16_t(!alpha ? 65535 : x < 5 ? 0 : x < 9 ? 32768 : 65535));
        }
    Magick::Image image(std::size_t(w), std::size_t(h), "RGBA", Magick::ShortPixel, pixels.data());
    image.matte(alpha);
    return image;
}

QByteArray writePng(Magick::Image image, const char* format, bool interlaced)
{
    image.magick(format);
    if (interlaced)
        image.interlaceType(Magick::PlaneInterlace);
    Magick::Blob blob;
    image.write(&blob);
    return QByteArray(static_cast<const char*>(blob.data()), qsizetype(blob.length()));
}

std::vector<std::uint8_t> rgbaWithImageMagick(const QByteArray& png)
{
    Magick::Image image;
    image.read(Magick::Blob(png.constData(), std::size_t(png.size())));
    std::vector<std::uint8_t> out(image.columns() * image.rows() * 4);
    image.write(0, 0, image.columns(), image.rows(), "RGBA", Magick::CharPixel, out.data());
    return out;
}

}  // namespace

TEST(PngReader, ReadsWhatImageMagickReads)
{
    Magick::InitializeMagick(nullptr);
    struct Case {
        const char* format;
        bool grey, alpha, interlaced;
    };
    // Palette (with and without transparency), 8 and 16-bit colour and grey, with and without
    // alpha, and Adam7 interlacing.
    const Case cases[] = {{"PNG8", false, false, false}, {"PNG8", false, true, false}, {"PNG24", false, false, false},
                          {"PNG32", false, true, true},  {"PNG48", false, false, false}, {"PNG64", false, true, false},
                          {"PNG", true, false, false},   {"PNG", true, true, true}};
    for (const Case& c : cases) {
        const QByteArray png = writePng(sample(c.grey, c.alpha), c.format, c.interlaced);
        const std::optional<RgbaImage> ours = readCommonPng(png);
        ASSERT_TRUE(ours) << c.format << c.grey << c.alpha;
        EXPECT_EQ(ours->width, 37);
        EXPECT_EQ(ours->height, 23);
        EXPECT_EQ(ours->pixels, rgbaWithImageMagick(png)) << c.format << c.grey << c.alpha << c.interlaced;
    }
}

TEST(PngReader, HandsOnDamagedAndTurnedPictures)
{
    Magick::InitializeMagick(nullptr);
    const QByteArray png = writePng(sample(false, false), "PNG24", false);
    EXPECT_FALSE(readCommonPng(png.left(png.size() - 30)));  // cut inside its data
    EXPECT_FALSE(readCommonPng(QByteArray("\x89PNG\r\n\x1A\n", 8)));
    QByteArray broken = png;
    broken[30] = char(broken[30] ^ 0x55);  // a wrong checksum on the header chunk (bytes 29-32)
    EXPECT_FALSE(readCommonPng(broken));
    // An EXIF chunk may carry an orientation: ImageMagick reads those.
    const QByteArray exif = pngChunk("eXIf", QByteArray("MM\0\x2A\0\0\0\x08\0\0", 10));
    const qsizetype end = png.size() - 12;  // before IEND
    EXPECT_FALSE(readCommonPng(png.left(end).append(exif).append(png.mid(end))));
    const QByteArray text = pngChunk("tEXt", QByteArray("Comment\0made here", 17));
    EXPECT_TRUE(readCommonPng(png.left(end).append(text).append(png.mid(end))));
}
