// The imaging component's operations as the program drives them: load, resize, save as GIF
// (with and without a transparent colour), BMP and JPEG, and the instance's state.
#include "imaging_test_util.h"

#include "core/media/imaging_component.h"
#include "core/media/magick_adapter.h"

#include <QTemporaryDir>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

class ImagingComponentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

    // Puts `picture` into a fresh component through a lossless file, the way callers do.
    void loadInto(ImagingComponent& component, const RgbaImage& picture)
    {
        const QString file = path("source.bmp");
        ASSERT_TRUE(writeAll(file, encodeBmp24(picture).value()));
        ASSERT_TRUE(component.LoadImage(file).ok());
        ASSERT_EQ(component.ImageWidth(), picture.width);
    }

    QTemporaryDir dir_;
};

// A picture with a flat background of the key colour, flat shapes and a few stray pixels.
RgbaImage fewColourPicture(Rgb key)
{
    RgbaImage img = solidPicture(40, 30, key);
    for (int y = 5; y < 25; ++y)
        for (int x = 5; x < 20; ++x)
            setPixel(img, x, y, Rgb{200, 10, 10});
    for (int y = 10; y < 20; ++y)
        for (int x = 22; x < 35; ++x)
            setPixel(img, x, y, Rgb{key.r, key.g, std::uint8_t(key.b ^ 1)});  // one step from the key
    setPixel(img, 0, 0, Rgb{0, 0, 0});
    setPixel(img, 39, 29, Rgb{255, 255, 255});
    return img;
}

// A smooth picture with thousands of colours, and a rectangle of the key colour.
RgbaImage photoLikePicture(Rgb key)
{
    RgbaImage img(96, 64);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            setPixel(img, x, y,
                     Rgb{std::uint8_t(x * 255 / 95), std::uint8_t(y * 255 / 63),
                         std::uint8_t(128 + 100 * std::sin(x / 7.0) * std::cos(y / 5.0))});
    for (int y = 20; y < 40; ++y)
        for (int x = 30; x < 60; ++x)
            setPixel(img, x, y, key);
    return img;
}

TEST_F(ImagingComponentTest, SaveGifMakesExactlyTheKeyColourTransparent)
{
    const Rgb key{0, 255, 0};
    for (const RgbaImage& picture : {fewColourPicture(key), photoLikePicture(key)}) {
        ImagingComponent component;
        loadInto(component, picture);
        ASSERT_TRUE(component.SaveGif(path("t.gif"), true, colorRefFromRgb(key)).ok());
        const std::optional<GifContents> gif = readGifWithGiflib(path("t.gif"));
        ASSERT_TRUE(gif);
        ASSERT_EQ(gif->width, picture.width);
        ASSERT_GE(gif->transparentIndex, 0);
        EXPECT_EQ(gif->palette[std::size_t(gif->transparentIndex)], key);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                ASSERT_EQ(gif->transparentAt(x, y), colourAt(picture, x, y) == key) << x << "," << y;
    }
}

