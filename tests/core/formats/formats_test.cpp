// The format table and decoding real picture files: format by content, odd paths, broken and
// hostile files, the shrink hint. Decodes against reference pictures and the add dialog's filter
// built from the table are golden cases (tests/data/golden/pictures.txt, add-dialog-filter.txt).
#include "support/results.h"
#include "support/test_pictures.h"

#include "core/media/imaging_component.h"
#include "core/media/magick_adapter.h"
#include "core/imaging/resampler.h"
#include "core/formats/picture_formats.h"
#include "core/formats/utah_rle.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <map>
#include <set>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

RgbaImage mustLoad(const QString& path, QSize hint = {})
{
    Result<RgbaImage> r = loadPictureFile(path, hint);
    EXPECT_TRUE(r.ok()) << path.toStdString() << ": " << (r.ok() ? std::string() : r.error().text().toStdString());
    return r.ok() ? r.value() : RgbaImage();
}

std::optional<PictureSize> peek(const QByteArray& b, PictureFormat format)
{
    return peekPictureSize(reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size()), format);
}

QFileInfoList filesIn(const char* folder, const QStringList& patterns)
{
    return QDir(sharedData(folder)).entryInfoList(patterns, QDir::Files);
}

class Formats : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!sharedDataPresent())
            GTEST_SKIP() << "shared test data not present";
    }
    QTemporaryDir dir;
};

