// Decoding real picture files: every supported extension, decodes against independent
// reference pictures, broken and hostile files.
#include "imaging_test_util.h"
#include "support/results.h"

#include "core/media/imaging_component.h"
#include "core/media/magick_adapter.h"
#include "core/media/resampler.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

RgbaImage mustLoad(const QString& path)
{
    Result<RgbaImage> r = loadPictureFile(path);
    EXPECT_TRUE(r.ok()) << path.toStdString() << ": " << (r.ok() ? std::string() : r.error().text().toStdString());
    return r.ok() ? r.value() : RgbaImage();
}

// A reference picture: a wuffs ".nie" decode, or any picture file.
RgbaImage loadReference(const QString& path)
{
    return path.endsWith(QStringLiteral(".nie")) ? readNie(path).value_or(RgbaImage()) : mustLoad(path);
}

std::optional<PictureSize> peek(const QByteArray& b, PictureFormat format)
{
    return peekPictureSize(reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size()), format);
}

class Formats : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!sharedDataPresent())
            GTEST_SKIP() << "shared test data not present";
    }
};

// Files of the extensions not listed here are compared with reference pictures further down.
TEST_F(Formats, OneRealFilePerListedExtensionLoads)
{
    const struct {
        const char* path;
        int width;
        int height;
    } samples[] = {
        {"imagemagick/PerlMagick/t/input.gif", 70, 46},
        {"imagemagick/PerlMagick/t/input.bmp", 70, 46},
        {"wuffs/test/data/bricks-color.jpeg", 160, 120},
        {"small/jpeg.jpg", 1, 1},
        {"imagemagick/PerlMagick/t/input.dib", 70, 46},
        {"imagemagick/PerlMagick/t/input.ico", 32, 32},
        {"imagemagick/PerlMagick/t/input_p1.pbm", 70, 46},
        {"imagemagick/PerlMagick/t/input_p4.pbm", 70, 46},
        {"imagemagick/PerlMagick/t/input_p2.pgm", 70, 46},
        {"imagemagick/PerlMagick/t/input_p5.pgm", 70, 46},
        {"imagemagick/PerlMagick/t/input_p3.ppm", 70, 46},
        {"imagemagick/PerlMagick/t/input_p6.ppm", 70, 46},
        {"synthetic/pcd/pattern768x512.pcd", 768, 512},
        {"imagemagick/PerlMagick/t/input.pcx", 70, 46},
        {"imagemagick/PerlMagick/t/png/input_256.png", 70, 46},
        {"imagemagick/PerlMagick/t/input.psd", 70, 46},
        {"imagemagick/PerlMagick/t/input.rle", 70, 46},
        {"synthetic/utah-rle/pattern64x48_rgba_blackistransparent.rle", 64, 48},
        {"imagemagick/PerlMagick/t/input.sgi", 70, 46},
        {"imagemagick/PerlMagick/t/input.tga", 70, 46},
        {"synthetic/tga-aliases/pattern63x47_palette.vst", 63, 47},
        {"pillow/Tests/images/hopper.tif", 128, 128},
        {"imagemagick/PerlMagick/t/tiff/input_truecolor.tiff", 70, 46},
        {"imagemagick/PerlMagick/t/input.wbmp", 70, 46},
        {"imagemagick/PerlMagick/t/wmf/clock.wmf", 368, 372},
        {"pillow/Tests/images/drawing.wmf", 83, 83},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.path);
        ImagingComponent component;
        const Status status = component.LoadImage(sharedData(s.path));
        EXPECT_TRUE(status.ok()) << (status.ok() ? "" : status.error().text().toStdString());
        EXPECT_EQ(std::pair(component.ImageWidth(), component.ImageHeight()), std::pair(s.width, s.height));
    }
    // Every valid PngSuite file decodes; the basic ones at 32x32.
    for (const QFileInfo& png : QDir(sharedData("pngsuite/png")).entryInfoList({QStringLiteral("*.png")}, QDir::Files)) {
        if (png.fileName().startsWith(QLatin1Char('x')))
            continue;  // the corrupt ones
        const Result<RgbaImage> r = loadPictureFile(png.filePath());
        EXPECT_TRUE(r.ok()) << png.fileName().toStdString();
        if (r.ok() && png.fileName().startsWith(QStringLiteral("bas"))) {
            EXPECT_EQ(r.value().width, 32) << png.fileName().toStdString();
        }
    }
}