TEST_F(ImagingComponentTest, FewColoursAreStoredLosslessly)
{
    const Rgb key{255, 0, 255};
    ImagingComponent component;
    loadInto(component, fewColourPicture(key));
    for (bool transparent : {true, false}) {
        ASSERT_TRUE(component.SaveGif(path("few.gif"), transparent, colorRefFromRgb(key)).ok());
        const auto gif = readGifWithGiflib(path("few.gif"));
        ASSERT_TRUE(gif);
        EXPECT_EQ(gif->transparentIndex >= 0, transparent);
        for (int y = 0; y < gif->height; ++y)
            for (int x = 0; x < gif->width; ++x)
                if (!gif->transparentAt(x, y)) {
                    ASSERT_EQ(gif->colourAt(x, y), colourAt(component.image(), x, y)) << x << "," << y;
                }
    }

    // 256 distinct colours fill the palette exactly; with transparency on, 255 plus the key do.
    RgbaImage full(16, 16);
    for (int i = 0; i < 256; ++i)
        setPixel(full, i % 16, i / 16, Rgb{std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
    ImagingComponent fullComponent;
    loadInto(fullComponent, full);
    ASSERT_TRUE(fullComponent.SaveGif(path("256.gif"), false, 0).ok());
    auto gif = readGifWithGiflib(path("256.gif"));
    ASSERT_TRUE(gif);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(gif->colourAt(i % 16, i / 16), colourAt(full, i % 16, i / 16)) << i;

    const Rgb key255 = colourAt(full, 0, 0);  // one of the 256 becomes the key: 255 remain
    ASSERT_TRUE(fullComponent.SaveGif(path("255.gif"), true, colorRefFromRgb(key255)).ok());
    gif = readGifWithGiflib(path("255.gif"));
    ASSERT_TRUE(gif);
    EXPECT_TRUE(gif->transparentAt(0, 0));
    for (int i = 1; i < 256; ++i)
        ASSERT_EQ(gif->colourAt(i % 16, i / 16), colourAt(full, i % 16, i / 16)) << i;
}

TEST_F(ImagingComponentTest, ManyColoursAreQuantisedCloseToTheSource)
{
    const Rgb key{1, 2, 3};
    const RgbaImage picture = photoLikePicture(key);
    ImagingComponent component;
    loadInto(component, picture);
    ASSERT_TRUE(component.SaveGif(path("photo.gif"), false, colorRefFromRgb(key)).ok());
    const auto gif = readGifWithGiflib(path("photo.gif"));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->transparentIndex, -1);
    EXPECT_LE(gif->colourCount, 256);
    RgbaImage decoded(gif->width, gif->height);
    for (int y = 0; y < gif->height; ++y)
        for (int x = 0; x < gif->width; ++x)
            setPixel(decoded, x, y, gif->colourAt(x, y));
    EXPECT_GT(psnr(decoded, picture), 29.0);  // a fixed 3-3-2 palette gets about 25
    // The flat key rectangle is one exact palette colour inside (no dither noise on flat areas
    // whose colour is in the palette).
    EXPECT_EQ(gif->colourAt(45, 30), key);
}

TEST_F(ImagingComponentTest, AlphaIsCompositedOverTheKeyColour)
{
    const Rgb key{10, 20, 250};
    // PNG with alpha: transparent pixels of any colour, half-transparent red, opaque white.
    const QString png = sharedData("pngsuite/png/basn6a08.png");
    if (!QFile::exists(png))
        GTEST_SKIP() << "shared test data not present";
    ImagingComponent component;
    ASSERT_TRUE(component.LoadImage(png).ok());
    const RgbaImage& source = component.image();
    ASSERT_TRUE(component.SaveGif(path("alpha.gif"), true, colorRefFromRgb(key)).ok());
    const auto gif = readGifWithGiflib(path("alpha.gif"));
    ASSERT_TRUE(gif);
    int transparent = 0, blended = 0;
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const std::uint8_t* p = source.pixel(x, y);
            const unsigned a = p[3];
            const Rgb expected{std::uint8_t((p[0] * a + key.r * (255 - a) + 127) / 255),
                               std::uint8_t((p[1] * a + key.g * (255 - a) + 127) / 255),
                               std::uint8_t((p[2] * a + key.b * (255 - a) + 127) / 255)};
            if (a == 0) {
                ASSERT_TRUE(gif->transparentAt(x, y)) << x << "," << y;
                ++transparent;
            } else if (!(expected == key)) {
                ASSERT_FALSE(gif->transparentAt(x, y)) << x << "," << y;
                const Rgb got = gif->colourAt(x, y);
                // basn6a08 has more than 256 blends: quantised, so close rather than equal.
                EXPECT_LE(std::abs(got.r - expected.r) + std::abs(got.g - expected.g) + std::abs(got.b - expected.b), 48);
                blended += a < 255;
            }
        }
    EXPECT_GT(transparent, 0);
    EXPECT_GT(blended, 0);
}

