// The imaging component's operations as the program drives them: load, resize, save as GIF
// (with and without a transparent colour), BMP and JPEG, and the instance's state.
#include "support/results.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include "core/gif/gif_reader.h"
#include "core/imaging/bmp_writer.h"
#include "core/imaging/composite.h"
#include "core/media/imaging_component.h"
#include "core/media/magick_adapter.h"

#include <QColorSpace>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <utility>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

class ImagingComponentTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

    // Puts `picture` into the component through a lossless file, the way callers do.
    void loadInto(ImagingComponent& component, const RgbaImage& picture)
    {
        const QString file = path("source.bmp");
        ASSERT_TRUE(writeFileContents(file, encodeBmp24(picture).value()));
        ASSERT_TRUE(component.LoadImage(file).ok());
        ASSERT_EQ(component.ImageWidth(), picture.width);
    }

    // Saves the component's picture as a GIF: the picture it shows, and its image block as stored.
    std::pair<RgbaImage, GifStoredImage> savedGif(ImagingComponent& component, bool transparent, Rgb key)
    {
        const QString file = path("saved.gif");
        const Status saved = component.SaveGif(file, transparent, colorRefFromRgb(key));
        EXPECT_TRUE(saved.ok()) << (saved.ok() ? "" : saved.error().text().toStdString());
        const Result<DecodedGif> gif = decodeGifFile(file);
        const std::optional<GifStoredImage> stored = findFirstStoredImage(fileContents(file));
        EXPECT_TRUE(gif && stored && gif.value().frames.size() == 1u);
        return gif && stored ? std::pair(gif.value().frames[0].image, *stored) : std::pair(RgbaImage(), GifStoredImage());
    }

    QTemporaryDir dir_;
};

// A picture with a flat background of the key colour, flat shapes (one a step from the key) and
// a few stray pixels.
RgbaImage fewColourPicture(Rgb key)
{
    RgbaImage img = solidPicture(40, 30, key);
    fillRect(img, 5, 5, 15, 20, Rgb{200, 10, 10});
    fillRect(img, 22, 10, 13, 10, Rgb{key.r, key.g, std::uint8_t(key.b ^ 1)});
    setPixel(img, 0, 0, Rgb{0, 0, 0});
    setPixel(img, 39, 29, Rgb{255, 255, 255});
    return img;
}

// A smooth picture with thousands of colours, and a rectangle of the key colour.
RgbaImage photoLikePicture(Rgb key)
{
    RgbaImage img = makePicture(96, 64, [](int x, int y) {
        return Rgb{std::uint8_t(x * 255 / 95), std::uint8_t(y * 255 / 63),
                   std::uint8_t(128 + 100 * std::sin(x / 7.0) * std::cos(y / 5.0))};
    });
    fillRect(img, 30, 20, 30, 20, key);
    return img;
}

// Exactly the pixels of the key colour become transparent, in pictures of few and of many colours;
// up to 256 distinct colours (255 and the key with transparency on) are stored exactly.
TEST_F(ImagingComponentTest, SaveGifMakesExactlyTheKeyColourTransparent)
{
    const RgbaImage full = makePicture(16, 16, [](int x, int y) {
        const int i = 16 * y + x;
        return Rgb{std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)};
    });
    const Rgb key{0, 255, 0};
    // The picture, whether it has a transparent colour, the key, whether it is stored exactly.
    const std::tuple<RgbaImage, bool, Rgb, bool> cases[] = {
        {fewColourPicture(key), true, key, true},   {fewColourPicture(key), false, key, true}, {photoLikePicture(key), true, key, false},
        {photoLikePicture(key), false, key, false}, {full, false, key, true},                  {full, true, colourAt(full, 0, 0), true}};
    for (const auto& [picture, transparent, caseKey, lossless] : cases) {
        SCOPED_TRACE(std::to_string(picture.width) + (transparent ? " transparent" : " opaque"));
        ImagingComponent component;
        loadInto(component, picture);
        const auto [shown, stored] = savedGif(component, transparent, caseKey);
        ASSERT_EQ(std::pair(shown.width, shown.height), std::pair(picture.width, picture.height));
        ASSERT_EQ(stored.transparentIndex >= 0, transparent);
        EXPECT_TRUE(!transparent || stored.palette.at(std::size_t(stored.transparentIndex)) == caseKey);
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x) {
                const bool isKey = transparent && colourAt(picture, x, y) == caseKey;
                ASSERT_EQ(shown.pixel(x, y)[3] == 0, isKey) << x << "," << y;
                if (lossless && !isKey) {
                    ASSERT_EQ(colourAt(shown, x, y), colourAt(picture, x, y)) << x << "," << y;
                }
            }
        // Many colours are quantised close to the source (a fixed 3-3-2 palette gets about 25 dB).
        EXPECT_GT(psnr(compositeOverColour(shown, colorRefFromRgb(caseKey)), picture), 29.0);
    }
}