TEST_F(Formats, ContentDecidesNotTheExtension)
{
    QTemporaryDir dir;
    // A PNG and a GIF under each other's names, and with no extension at all.
    const QByteArray png = readAll(sharedData("wuffs/test/data/hippopotamus.regular.png"));
    ASSERT_TRUE(writeAll(dir.filePath("png.gif"), png));
    ASSERT_TRUE(writeAll(dir.filePath("noextension"), png));
    ASSERT_TRUE(writeAll(dir.filePath("gif.tga"), readAll(sharedData("wuffs/test/data/hippopotamus.regular.gif"))));
    const RgbaImage reference = *readNie(sharedData("wuffs/test/data/hippopotamus.nie"));
    for (const char* name : {"png.gif", "noextension"})
        EXPECT_EQ(comparePictures(mustLoad(dir.filePath(name)), reference), "") << name;
    const RgbaImage gif = mustLoad(sharedData("wuffs/test/data/hippopotamus.regular.gif"));
    EXPECT_EQ(comparePictures(mustLoad(dir.filePath("gif.tga")), gif), "");

    // Text with a picture's name is refused as such, not passed to a decoder that takes text.
    ASSERT_TRUE(writeAll(dir.filePath("notes.jpg"), "viewbox 0 0 10 10 push graphic-context\n"));
    ASSERT_TRUE(writeAll(dir.filePath("empty.png"), QByteArray()));
    EXPECT_EQ(codeOf(loadPictureFile(dir.filePath("notes.jpg"))), ErrorCode::UnsupportedFormat);
    EXPECT_EQ(codeOf(loadPictureFile(dir.filePath("empty.png"))), ErrorCode::CorruptData);
    EXPECT_EQ(codeOf(loadPictureFile(dir.filePath("missing.png"))), ErrorCode::FileNotFound);
    EXPECT_EQ(codeOf(loadPictureFile(dir.path())), ErrorCode::FileReadFailed);

    // Targa and WBMP have no signature: the same bytes are a picture only under their own name.
    const QByteArray tga = readAll(sharedData("imagemagick/PerlMagick/t/input.tga"));
    const QByteArray wbmp = readAll(sharedData("imagemagick/PerlMagick/t/input.wbmp"));
    const struct {
        const QByteArray& bytes;
        const char* extension;
        PictureFormat expected;
    } sniffs[] = {{tga, "tga", PictureFormat::Targa},  {tga, "VST", PictureFormat::Targa},
                  {tga, "icb", PictureFormat::Targa},  {tga, "bin", PictureFormat::Unknown},
                  {wbmp, "wbmp", PictureFormat::Wbmp}, {wbmp, "bmp", PictureFormat::Unknown}};
    for (const auto& s : sniffs)
        EXPECT_EQ(sniffPictureFormat(reinterpret_cast<const std::uint8_t*>(s.bytes.constData()), std::size_t(s.bytes.size()),
                                     QString::fromLatin1(s.extension)),
                  s.expected)
            << s.extension;
}