TEST_F(ImagingComponentTest, ResizeGivesTheExactSizeAndKeepsFlatColours)
{
    const Rgb background{0, 255, 0};
    RgbaImage picture = solidPicture(300, 200, background);
    for (int y = 50; y < 150; ++y)
        for (int x = 100; x < 200; ++x)
            setPixel(picture, x, y, Rgb{200, 30, 40});
    for (QSize size : {QSize(100, 75), QSize(8, 8), QSize(1024, 1024), QSize(301, 37), QSize(1, 1)}) {
        ImagingComponent component;
        loadInto(component, picture);
        ASSERT_TRUE(component.ResizeImage(size.width(), size.height(), true).ok());
        EXPECT_EQ(component.ImageWidth(), size.width());
        EXPECT_EQ(component.ImageHeight(), size.height());
        // Corners lie deep inside the flat background: exactly its colour.
        if (size.width() >= 8) {
            EXPECT_EQ(colourAt(component.image(), 0, 0), background) << size.width();
            EXPECT_EQ(colourAt(component.image(), size.width() - 1, size.height() - 1), background);
        }
        // And then the background is transparent exactly where it was.
        if (size == QSize(100, 75)) {
            ASSERT_TRUE(component.SaveGif(path("r.gif"), true, colorRefFromRgb(background)).ok());
            const auto gif = readGifWithGiflib(path("r.gif"));
            ASSERT_TRUE(gif);
            EXPECT_TRUE(gif->transparentAt(2, 2));
            EXPECT_TRUE(gif->transparentAt(97, 72));
            EXPECT_FALSE(gif->transparentAt(50, 37));
            EXPECT_EQ(gif->colourAt(50, 37), (Rgb{200, 30, 40}));
        }
    }
}

