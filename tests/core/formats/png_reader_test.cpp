// Our PNG reader against ImageMagick's, which read every PNG before it: the same pixels for every
// colour type and depth ImageMagick writes, and the pictures it must hand back to ImageMagick.
#include <gtest/gtest.h>

#include "core/formats/apng_writer.h"
#include "core/formats/png_reader.h"
#include "core/formats/png_true_colour.h"
#include "core/formats/png_writer.h"

#include <QByteArray>

#include <Magick++.h>
#include <lcms2.h>

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

// `filter`: ImageMagick's PNG filter choice, 0 to 4 for that filter on every row, 5 for its
// choice row by row.
QByteArray writePng(Magick::Image image, const char* format, bool interlaced, int filter = 5)
{
    image.magick(format);
    image.quality(std::size_t(70 + filter));
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

namespace {

// The image data of a PNG written by ImageMagick (one or more IDAT chunks), inflated: the rows,
// each after its filter type.
QByteArray filteredRows(const QByteArray& png, int size)
{
    QByteArray deflated;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(png.constData() + at);
        const qsizetype length = qsizetype(p[0]) << 24 | qsizetype(p[1]) << 16 | qsizetype(p[2]) << 8 | p[3];
        if (png.mid(at + 4, 4) == "IDAT")
            deflated += png.mid(at + 8, length);
        at += length + 12;
    }
    const char sizeFirst[4] = {char(size >> 24), char(size >> 16), char(size >> 8), char(size)};
    return qUncompress(QByteArray(sizeFirst, 4) + deflated);
}

// The picture's signature and header, then `rows` deflated as its image data, and its end.
QByteArray withRows(const QByteArray& png, const QByteArray& rows, const QByteArray& beforeData = {})
{
    return png.left(33) + beforeData + pngChunk("IDAT", qCompress(rows).mid(4)) + pngChunk("IEND", {});
}

}  // namespace

TEST(PngReader, ReadsTrueColourRowsOfEveryFilterItself)
{
    Magick::InitializeMagick(nullptr);
    for (bool alpha : {false, true})
        for (int filter = 0; filter <= 5; ++filter) {
            const QByteArray png = writePng(sample(false, alpha), alpha ? "PNG32" : "PNG24", false, filter);
            const std::optional<RgbaImage> ours = readTrueColourPng(png);
            ASSERT_TRUE(ours) << alpha << filter;
            EXPECT_EQ(ours->pixels, rgbaWithImageMagick(png)) << alpha << filter;
        }
}

TEST(PngReader, LeavesEveryOtherPngToLibpng)
{
    Magick::InitializeMagick(nullptr);
    // Other kinds: a palette, 16 bits, interlaced, a transparent colour.
    EXPECT_FALSE(readTrueColourPng(writePng(sample(false, false), "PNG8", false)));
    EXPECT_FALSE(readTrueColourPng(writePng(sample(false, false), "PNG48", false)));
    EXPECT_FALSE(readTrueColourPng(writePng(sample(false, true), "PNG32", true)));
    const QByteArray png = writePng(sample(false, false), "PNG24", false);
    const QByteArray rows = filteredRows(png, 23 * (37 * 3 + 1));
    ASSERT_EQ(rows.size(), 23 * (37 * 3 + 1));
    ASSERT_TRUE(readTrueColourPng(withRows(png, rows)));
    const QByteArray transparentColour = pngChunk("tRNS", QByteArray(6, '\0'));
    EXPECT_FALSE(readTrueColourPng(withRows(png, rows, transparentColour)));
    EXPECT_TRUE(readCommonPng(withRows(png, rows, transparentColour)));

    // Out of the ordinary: the general reader decides, and refuses what is damaged.
    QByteArray badFilter = rows;
    badFilter[37 * 3 + 1] = 5;  // the second row's filter type
    QByteArray wrongChecksum = withRows(png, rows);
    wrongChecksum[wrongChecksum.size() - 13] = char(wrongChecksum[wrongChecksum.size() - 13] ^ 1);  // IDAT's
    for (const QByteArray& damaged : {withRows(png, badFilter), withRows(png, rows.left(rows.size() - 1)), wrongChecksum})
        EXPECT_FALSE(readTrueColourPng(damaged) || readCommonPng(damaged)) << damaged.size();
    EXPECT_FALSE(readTrueColourPng(withRows(png, rows + QByteArray(1, '\0'))));
}

namespace {

// A colour profile chunk holding `profile`, made by Little CMS.
QByteArray profileChunk(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray icc(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, icc.data(), &size);
    cmsCloseProfile(profile);
    return pngChunk("iCCP", QByteArray("ICC profile\0\0", 13) + qCompress(icc).mid(4));
}

}  // namespace

// sRGB's own profile changes nothing, so such pictures stay with our readers (ImageMagick reads
// PNGs one at a time); any other profile, or one that will not inflate, goes to ImageMagick.
TEST(PngReader, KeepsPicturesWhoseProfileIsSrgb)
{
    Magick::InitializeMagick(nullptr);
    const QByteArray srgb = profileChunk(cmsCreate_sRGBProfile());
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE wide{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};  // Adobe RGB's
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    const QByteArray other = profileChunk(cmsCreateRGBProfile(&white, &wide, curves));
    cmsFreeToneCurve(gamma);
    QByteArray damaged = srgb;
    damaged.truncate(damaged.size() - 40);
    damaged = pngChunk("iCCP", damaged.mid(8));

    const QByteArray trueColour = writePng(sample(false, false), "PNG24", false);
    const QByteArray rows = filteredRows(trueColour, 23 * (37 * 3 + 1));
    // A palette picture, read by libpng, with the profile before its palette.
    const QByteArray palette = writePng(sample(false, false), "PNG8", false);
    const auto withProfile = [&](const QByteArray& chunk) -> QByteArray {
        return palette.left(33) + chunk + palette.mid(33);
    };
    ASSERT_TRUE(readCommonPng(withProfile({})));

    EXPECT_TRUE(readTrueColourPng(withRows(trueColour, rows, srgb)));
    EXPECT_TRUE(readCommonPng(withProfile(srgb)));
    EXPECT_FALSE(readTrueColourPng(withRows(trueColour, rows, other)));
    EXPECT_FALSE(readCommonPng(withRows(trueColour, rows, other)));
    EXPECT_FALSE(readCommonPng(withProfile(other)));
    EXPECT_FALSE(readTrueColourPng(withRows(trueColour, rows, damaged)));
}

// Our writer's files hold every pixel as ImageMagick reads them back: colour alone when every pixel
// is opaque, colour and alpha otherwise, at widths of one pixel and more.
TEST(PngWriter, WritesEveryPixelAsImageMagickReadsIt)
{
    for (const bool alpha : {false, true})
        for (const int width : {1, 37}) {
            RgbaImage picture(width, 5);
            for (std::size_t i = 0; i < picture.pixels.size(); ++i)
                picture.pixels[i] = (i % 4 == 3) ? std::uint8_t(alpha ? i * 29 % 256 : 255) : std::uint8_t(i * 77 % 256);
            const Result<QByteArray> png = encodeFastPng(picture);
            ASSERT_TRUE(png.ok());
            EXPECT_EQ(png.value().at(25), alpha ? 6 : 2) << "the colour type";
            EXPECT_EQ(rgbaWithImageMagick(png.value()), picture.pixels) << alpha << width;
        }
    EXPECT_FALSE(encodeFastPng(RgbaImage()).ok());
}