TEST_F(Formats, PathsWithSpacesSemicolonsAndNonAsciiLetters)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Bilder; für Ålesund [1]"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString source = folder + QStringLiteral("/hippo ünïcödé; 日本[0].png");
    ASSERT_TRUE(QFile::copy(sharedData("wuffs/test/data/hippopotamus.regular.png"), source));
    ImagingComponent component;
    ASSERT_TRUE(component.LoadImage(source).ok());
    EXPECT_EQ(comparePictures(component.image(), *readNie(sharedData("wuffs/test/data/hippopotamus.nie"))), "");

    const QString bmp = folder + QStringLiteral("/out put;é.bmp");
    const QString jpg = folder + QStringLiteral("/out put;é.jpg");
    ASSERT_TRUE(component.SaveBmp(bmp).ok());
    ASSERT_TRUE(component.SaveJpeg(jpg).ok());
    EXPECT_EQ(comparePictures(mustLoad(bmp), component.image()), "");
    EXPECT_EQ(mustLoad(jpg).width, component.ImageWidth());
}

// Pictures whose decode must equal a reference made by another decoder, or the same picture
// stored in another lossless format.
TEST_F(Formats, DecodesMatchTheirReferences)
{
    struct Pair {
        QString file;
        QString reference;
        int tolerance = 0;
    };
    const auto shared = [](const char* file, const char* reference, int tolerance = 0) {
        return Pair{sharedData(file), sharedData(reference), tolerance};
    };
    std::vector<Pair> pairs = {
        shared("wuffs/test/data/hippopotamus.regular.png", "wuffs/test/data/hippopotamus.nie"),
        shared("wuffs/test/data/hippopotamus.interlaced.png", "wuffs/test/data/hippopotamus.nie"),
        shared("wuffs/test/data/hippopotamus.bmp", "wuffs/test/data/hippopotamus.nie"),
        // The GIFs hold a 256-colour version: interlaced or not, the same pixels, close to the PNG.
        shared("wuffs/test/data/hippopotamus.interlaced.gif", "wuffs/test/data/hippopotamus.regular.gif"),
        shared("wuffs/test/data/hippopotamus.regular.gif", "wuffs/test/data/hippopotamus.nie", 24),
        shared("wuffs/test/data/bricks-color.bmp", "wuffs/test/data/bricks-color.png"),
        shared("wuffs/test/data/bricks-color.tga", "wuffs/test/data/bricks-color.png"),
        shared("wuffs/test/data/bricks-color.tiff", "wuffs/test/data/bricks-color.png"),
        shared("wuffs/test/data/bricks-nodither.bmp", "wuffs/test/data/bricks-nodither.png"),
        shared("wuffs/test/data/bricks-nodither.gif", "wuffs/test/data/bricks-nodither.png"),
        shared("wuffs/test/data/bricks-nodither.tga", "wuffs/test/data/bricks-nodither.png"),
        shared("synthetic/tga-aliases/pattern64x48.icb", "synthetic/src/pattern64x48.png"),
        shared("synthetic/tga-aliases/pattern64x48.vda", "synthetic/src/pattern64x48.png"),
        shared("synthetic/tga-aliases/pattern64x48_rle.vst", "synthetic/src/pattern64x48.png"),
        shared("synthetic/dib/pattern64x48_rgb24_with_BITMAPFILEHEADER.dib", "synthetic/src/pattern64x48.png"),
        shared("synthetic/dib/pattern63x47_pal4_packed_no_fileheader.dib", "synthetic/dib/pattern63x47_pal4.reference.png"),
        shared("synthetic/utah-rle/pattern64x48_rgb.rle", "synthetic/utah-rle/pattern64x48_rgb.rletopnm.png"),
        shared("synthetic/utah-rle/pattern63x47_gray.rle", "synthetic/utah-rle/pattern63x47_gray.rletopnm.png"),
    };
    // 8-bit opaque PngSuite variants and their BMP conversions hold the same colours.
    for (const char* name : {"basn0g08", "basn2c08", "basn3p08", "basi0g08", "basi2c08", "basi3p08", "basn3p04", "basn0g04",
                             "basn3p01"})
        pairs.push_back({sharedData("pngsuite/png/") + QLatin1String(name) + QStringLiteral(".png"),
                         sharedData("pngsuite/bmp/") + QLatin1String(name) + QStringLiteral(".bmp")});
    // Every Targa variant against its PNG: 200x32_la_bl_rle.tga -> 200x32_la.png.
    const QDir tgas(sharedData("pillow/Tests/images/tga/common"));
    for (const QFileInfo& tga : tgas.entryInfoList({QStringLiteral("*.tga")}, QDir::Files)) {
        const QStringList parts = tga.completeBaseName().split(QLatin1Char('_'));
        const QString png = parts.value(0) + QLatin1Char('_') + parts.value(1) + QStringLiteral(".png");
        pairs.push_back({tga.filePath(), tgas.filePath(png)});
    }
    // The BMP suite's good files against its PNGs, which round a few colours differently from the
    // files they describe (pal8 has 255,43,0 in its palette, the PNG 255,42,0; 5-bit channels are
    // widened either way).
    const QDir good(sharedData("pillow/Tests/images/bmp/g"));
    const QDir html(sharedData("pillow/Tests/images/bmp/html"));
    for (const QFileInfo& png : html.entryInfoList({QStringLiteral("*.png")}, QDir::Files))
        if (good.exists(png.completeBaseName() + QStringLiteral(".bmp")))
            pairs.push_back({good.filePath(png.completeBaseName() + QStringLiteral(".bmp")), png.filePath(), 1});
    ASSERT_GE(pairs.size(), 18u + 9u + 20u + 8u);

    for (const Pair& p : pairs)
        EXPECT_EQ(comparePictures(mustLoad(p.file), loadReference(p.reference), p.tolerance), "") << p.file.toStdString();

    // Photo CD is lossy YCC: close to its source, not equal.
    const RgbaImage pcd = mustLoad(sharedData("synthetic/pcd/pattern768x512.pcd"));
    const RgbaImage pcdSource = mustLoad(sharedData("synthetic/src/pattern768x512.png"));
    ASSERT_EQ(pcd.width, pcdSource.width);
    EXPECT_GT(psnr(pcd, pcdSource), 22.0);

    // Every good BMP decodes at the size its header declares.
    for (const QFileInfo& bmp : good.entryInfoList({QStringLiteral("*.bmp")}, QDir::Files)) {
        const auto declared = peek(readAll(bmp.filePath()), PictureFormat::Bmp);
        ASSERT_TRUE(declared) << bmp.fileName().toStdString();
        const RgbaImage img = mustLoad(bmp.filePath());
        EXPECT_EQ(std::pair(img.width, img.height), std::pair(declared->width, declared->height))
            << bmp.fileName().toStdString();
    }
}