TEST_F(ImagingComponentTest, ResizeRefusesWhatItCannotDo)
{
    ImagingComponent component;
    EXPECT_EQ(component.ResizeImage(10, 10).error().code, ErrorCode::EmptyImage);
    loadInto(component, solidPicture(20, 20, Rgb{1, 2, 3}));
    EXPECT_EQ(component.ResizeImage(0, 10).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(component.ResizeImage(10, -1).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(component.ResizeImage(10, 10, false).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(component.ResizeImage(kMaxPictureSide + 1, 10).error().code, ErrorCode::LimitExceeded);
    EXPECT_EQ(component.ResizeImage(kMaxPictureSide, kMaxPictureSide).error().code, ErrorCode::LimitExceeded);
    // A refused resize leaves the picture as it was.
    EXPECT_EQ(component.ImageWidth(), 20);
}

TEST_F(ImagingComponentTest, SaveBmpWrites24BitRowsExactly)
{
    RgbaImage picture(13, 7);  // odd width: every row is padded to four bytes
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            setPixel(picture, x, y, Rgb{std::uint8_t(x * 19), std::uint8_t(y * 36), std::uint8_t(x * y)});
    ImagingComponent component;
    loadInto(component, picture);
    ASSERT_TRUE(component.SaveBmp(path("out.bmp")).ok());
    const QByteArray bytes = readAll(path("out.bmp"));
    ASSERT_EQ(bytes.size(), 54 + 7 * 40);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(bytes[28], 24);
    // Bottom-up: the first stored row is the picture's last, in blue-green-red order.
    EXPECT_EQ(std::uint8_t(bytes[54 + 3 * 2]), picture.pixel(2, 6)[2]);
    EXPECT_EQ(std::uint8_t(bytes[54 + 3 * 2 + 2]), picture.pixel(2, 6)[0]);
    ImagingComponent reader;
    ASSERT_TRUE(reader.LoadImage(path("out.bmp")).ok());
    EXPECT_EQ(comparePictures(reader.image(), picture), "");
}

TEST_F(ImagingComponentTest, SaveJpegIsBaselineAtTheAskedQuality)
{
    const RgbaImage picture = photoLikePicture(Rgb{90, 90, 90});
    ImagingComponent component;
    loadInto(component, picture);
    ASSERT_TRUE(component.SaveJpeg(path("out.jpg")).ok());
    ASSERT_TRUE(component.SaveJpeg(path("low.jpg"), 20).ok());
    ASSERT_TRUE(component.SaveJpeg(path("progressive.jpg"), 80, true).ok());
    ASSERT_TRUE(component.SaveJpeg(path("gray.jpg"), 80, false, true).ok());
    const QByteArray baseline = readAll(path("out.jpg"));
    EXPECT_TRUE(baseline.startsWith("\xFF\xD8\xFF"));
    EXPECT_TRUE(baseline.contains("\xFF\xC0"));   // baseline frame
    EXPECT_FALSE(baseline.contains("\xFF\xC2"));  // no progressive frame
    EXPECT_TRUE(readAll(path("progressive.jpg")).contains("\xFF\xC2"));
    EXPECT_LT(readAll(path("low.jpg")).size(), baseline.size());

    ImagingComponent reader;
    ASSERT_TRUE(reader.LoadImage(path("out.jpg")).ok());
    EXPECT_GT(psnr(reader.image(), picture), 30.0);
    ASSERT_TRUE(reader.LoadImage(path("gray.jpg")).ok());
    const std::uint8_t* p = reader.image().pixel(80, 10);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    EXPECT_EQ(component.SaveJpeg(path("bad.jpg"), 0).error().code, ErrorCode::InvalidArgument);
}

TEST_F(ImagingComponentTest, EmptyAndFailedStatesNeverSaveAStalePicture)
{
    ImagingComponent component;
    int changes = 0;
    component.setChangedHandler([&] { ++changes; });
    EXPECT_FALSE(component.hasImage());
    EXPECT_EQ(component.ImageWidth(), 0);
    EXPECT_EQ(component.SaveGif(path("a.gif"), false, 0).error().code, ErrorCode::EmptyImage);
    EXPECT_EQ(component.SaveBmp(path("a.bmp")).error().code, ErrorCode::EmptyImage);
    EXPECT_EQ(component.SaveJpeg(path("a.jpg")).error().code, ErrorCode::EmptyImage);
    EXPECT_FALSE(QFile::exists(path("a.gif")));

    loadInto(component, solidPicture(5, 4, Rgb{9, 9, 9}));
    EXPECT_TRUE(component.hasImage());
    const int afterLoad = changes;
    EXPECT_GT(afterLoad, 0);
    // A failed load drops the previous picture: the save that follows in a conversion fails.
    ASSERT_TRUE(writeAll(path("broken.png"), QByteArray("\x89PNG\r\n\x1a\n garbage", 17)));
    EXPECT_FALSE(component.LoadImage(path("broken.png")).ok());
    EXPECT_FALSE(component.hasImage());
    EXPECT_EQ(component.ImageHeight(), 0);
    EXPECT_GT(changes, afterLoad);
    EXPECT_FALSE(component.SaveGif(path("stale.gif"), false, 0).ok());

    loadInto(component, solidPicture(5, 4, Rgb{9, 9, 9}));
    component.ClearImage();
    EXPECT_FALSE(component.hasImage());

    // Writing into a folder that does not exist fails with a write error and creates nothing.
    loadInto(component, solidPicture(5, 4, Rgb{9, 9, 9}));
    EXPECT_EQ(component.SaveBmp(path("no/such/folder/x.bmp")).error().code, ErrorCode::FileWriteFailed);
    EXPECT_EQ(component.SaveJpeg(path("no/such/folder/x.jpg")).error().code, ErrorCode::FileWriteFailed);
    EXPECT_FALSE(component.SaveGif(path("no/such/folder/x.gif"), false, 0).ok());
}

TEST_F(ImagingComponentTest, DisplayFlagAndImageClickReachTheirHandlers)
{
    ImagingComponent component;
    int changes = 0, clicks = 0;
    component.setChangedHandler([&] { ++changes; });
    EXPECT_TRUE(component.displayFlag());
    component.DisplayFlag(false);
    EXPECT_FALSE(component.displayFlag());
    EXPECT_EQ(changes, 1);
    component.DisplayFlag(false);
    EXPECT_EQ(changes, 1);
    component.raiseImageClick();  // no handler: nothing happens
    component.setImageClickHandler([&] { ++clicks; });
    component.raiseImageClick();
    EXPECT_EQ(clicks, 1);
}

TEST_F(ImagingComponentTest, ConvertingARealPictureAsTheFrameCacheDoes)
{
    if (!sharedDataPresent())
        GTEST_SKIP() << "shared test data not present";
    // Clear, load, resize to the project size, save with the frame's transparent colour.
    ImagingComponent worker;
    worker.ClearImage();
    ASSERT_TRUE(worker.LoadImage(sharedData("wuffs/test/data/harvesters.jpeg"), QSize(100, 75)).ok());
    ASSERT_TRUE(worker.ResizeImage(100, 75, true).ok());
    ASSERT_TRUE(worker.SaveGif(path("__tmp__frame__.gif"), true, 16777215).ok());
    const auto gif = readGifWithGiflib(path("__tmp__frame__.gif"));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, 100);
    EXPECT_EQ(gif->height, 75);
    ImagingComponent viewer;
    ASSERT_TRUE(viewer.LoadImage(path("__tmp__frame__.gif")).ok());
    EXPECT_GT(psnr(viewer.image(), worker.image()), 28.0);
}

}  // namespace