// With a transparent colour, the more opaque half of the pixels keeps its own colours and the
// rest is transparent: nothing is tinted with the key. Without one, alpha is shown over white,
// whatever colour the frame keeps for transparency.
TEST_F(ImagingComponentTest, AlphaIsShownOrTransparentWithAKeyAndOverWhiteWithout)
{
    const Rgb key{10, 20, 250};
    // PNG with alpha: transparent pixels of any colour, half-transparent red, opaque white.
    ImagingComponent component;
    ASSERT_TRUE(component.LoadImage(sharedData("pngsuite/png/basn6a08.png")).ok());
    const RgbaImage& source = component.image();
    for (const bool keyed : {true, false}) {
        SCOPED_TRACE(keyed);
        const RgbaImage shown = savedGif(component, keyed, key).first;
        ASSERT_EQ(shown.width, source.width);
        int transparent = 0, partial = 0;
        for (int y = 0; y < source.height; ++y)
            for (int x = 0; x < source.width; ++x) {
                const std::uint8_t* p = source.pixel(x, y);
                const auto over = [p](int i) { return std::uint8_t((p[i] * p[3] + 255 * (255 - p[3]) + 127) / 255); };
                const bool hidden = keyed && (p[3] < 128 || Rgb{p[0], p[1], p[2]} == key);
                ASSERT_EQ(shown.pixel(x, y)[3] == 0, hidden) << x << "," << y;
                const Rgb expected = keyed ? Rgb{p[0], p[1], p[2]} : Rgb{over(0), over(1), over(2)}, got = colourAt(shown, x, y);
                // basn6a08 has more than 256 colours: quantised, so close rather than equal.
                EXPECT_TRUE(hidden || std::abs(got.r - expected.r) + std::abs(got.g - expected.g) + std::abs(got.b - expected.b) <= 48)
                    << x << "," << y;
                transparent += hidden;
                partial += p[3] > 0 && p[3] < 255 && !hidden;
            }
        EXPECT_TRUE((transparent > 0) == keyed && partial > 0);
    }
}

// Without a picture nothing is saved nor scaled; a failed load drops the previous picture (the
// save that follows in a conversion fails); refused arguments and unwritable places leave the
// picture as it was and create nothing; pictures larger than ImageMagick accepts never reach it.
TEST_F(ImagingComponentTest, RefusedAndFailedOperationsNeverSaveAStalePicture)
{
    ImagingComponent component;
    int changes = 0;
    component.setChangedHandler([&] { ++changes; });
    for (const Status& s : {component.ResizeImage(10, 10), component.SaveGif(path("a.gif"), false, 0), component.SaveBmp(path("a.bmp")),
                            component.SaveJpeg(path("a.jpg"))})
        EXPECT_EQ(codeOf(s), ErrorCode::EmptyImage);
    EXPECT_FALSE(QFile::exists(path("a.gif")));

    loadInto(component, solidPicture(20, 20, Rgb{1, 2, 3}));
    EXPECT_GT(changes, 0);
    for (const auto& [w, h, code] : {std::tuple{0, 10, ErrorCode::InvalidArgument}, {10, -1, ErrorCode::InvalidArgument},
                                     {kLimits.maxSide + 1, 10, ErrorCode::LimitExceeded}, {kLimits.maxSide, kLimits.maxSide, ErrorCode::LimitExceeded}})
        EXPECT_EQ(codeOf(component.ResizeImage(w, h)), code) << w << "x" << h;
    EXPECT_EQ(codeOf(component.ResizeImage(10, 10, false)), ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf(component.SaveJpeg(path("bad.jpg"), 0)), ErrorCode::InvalidArgument);
    for (const Status& s : {component.SaveBmp(path("no/such/folder/x.bmp")), component.SaveJpeg(path("no/such/folder/x.jpg")),
                            component.SaveGif(path("no/such/folder/x.gif"), false, 0)})
        EXPECT_EQ(codeOf(s), ErrorCode::FileWriteFailed);
    EXPECT_TRUE(!QFile::exists(path("no")) && component.ImageWidth() == 20);
    ASSERT_TRUE(component.ResizeImage(301, 7).ok());  // the scaling itself is the resampler's (its own tests)
    EXPECT_EQ(std::tuple(component.ImageWidth(), component.ImageHeight(), colourAt(component.image(), 300, 6)), std::tuple(301, 7, Rgb{1, 2, 3}));

    const int afterResize = changes;
    ASSERT_TRUE(writeFileContents(path("broken.png"), QByteArray("\x89PNG\r\n\x1a\n garbage", 17)));
    EXPECT_FALSE(component.LoadImage(path("broken.png")).ok());
    EXPECT_EQ(std::tuple(component.hasImage(), component.ImageHeight(), changes > afterResize), std::tuple(false, 0, true));
    EXPECT_FALSE(component.SaveGif(path("stale.gif"), false, 0).ok());
    loadInto(component, solidPicture(5, 4, Rgb{9, 9, 9}));
    component.ClearImage();
    EXPECT_FALSE(component.hasImage());

    for (const RgbaImage& huge : {RgbaImage(kLimits.maxSide + 1, 1), RgbaImage(1, kLimits.maxSide + 1)}) {
        EXPECT_EQ(codeOf(encodePng(huge)), ErrorCode::LimitExceeded);
        EXPECT_EQ(codeOf(encodeJpeg(huge, 80)), ErrorCode::LimitExceeded);
    }
}