TEST_F(Formats, OrientationTagsAreHonoured)
{
    // The same fax page stored in all eight orientations comes out upright every time. The files
    // were scanned apart and differ in about 0.2% of their pixels; a page the wrong way round
    // differs in a third or more, or in its size. The JPEGs are lossy: close, not equal.
    const RgbaImage upright = mustLoad(sharedData("pillow/Tests/images/g4_orientation_1.tif"));
    const RgbaImage hopper = mustLoad(sharedData("pillow/Tests/images/hopper.jpg"));
    ASSERT_EQ(upright.width, 590);
    for (int n = 2; n <= 8; ++n) {
        SCOPED_TRACE(n);
        const QString pillow = sharedData("pillow/Tests/images/");
        const RgbaImage fax = mustLoad(pillow + QStringLiteral("g4_orientation_%1.tif").arg(n));
        ASSERT_EQ(std::pair(fax.width, fax.height), std::pair(upright.width, upright.height));
        std::size_t different = 0;
        for (std::size_t i = 0; i < fax.pixels.size(); i += 4)
            different += fax.pixels[i] != upright.pixels[i];
        EXPECT_LT(different, fax.pixels.size() / 4 / 100);

        const RgbaImage photo = mustLoad(pillow + QStringLiteral("hopper_orientation_%1.jpg").arg(n));
        ASSERT_EQ(photo.width, hopper.width);
        EXPECT_GT(psnr(photo, hopper), 25.0);
    }
}