// Content decides, not the extension: a PNG and a GIF under each other's names or none, in a
// folder and under names with spaces, semicolons and non-ASCII letters, saved there again.
TEST_F(Formats, ContentDecidesNotTheExtension)
{
    const QString folder = dir.filePath(QStringLiteral("Bilder; für Ålesund [1]"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray png = fileContents(sharedData("wuffs/test/data/hippopotamus.regular.png"));
    const QStringList asPng = {folder + QStringLiteral("/hippo ünïcödé; 日本[0].gif"), folder + QStringLiteral("/noextension")};
    for (const QString& name : asPng)
        ASSERT_TRUE(writeFileContents(name, png));
    ASSERT_TRUE(writeFileContents(dir.filePath("gif.tga"), fileContents(sharedData("wuffs/test/data/hippopotamus.regular.gif"))));
    const RgbaImage reference = *readNie(sharedData("wuffs/test/data/hippopotamus.nie"));
    for (const QString& name : asPng)
        EXPECT_EQ(comparePictures(mustLoad(name), reference), "") << name.toStdString();
    EXPECT_EQ(comparePictures(mustLoad(dir.filePath("gif.tga")), mustLoad(sharedData("wuffs/test/data/hippopotamus.regular.gif"))), "");
    ImagingComponent component;
    ASSERT_TRUE(component.LoadImage(asPng[0]).ok());
    ASSERT_TRUE(component.SaveBmp(folder + QStringLiteral("/out put;é.bmp")).ok() && component.SaveJpeg(folder + QStringLiteral("/out put;é.jpg")).ok());
    EXPECT_EQ(comparePictures(mustLoad(folder + QStringLiteral("/out put;é.bmp")), reference), "");
    EXPECT_EQ(mustLoad(folder + QStringLiteral("/out put;é.jpg")).width, reference.width);

    // Text with a picture's name is refused as such, not passed to a decoder that takes text.
    ASSERT_TRUE(writeFileContents(dir.filePath("notes.jpg"), "viewbox 0 0 10 10 push graphic-context\n"));
    ASSERT_TRUE(writeFileContents(dir.filePath("empty.png"), QByteArray()));
    EXPECT_EQ(std::tuple(codeOf(loadPictureFile(dir.filePath("notes.jpg"))), codeOf(loadPictureFile(dir.filePath("empty.png"))),
                         codeOf(loadPictureFile(dir.filePath("missing.png"))), codeOf(loadPictureFile(dir.path()))),
              std::tuple(ErrorCode::UnsupportedFormat, ErrorCode::CorruptData, ErrorCode::FileNotFound, ErrorCode::FileReadFailed));

    // Targa and WBMP have no signature: the same bytes are a picture only under their own name.
    const QByteArray tga = fileContents(sharedData("imagemagick/PerlMagick/t/input.tga"));
    const QByteArray wbmp = fileContents(sharedData("imagemagick/PerlMagick/t/input.wbmp"));
    // HEIF and AVIF share a container that their brands tell apart (the AVIF's major brand is HEIF's).
    const QByteArray avif = fileContents(PICTOREEL_TEST_DATA "/pictures/pattern63x47.avif");
    const QByteArray heic = fileContents(PICTOREEL_TEST_DATA "/pictures/pattern63x47.heic");
    for (const auto& [bytes, extension, expected] :
         {std::tuple{&tga, "VST", PictureFormat::Targa}, {&tga, "icb", PictureFormat::Targa}, {&tga, "bin", PictureFormat::Unknown},
          {&wbmp, "wbmp", PictureFormat::Wbmp}, {&wbmp, "bmp", PictureFormat::Unknown}, {&avif, "heic", PictureFormat::Avif},
          {&heic, "avif", PictureFormat::Heif}})
        EXPECT_EQ(sniffPictureFormat(reinterpret_cast<const std::uint8_t*>(bytes->constData()), std::size_t(bytes->size()),
                                     QString::fromLatin1(extension)), expected) << extension;
}

// Broken files either fail with an Error or give a picture of sane size; some must fail.
TEST_F(Formats, BrokenFilesFailCleanly)
{
    const auto expectCleanOutcome = [](const QString& path, bool mustFail) {
        const Result<RgbaImage> r = loadPictureFile(path);
        EXPECT_FALSE(mustFail && r.ok()) << path.toStdString() << " accepted";
        if (r.ok())
            EXPECT_EQ(r.value().pixels.size(), std::size_t(r.value().width) * r.value().height * 4) << path.toStdString();
        else
            EXPECT_FALSE(r.error().message.isEmpty()) << path.toStdString();
    };
    // Fuzzer finds (the SGI crashes are beyond repair), truncated files, PngSuite's corrupt files;
    // the BMP suite's verdict on its bad files is "reject or best effort", a few are hopeless.
    const QFileInfoList fuzzed = filesIn("pillow/Tests/images", {"crash-*", "timeout-*", "oom-*", "ossfuzz-*", "psd-oob-*",
                                                                 "negative_*", "*truncated*", "decompression_bomb*"});
    EXPECT_GE(fuzzed.size(), 25);
    for (const QFileInfo& f : fuzzed)
        expectCleanOutcome(f.filePath(), f.fileName().startsWith(QStringLiteral("crash-")) && f.suffix() == u"sgi");
    for (const char* path : {"wuffs/test/data/hippopotamus.regular.truncated.png",
                             "wuffs/test/data/hippopotamus.interlaced.truncated.gif", "small/png-truncated.png"})
        expectCleanOutcome(sharedData(path), false);
    for (const char* path : {"/pictures/pattern63x47-cut.webp", "/pictures/pattern63x47-cut.heic"})
        expectCleanOutcome(QStringLiteral(PICTOREEL_TEST_DATA) + path, true);
    const QFileInfoList corrupt = filesIn("pngsuite/png", {"x*.png"});
    EXPECT_GE(corrupt.size(), 10);
    for (const QFileInfo& f : corrupt)
        expectCleanOutcome(f.filePath(), true);
    const QStringList hopeless = {"badbitcount.bmp", "badplanes.bmp", "badwidth.bmp", "reallybig.bmp", "shortfile.bmp"};
    for (const QFileInfo& f : filesIn("pillow/Tests/images/bmp/b", {"*.bmp"}) + filesIn("pillow/Tests/images/bmp/q", {"*.bmp"}))
        expectCleanOutcome(f.filePath(), hopeless.contains(f.fileName()));

    // Our Utah RLE reader: cut anywhere, a size beyond the limits, not an RLE at all.
    const QByteArray rle = fileContents(sharedData("synthetic/utah-rle/pattern64x48_rgb.rle"));
    ASSERT_FALSE(rle.isEmpty());
    for (qsizetype cut = 0; cut < rle.size(); cut += 7)
        EXPECT_TRUE(cut > 10 || !decodeUtahRle(rle.left(cut)).ok()) << cut;  // a header cut short is an error
    QByteArray huge = rle;
    std::fill_n(huge.begin() + 6, 4, char(0xFF));
    EXPECT_EQ(codeOf(decodeUtahRle(huge)), ErrorCode::LimitExceeded);
    EXPECT_FALSE(decodeUtahRle("not an rle").ok());
}

// Headers that claim enormous pictures (tests/data/limits/refused, beyond the limits or beyond
// what ImageMagick survives) are refused before decoding; the sizes peeked from the headers in
// limits/sizes are the ones their names give (top-down BMP rows count as height).
TEST(DecompressionBombs, HugeHeadersAreRefusedBeforeDecoding)
{
    const QDir limits(QStringLiteral(PICTOREEL_TEST_DATA "/limits"));
    const QFileInfoList refused = QDir(limits.filePath("refused")).entryInfoList(QDir::Files);
    EXPECT_EQ(refused.size(), 10);
    for (const QFileInfo& bomb : refused)
        EXPECT_EQ(codeOf(ImagingComponent().LoadImage(bomb.filePath())), ErrorCode::LimitExceeded) << bomb.fileName().toStdString();
    const int most = int(kLimits.maxPixels / kLimits.maxSide);  // rows of the largest width
    EXPECT_EQ(std::tuple(checkPictureLimits(kLimits.maxSide, most).ok(), checkPictureLimits(kLimits.maxSide + 1, 1).ok(),
                         checkPictureLimits(1, kLimits.maxSide + 1).ok(), checkPictureLimits(kLimits.maxSide, most + 1).ok()),
              std::tuple(true, false, false, false));

    // A picture too large to hold whole is read only when it is scaled down to a frame as it is
    // read: without a size to scale to, the message says so; with one the header passes.
    const Result<RgbaImage> whole = loadPictureFile(limits.filePath("large-7000x7000.png"));
    EXPECT_EQ(codeOf(whole), ErrorCode::LimitExceeded);
    EXPECT_TRUE(!whole && whole.error().message.contains(QStringLiteral("own size")));
    EXPECT_NE(codeOf(loadPictureFile(limits.filePath("large-7000x7000.png"), QSize(640, 480))), ErrorCode::LimitExceeded);

    const std::map<QString, PictureFormat> formats{{"png", PictureFormat::Png}, {"gif", PictureFormat::Gif}, {"bmp", PictureFormat::Bmp},
                                                   {"pnm", PictureFormat::Pnm}, {"webp", PictureFormat::Webp}};
    for (const QFileInfo& header : QDir(limits.filePath("sizes")).entryInfoList(QDir::Files)) {
        const QStringList size = header.baseName().section(QLatin1Char('-'), 0, 0).split(QLatin1Char('x'));
        const QByteArray bytes = fileContents(header.filePath());
        const auto peeked = peek(bytes, formats.at(header.suffix()));
        ASSERT_TRUE(peeked) << header.fileName().toStdString();
        EXPECT_EQ(std::pair(peeked->width, peeked->height), std::pair(size[0].toInt(), size[1].toInt()));
        EXPECT_FALSE(peek(bytes.left(4), formats.at(header.suffix()))) << header.fileName().toStdString();
    }
}

TEST_F(Formats, JpegShrinkHintDecodesSmallerButLargeEnough)
{
    const RgbaImage big = makePicture(800, 600, [](int x, int y) { return Rgb{std::uint8_t(x / 4), std::uint8_t(y / 3), 128}; });
    const QString path = dir.filePath(QStringLiteral("big.jpg"));
    ASSERT_TRUE(writeFileContents(path, encodeJpeg(big, 90).value()));
    for (QSize hint : {QSize(100, 75), QSize(75, 100), QSize(390, 60), QSize(800, 600)}) {
        const RgbaImage reduced = mustLoad(path, hint);
        EXPECT_TRUE(reduced.width >= hint.width() && reduced.height >= hint.height() && reduced.width * 3 == reduced.height * 4 &&
                    (hint.width() > 150 || reduced.width <= 400)) << hint.width() << " gave " << reduced.width;
    }
    // No hint, or one larger than the picture, changes nothing.
    EXPECT_EQ(std::pair(mustLoad(path).width, mustLoad(path, QSize(500, 500)).width), std::pair(800, 800));
}

// A progressive JPEG's decoder holds the coefficients of all its blocks: 100 x 60 pixels at 4:2:0
// are 14 x 8 luma blocks (whole 2 x 2 units) and 7 x 4 of each chroma, 128 bytes a block.
TEST(JpegCoefficientBytes, CountsTheBlocksOfProgressiveJpegsOnly)
{
    const RgbaImage photo = makePicture(100, 60, [](int x, int y) { return Rgb{std::uint8_t(x * y), std::uint8_t(x), 40}; });
    const auto bytesOf = [](const QByteArray& jpeg) {
        return jpegCoefficientBytes(reinterpret_cast<const std::uint8_t*>(jpeg.constData()), std::size_t(jpeg.size()));
    };
    EXPECT_EQ(bytesOf(encodeJpeg(photo, 75, true).value()), (14 * 8 + 2 * 7 * 4) * 128);
    EXPECT_EQ(bytesOf(encodeJpeg(photo, 75, false).value()), 0);
}

// A JPEG whose image data stops early is damaged, as a cut file of any other format is, instead
// of coming out with a grey bottom; one that lacks only its end marker is whole.
TEST(JpegCutShort, IsDamagedUnlessOnlyTheEndMarkerIsMissing)
{
    QTemporaryDir dir;
    const RgbaImage photo = makePicture(160, 120, [](int x, int y) { return Rgb{std::uint8_t(x * y), std::uint8_t(x + 3 * y), 90}; });
    for (bool progressive : {false, true}) {
        const QByteArray whole = encodeJpeg(photo, 90, progressive).value();
        ASSERT_TRUE(whole.endsWith("\xFF\xD9"));
        const QString cut = dir.filePath(QStringLiteral("cut.jpg")), unended = dir.filePath(QStringLiteral("unended.jpg")),
                      ended = dir.filePath(QStringLiteral("whole.jpg"));
        ASSERT_TRUE(writeFileContents(cut, whole.left(whole.size() * 2 / 3)) && writeFileContents(unended, whole.chopped(2)) &&
                    writeFileContents(ended, whole));
        const Result<RgbaImage> damaged = loadPictureFile(cut);
        ASSERT_EQ(codeOf(damaged), ErrorCode::CorruptData) << progressive;
        EXPECT_TRUE(damaged.error().message.contains(QStringLiteral("premature end of data segment")));
        EXPECT_FALSE(damaged.error().message.contains(QStringLiteral("`'"))) << damaged.error().message.toStdString();
        const Result<RgbaImage> complete = loadPictureFile(unended);
        ASSERT_TRUE(complete.ok()) << progressive;
        EXPECT_EQ(complete.value().pixels, mustLoad(ended).pixels);
    }
}

// A large picture is scaled to its frame as ImageMagick reads it, row by row, and comes out
// exactly as scaling the whole picture would make it.
TEST(ScalingWhileReading, GivesWhatScalingTheWholePictureGives)
{
    const RgbaImage opaque = makePicture(300, 200, [](int x, int y) {
        return Rgb{std::uint8_t(x * 7 + y), std::uint8_t(y * 3), std::uint8_t((x * y) % 251)};
    });
    RgbaImage translucent = opaque;
    for (std::size_t i = 0; i < translucent.pixels.size(); i += 4)
        translucent.pixels[i + 3] = std::uint8_t((i / 4 % 300 / 30 + i / 4 / 300 / 20) % 3 * 120);
    const std::pair<QByteArray, PictureFormat> pictures[] = {{encodePng(opaque).value(), PictureFormat::Png},
                                                             {encodePng(translucent).value(), PictureFormat::Png},
                                                             {encodeJpeg(opaque, 90).value(), PictureFormat::Jpeg}};
    for (const auto& [bytes, format] : pictures)
        for (const QSize hint : {QSize(64, 48), QSize(120, 190), QSize(31, 400)}) {
            SCOPED_TRACE(pictureFormatName(format).toStdString() + " " + std::to_string(hint.width()));
            DecodeOptions options;
            options.shrinkHintWidth = hint.width();
            options.shrinkHintHeight = hint.height();
            options.scaleWhileReadingAbove = 0;
            const Result<RgbaImage> scaled = decodePicture(bytes, format, options);
            ASSERT_TRUE(scaled.ok());
            // The reference is read whole (as the DCT scale allows) and scaled afterwards.
            options.scaleWhileReadingAbove = INT64_MAX;
            const RgbaImage whole = decodePicture(bytes, format, options).value();
            EXPECT_EQ(comparePictures(scaled.value(), resampleImage(whole, hint.width(), hint.height()).value()), "");
        }
}

// Every extension belongs to one row, every pattern a row offers names that row's format, and
// every row that is read has a way to be recognised.
TEST(FormatRegistry, RowsAgree)
{
    std::set<std::string> extensions;
    for (const PictureFormatRow& row : pictureFormatTable()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(pictureFormatRow(row.format), &row);
        for (const char* extension : row.extensions)
            EXPECT_TRUE(extensions.insert(extension).second) << extension;
        for (const FileTypeEntry& entry : row.fileTypes)
            for (const QString& pattern : QString::fromLatin1(entry.patterns).split(u';'))
                EXPECT_EQ(pictureFormatForExtension(pattern.mid(2).toUpper()), row.format) << entry.patterns;
        const bool read = row.ownReader || row.magick.coder || row.metafile;
        EXPECT_EQ(read, row.sniff || row.namedByExtension);
    }
}

// The GIF size peek walks the blocks to the first image, on whole and cut-short files.
TEST(FormatRegistry, GifSizeTakesInTheFirstImageAndStopsWhereTheBytesEnd)
{
    // Screen 4 x 3 with a two-colour table; a comment in two sub-blocks; a graphic control
    // block; an image of 5 x 4 at (3, 2) with a local table; a second image further out.
    QByteArray gif("GIF89a\x04\x00\x03\x00\x80\x00\x00" "\x00\x00\x00\xff\xff\xff", 19);
    gif += QByteArray("\x21\xfe\x02hi\x01!\x00", 8);
    gif += QByteArray("\x21\xf9\x04\x01\x00\x00\x01\x00", 8);
    const qsizetype descriptor = gif.size();
    gif += QByteArray("\x2c\x03\x00\x02\x00\x05\x00\x04\x00\x80" "\x00\x00\x00\x01\x01\x01" "\x02\x02\x4c\x01\x00", 21);
    gif += QByteArray("\x2c\x00\x00\x00\x00\x09\x00\x09\x00\x00\x02\x02\x4c\x01\x00\x3b", 16);
    for (qsizetype cut = 0; cut <= gif.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::optional<PictureSize> size = peek(gif.left(cut), PictureFormat::Gif);
        ASSERT_EQ(size.has_value(), cut >= 13);
        if (!size)
            continue;
        EXPECT_EQ(std::pair(size->width, size->height), cut >= descriptor + 10 ? std::pair(8, 6) : std::pair(4, 3));  // image seen
    }
    // A block that is no block ends the walk with the screen's size.
    gif[descriptor] = 'x';
    EXPECT_EQ(peek(gif, PictureFormat::Gif)->width, 4);
}

}  // namespace