// JPEG is baseline unless asked. (A saved BMP reads back exactly in the formats' test; its rows,
// padded to four bytes, are checked where pictoreel-cli extract writes a strip as BMP.)
TEST_F(ImagingComponentTest, SaveJpegAsAsked)
{
    ImagingComponent component;
    const RgbaImage picture = photoLikePicture(Rgb{90, 90, 90});
    loadInto(component, picture);
    ASSERT_TRUE(component.SaveJpeg(path("out.jpg")).ok() && component.SaveJpeg(path("low.jpg"), 20).ok() &&
                component.SaveJpeg(path("progressive.jpg"), 80, true).ok() && component.SaveJpeg(path("gray.jpg"), 80, false, true).ok());
    // Baseline unless asked: only the progressive file holds a progressive frame (SOF2).
    EXPECT_EQ(std::pair(fileContents(path("out.jpg")).contains("\xFF\xC2"), fileContents(path("progressive.jpg")).contains("\xFF\xC2")),
              std::pair(false, true));
    EXPECT_LT(fileContents(path("low.jpg")).size(), fileContents(path("out.jpg")).size());
    EXPECT_GT(psnr(loadPictureFile(path("out.jpg")).value(), picture), 30.0);
    const RgbaImage gray = loadPictureFile(path("gray.jpg")).value();
    const std::uint8_t* p = gray.pixel(80, 10);
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
}

}  // namespace

// A large photo stored on its side, with a tag that turns it upright, is read scaled for a frame it
// is fitted into: it comes out upright and keeps its shape (it is read at a size turned with it).
TEST(LoadPictureFile, TurnedPhotoScaledWhileReadingKeepsItsShape)
{
    RgbaImage stored = solidPicture(3000, 1500, Rgb{220, 20, 20});
    fillRect(stored, 1500, 0, 1500, 1500, Rgb{20, 20, 220});
    Result<QByteArray> jpeg = encodeJpeg(stored, 80);
    ASSERT_TRUE(jpeg);
    // An Exif block whose only tag is the orientation "the first row is the right side".
    const char exif[] = "\xFF\xE1\x00\x22"
                        "Exif\0\0"
                        "II*\0\x08\0\0\0"
                        "\x01\0"
                        "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"
                        "\0\0\0\0";
    QByteArray bytes = jpeg.value();
    bytes.insert(2, QByteArray(exif, sizeof exif - 1));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("turned.jpg"));
    ASSERT_TRUE(writeFileContents(file, bytes));
    for (const FitMode fit : {FitMode::Contain, FitMode::Cover}) {
        const Result<RgbaImage> read = loadPictureFile(file, QSize(1000, 800), fit);
        ASSERT_TRUE(read);
        const RgbaImage& upright = read.value();
        EXPECT_NEAR(double(upright.height) / upright.width, 2.0, 0.02) << upright.width << "x" << upright.height;
        EXPECT_GT(upright.pixel(upright.width / 2, upright.height / 4)[0], 150);  // red on top
        EXPECT_GT(upright.pixel(upright.width / 2, upright.height * 3 / 4)[2], 150);
    }
}

// A picture with a colour profile of its own comes in as a colour-managed viewer shows it, its
// colours converted to sRGB (Qt's own conversion is the reference); one whose profile is sRGB
// comes in as stored.
TEST(LoadPictureFile, ColourProfilesAreConvertedToSrgb)
{
    QTemporaryDir dir;
    QImage picture(24, 8, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(30 + x * 9, 210 - y * 20, 60 + x * 6));
    for (const auto& [space, format] : {std::pair{QColorSpace::AdobeRgb, "png"}, {QColorSpace::AdobeRgb, "jpg"},
                                        {QColorSpace::DisplayP3, "png"}, {QColorSpace::SRgb, "png"}}) {
        const QString file = dir.filePath(QStringLiteral("%1.%2").arg(int(space)).arg(QLatin1String(format)));
        picture.setColorSpace(space);
        ASSERT_TRUE(picture.save(file, format, 100));
        const QImage expected = QImage(file).convertedToColorSpace(QColorSpace::SRgb).convertToFormat(QImage::Format_RGB32);
        const Result<RgbaImage> read = loadPictureFile(file);
        ASSERT_TRUE(read);
        int worst = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const std::uint8_t* p = read.value().pixel(x, y);
                const QRgb e = expected.pixel(x, y);
                worst = std::max({worst, std::abs(p[0] - qRed(e)), std::abs(p[1] - qGreen(e)), std::abs(p[2] - qBlue(e))});
            }
        EXPECT_LE(worst, 3) << file.toStdString();
    }
}