// Broken files either fail with an Error or give a picture of sane size; some must fail.
TEST_F(Formats, BrokenFilesFailCleanly)
{
    const auto expectCleanOutcome = [](const QString& path, bool mustFail) {
        SCOPED_TRACE(path.toStdString());
        const Result<RgbaImage> r = loadPictureFile(path);
        if (mustFail) {
            EXPECT_FALSE(r.ok()) << "accepted";
        }
        if (r.ok()) {
            EXPECT_GT(r.value().width, 0);
            EXPECT_EQ(r.value().pixels.size(), std::size_t(r.value().width) * r.value().height * 4);
        } else {
            EXPECT_FALSE(r.error().message.isEmpty());
        }
    };
    const auto filesIn = [](const char* folder, const QStringList& patterns) {
        return QDir(sharedData(folder)).entryInfoList(patterns, QDir::Files);
    };
    // Fuzzer finds: the SGI crashes are beyond repair.
    const QFileInfoList fuzzed = filesIn("pillow/Tests/images", {"crash-*", "timeout-*", "oom-*", "ossfuzz-*", "psd-oob-*",
                                                                 "negative_*", "*truncated*", "decompression_bomb*"});
    EXPECT_GE(fuzzed.size(), 25);
    for (const QFileInfo& f : fuzzed)
        expectCleanOutcome(f.filePath(), f.fileName().startsWith(QStringLiteral("crash-")) && f.suffix() == u"sgi");
    for (const char* path : {"wuffs/test/data/hippopotamus.regular.truncated.png",
                             "wuffs/test/data/hippopotamus.interlaced.truncated.gif", "small/png-truncated.png"})
        expectCleanOutcome(sharedData(path), false);
    // PngSuite's corrupt files are all refused.
    const QFileInfoList corrupt = filesIn("pngsuite/png", {"x*.png"});
    EXPECT_GE(corrupt.size(), 10);
    for (const QFileInfo& f : corrupt)
        expectCleanOutcome(f.filePath(), true);
    // The BMP suite's verdict on its bad files is "reject or best effort"; these are beyond repair.
    const QStringList hopeless = {"badbitcount.bmp", "badplanes.bmp", "badwidth.bmp", "reallybig.bmp", "shortfile.bmp"};
    for (const QFileInfo& f : filesIn("pillow/Tests/images/bmp/b", {"*.bmp"}))
        expectCleanOutcome(f.filePath(), hopeless.contains(f.fileName()));
    for (const QFileInfo& f : filesIn("pillow/Tests/images/bmp/q", {"*.bmp"}))
        expectCleanOutcome(f.filePath(), false);
}

// Headers that claim enormous pictures, made here byte by byte.
QByteArray pngClaiming(std::uint32_t w, std::uint32_t h)
{
    const auto be32 = [](std::uint32_t v) {
        const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(bytes, 4);
    };
    const auto chunk = [&](const char* type, const QByteArray& data) -> QByteArray {
        const QByteArray body = QByteArray(type) + data;
        std::uint32_t crc = 0xFFFFFFFFu;
        for (char ch : body) {
            crc ^= static_cast<std::uint8_t>(ch);
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return be32(std::uint32_t(data.size())) + body + be32(~crc);
    };
    const QByteArray ihdr = be32(w) + be32(h) + QByteArray("\x08\x02\x00\x00\x00", 5);
    // A zlib stream with one stored block of 1000 zero bytes (filter "none" rows), then its Adler-32.
    const QByteArray idat = QByteArray("\x78\x01\x01\xe8\x03\x17\xfc", 7) + QByteArray(1000, '\0') + be32((1000u << 16) | 1u);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", idat) + chunk("IEND", {});
}

QByteArray gifClaiming(unsigned w, unsigned h)
{
    const char sizeBytes[] = {char(w & 0xFF), char(w >> 8), char(h & 0xFF), char(h >> 8)};
    const QByteArray size(sizeBytes, 4);
    // A global palette of two colours, then one image of the screen's size.
    return "GIF89a" + size + QByteArray("\x80\x00\x00", 3) + QByteArray(6, '\0') + ',' + QByteArray(4, '\0') + size + '\0' +
           QByteArray("\x02\x02\x4c\x01\x00;", 6);
}

QByteArray bmpClaiming(std::int32_t w, std::int32_t h)
{
    QByteArray b(54, '\0');
    const auto le32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    le32(2, 54 + 1024);
    le32(10, 54);
    le32(14, 40);
    le32(18, std::uint32_t(w));
    le32(22, std::uint32_t(h));
    b[26] = 1;
    b[28] = 24;
    return b + QByteArray(1024, '\x7f');
}

// An RLE true-colour Targa header and one run packet.
QByteArray tgaClaiming(unsigned w, unsigned h)
{
    QByteArray b(18, '\0');
    b[2] = 10;
    b[12] = char(w & 0xFF);
    b[13] = char(w >> 8);
    b[14] = char(h & 0xFF);
    b[15] = char(h >> 8);
    b[16] = 24;
    b[17] = 0x20;
    return b + QByteArray("\xff\x10\x80\xf0", 4);
}

TEST(DecompressionBombs, HugeHeadersAreRefusedBeforeDecoding)
{
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
    } bombs[] = {
        {"wide.png", pngClaiming(100000, 100000)},
        {"area.png", pngClaiming(16000, 16000)},  // each side allowed, the area is not
        {"screen.gif", gifClaiming(65535, 65535)},
        // Beyond what ImageMagick accepts: it used to end the program, or to read no pixels.
        {"tall.gif", gifClaiming(2, 16384)},
        {"wide16001.png", pngClaiming(16001, 2)},
        {"huge.tga", tgaClaiming(16384, 8192)},
        {"area.tga", tgaClaiming(8000, 8000)},  // our own readers hold every picture whole
        {"tall.bmp", bmpClaiming(100, 1000000)},
        {"topdown.bmp", bmpClaiming(20000, -20000)},
    };
    for (const auto& bomb : bombs) {
        const QString path = dir.filePath(QLatin1String(bomb.name));
        ASSERT_TRUE(writeAll(path, bomb.bytes));
        ImagingComponent component;
        const Status status = component.LoadImage(path);
        EXPECT_EQ(codeOf(status), ErrorCode::LimitExceeded) << bomb.name;
        EXPECT_FALSE(component.hasImage());
    }
    // Just inside the limits the header check lets a picture through.
    EXPECT_TRUE(checkPictureLimits(kLimits.maxSide, kLimits.maxPixels / kLimits.maxSide).ok());
    EXPECT_FALSE(checkPictureLimits(kLimits.maxSide + 1, 1).ok());
    EXPECT_FALSE(checkPictureLimits(1, kLimits.maxSide + 1).ok());
    EXPECT_FALSE(checkPictureLimits(kLimits.maxSide, kLimits.maxPixels / kLimits.maxSide + 1).ok());

    // A picture too large to hold whole is read only when it is scaled down to a frame as it is
    // read: without a size to scale to, the message says so; with one the header passes.
    const QString large = dir.filePath("large.png");
    ASSERT_TRUE(writeAll(large, pngClaiming(7000, 7000)));
    const Result<RgbaImage> whole = loadPictureFile(large);
    EXPECT_EQ(codeOf(whole), ErrorCode::LimitExceeded);
    EXPECT_TRUE(!whole && whole.error().message.contains(QStringLiteral("own size")));
    EXPECT_NE(codeOf(loadPictureFile(large, QSize(640, 480))), ErrorCode::LimitExceeded);

    // The sizes peeked from the headers; top-down BMP rows count as height.
    const struct {
        QByteArray bytes;
        PictureFormat format;
        int width, height;
    } headers[] = {{pngClaiming(123, 45), PictureFormat::Png, 123, 45},
                   {gifClaiming(300, 7), PictureFormat::Gif, 300, 7},
                   {bmpClaiming(10, -20), PictureFormat::Bmp, 10, 20},
                   {"P6\n# comment 99 99\n 17 \t 9\n255\n", PictureFormat::Pnm, 17, 9}};
    for (const auto& h : headers) {
        const auto size = peek(h.bytes, h.format);
        ASSERT_TRUE(size) << h.bytes.left(8).toStdString();
        EXPECT_EQ(std::pair(size->width, size->height), std::pair(h.width, h.height));
    }
    EXPECT_FALSE(peek(QByteArray("\x89PNG", 4), PictureFormat::Png));
}

TEST_F(Formats, JpegShrinkHintDecodesSmallerButLargeEnough)
{
    QTemporaryDir dir;
    RgbaImage big(800, 600);
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x)
            setPixel(big, x, y, Rgb{std::uint8_t(x / 4), std::uint8_t(y / 3), 128});
    const QString path = dir.filePath(QStringLiteral("big.jpg"));
    ASSERT_TRUE(writeAll(path, encodeJpeg(big, 90).value()));

    EXPECT_EQ(mustLoad(path).width, 800);
    for (QSize hint : {QSize(100, 75), QSize(150, 100), QSize(75, 100), QSize(390, 60), QSize(800, 600)}) {
        Result<RgbaImage> reduced = loadPictureFile(path, hint);
        ASSERT_TRUE(reduced.ok());
        EXPECT_GE(reduced.value().width, hint.width());
        EXPECT_GE(reduced.value().height, hint.height());
        EXPECT_EQ(reduced.value().width * 3, reduced.value().height * 4);
        if (hint.width() <= 150) {
            EXPECT_LE(reduced.value().width, 400) << hint.width();
        }
    }
    // A hint larger than the picture changes nothing; the hint never applies to other formats.
    EXPECT_EQ(loadPictureFile(path, QSize(1000, 1000)).value().width, 800);
    EXPECT_EQ(loadPictureFile(path, QSize(500, 500)).value().width, 800);
    EXPECT_EQ(loadPictureFile(sharedData("wuffs/test/data/bricks-color.png"), QSize(10, 10)).value().width, 160);
}

// A large picture is scaled to its frame as ImageMagick reads it, row by row, and comes out
// exactly as scaling the whole picture would make it.
TEST(ScalingWhileReading, GivesWhatScalingTheWholePictureGives)
{
    RgbaImage opaque(300, 200), translucent(300, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const Rgb c{std::uint8_t(x * 7 + y), std::uint8_t(y * 3), std::uint8_t((x * y) % 251)};
            setPixel(opaque, x, y, c);
            setPixel(translucent, x, y, c, std::uint8_t((x / 30 + y / 20) % 3 * 120));
        }
    const struct {
        QByteArray bytes;
        PictureFormat format;
    } pictures[] = {{encodePng(opaque).value(), PictureFormat::Png},
                    {encodePng(translucent).value(), PictureFormat::Png},
                    {encodeJpeg(opaque, 90).value(), PictureFormat::Jpeg}};
    for (const auto& picture : pictures) {
        for (const QSize hint : {QSize(64, 48), QSize(120, 190), QSize(31, 400)}) {
            SCOPED_TRACE(pictureFormatName(picture.format).toStdString() + " " + std::to_string(hint.width()));
            DecodeOptions options;
            options.shrinkHintWidth = hint.width();
            options.shrinkHintHeight = hint.height();
            options.scaleWhileReadingAbove = 0;
            const Result<RgbaImage> scaled = decodePicture(picture.bytes, picture.format, options);
            ASSERT_TRUE(scaled.ok());
            // The reference is read whole (as the DCT scale allows) and scaled afterwards.
            options.scaleWhileReadingAbove = INT64_MAX;
            const RgbaImage whole = decodePicture(picture.bytes, picture.format, options).value();
            EXPECT_EQ(comparePictures(scaled.value(), resampleImage(whole, hint.width(), hint.height()).value()), "");
        }
    }
}

}  // namespace
