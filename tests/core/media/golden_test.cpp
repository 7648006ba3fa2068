// Golden cases: the case lists in tests/data/golden name pictures and GIFs of the shared test
// data and the reference pictures (or pixels) each must decode to (the lists explain their format);
// add-dialog-filter.txt is the add dialog's file-type filter, word for word.
#include "core/codecs/decode_options.h"
#include "core/codecs/picture_codec.h"
#include "core/formats/picture_formats.h"
#include "core/media/codec_loader.h"
#include "core/media/ffmpeg_adapter.h"
#include "core/gif/gif_reader.h"
#include "core/media/imaging_component.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

// The lines of a case list, each split at white space; comments and blank lines left out.
std::vector<QStringList> caseLines(const char* list)
{
    std::vector<QStringList> lines;
    for (const QString& line : tableLines(QStringLiteral(PICTOREEL_TEST_DATA "/golden/") + QLatin1String(list)))
        lines.push_back(line.trimmed().split(QRegularExpression(QStringLiteral("\\s+"))));
    return lines;
}

// A path of a case list: in our own tests/data when it starts so, else in the shared data.
QString dataPath(QString path)
{
    return path.startsWith(u"tests/data/") ? path.replace(0, 10, QStringLiteral(PICTOREEL_TEST_DATA)) : sharedData(path.toUtf8().constData());
}

// The files a pattern names: one file, or every file its '*' matches.
QFileInfoList filesMatching(const QString& pattern)
{
    const QFileInfo info(dataPath(pattern));
    if (!pattern.contains(QLatin1Char('*')))
        return {info};
    return QDir(info.path()).entryInfoList({info.fileName()}, QDir::Files, QDir::Name);
}

// The reference path for a case: {name} and its '_' parts, {k} and {k:N} for frame k, {n:N} for k + 1.
QString referenceFor(QString pattern, const QFileInfo& file, int k = 0)
{
    const QString name = file.completeBaseName();
    const QStringList parts = name.split(QLatin1Char('_'));
    pattern.replace(QStringLiteral("{name}"), name);
    for (int i = 0; i < parts.size(); ++i)
        pattern.replace(QStringLiteral("{%1}").arg(i + 1), parts[i]);
    const QRegularExpressionMatch frame = QRegularExpression(QStringLiteral("\\{([kn])(?::(\\d+))?\\}")).match(pattern);
    if (frame.hasMatch())
        pattern.replace(frame.capturedStart(), frame.capturedLength(),
                        QStringLiteral("%1").arg(k + (frame.captured(1) == u"n"), frame.captured(2).toInt(), 10, QLatin1Char('0')));
    return dataPath(pattern);
}

RgbaImage loadReference(const QString& path)
{
    if (path.endsWith(QStringLiteral(".nie")))
        return readNie(path).value_or(RgbaImage());
    Result<RgbaImage> picture = loadPictureFile(path);
    EXPECT_TRUE(picture) << path.toStdString() << ": " << (picture ? "" : picture.error().text().toStdString());
    return picture ? std::move(picture).value() : RgbaImage();
}

// An empty string when `actual` passes `comparison` against `expected`, otherwise why not.
std::string compare(const RgbaImage& actual, const RgbaImage& expected, const QString& comparison)
{
    const QStringList kind = comparison.split(QLatin1Char(':'));
    if (kind[0] == u"exact" || kind[0] == u"within")
        return comparePictures(actual, expected, kind.value(1).toInt());
    if (kind[0] == u"psnr") {
        const double quality = psnr(actual, expected);
        return quality >= kind.value(1).toDouble() ? std::string() : "PSNR " + std::to_string(quality) + " dB";
    }
    if (kind[0] == u"alpha") {
        RgbaImage alpha(actual.width, actual.height);
        for (std::size_t i = 0; i < alpha.pixels.size(); i += 4) {
            std::fill_n(&alpha.pixels[i], 3, actual.pixels[i + 3]);
            alpha.pixels[i + 3] = 255;
        }
        return comparePictures(alpha, expected);
    }
    return "unknown comparison " + comparison.toStdString();
}

// The picture of `path` as ImageMagick reads it, as it does the pictures too large for our readers.
Result<RgbaImage> decodeWithMagick(const QString& path)
{
    Result<const PictureCodec*> codec = loadCodecOnce<PictureCodec>(kPictureCodecModule, kPictureCodecEntry,
                                                                    kPictureCodecVersion, QStringLiteral("to read pictures"));
    if (!codec)
        return codec.error();
    const QByteArray bytes = fileContents(path);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const PictureFormatRow* row = pictureFormatRow(sniffPictureFormat(data, std::size_t(bytes.size()), QFileInfo(path).suffix()));
    if (!row || !row->magick.coder)
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("ImageMagick does not read this format"));
    return codec.value()->decode(bytes, row->magick, DecodeOptions{}, std::nullopt);
}

// One picture against its reference, read as the program reads it or by `decoder` ("magick").
void checkPicture(const QFileInfo& file, const QString& reference, const QString& comparison, const QString& decoder)
{
    Result<RgbaImage> picture = decoder == u"magick" ? decodeWithMagick(file.filePath()) : loadPictureFile(file.filePath());
    ASSERT_TRUE(picture) << file.fileName().toStdString() << ": " << picture.error().text().toStdString();
    if (comparison == u"loads")
        return;
    if (comparison.startsWith(QStringLiteral("size:")))  // no reference picture, just the size
        EXPECT_EQ(QStringLiteral("size:%1x%2").arg(picture.value().width).arg(picture.value().height).toStdString(), comparison.toStdString());
    else
        EXPECT_EQ(compare(picture.value(), loadReference(reference), comparison), "") << file.fileName().toStdString();
}

// Every frame of a GIF against the references `pattern` names for it.
void checkGif(const QFileInfo& file, const QString& pattern)
{
    SCOPED_TRACE(file.fileName().toStdString());
    QStringList references;
    for (const QString& alternative : pattern.split(QLatin1Char('|'))) {
        const bool numbered = alternative.contains(QStringLiteral("{k"));
        while ((numbered || references.isEmpty()) && QFile::exists(referenceFor(alternative, file, references.size())))
            references << referenceFor(alternative, file, references.size());
        if (!references.isEmpty())
            break;
    }
    ASSERT_FALSE(references.isEmpty());
    Result<DecodedGif> gif = decodeGifFile(file.filePath());
    ASSERT_TRUE(gif) << gif.error().text().toStdString();
    ASSERT_EQ(gif.value().frames.size(), std::size_t(references.size()));
    for (std::size_t k = 0; k < gif.value().frames.size(); ++k) {
        EXPECT_TRUE(gif.value().frames[k].complete) << "frame " << k;
        EXPECT_EQ(comparePictures(gif.value().frames[k].image, loadReference(references[int(k)])), "") << "frame " << k;
    }
}

}  // namespace

class Golden : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!sharedDataPresent())
            GTEST_SKIP() << "shared test data not present";
    }
};

TEST(GoldenText, AddDialogFilterIsAsListed)
{
    EXPECT_EQ(pictureFilesFilter().toStdString(),
              fileContents(QStringLiteral(PICTOREEL_TEST_DATA "/golden/add-dialog-filter.txt")).trimmed().toStdString());
}

TEST_F(Golden, PicturesDecodeToTheirReferences)
{
    for (const QStringList& line : caseLines("pictures.txt")) {
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        const bool optional = line.value(1).startsWith(QLatin1Char('?'));
        int cases = 0;
        for (const QFileInfo& file : filesMatching(line[0])) {
            const QString reference = referenceFor(line.value(1).mid(optional ? 1 : 0), file);
            if (optional && !QFile::exists(reference))
                continue;
            ++cases;
            checkPicture(file, reference, line.value(2, QStringLiteral("exact")), line.value(3));
        }
        EXPECT_GT(cases, 0);
    }
}

TEST_F(Golden, GifFramesMatchTheirReferences)
{
    for (const QStringList& line : caseLines("gif-frames.txt")) {
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        const QFileInfoList gifs = filesMatching(line[0]);
        EXPECT_FALSE(gifs.isEmpty());
        for (const QFileInfo& file : gifs)
            checkGif(file, line.value(1));
    }
}

TEST_F(Golden, GifPixelsAreAsListed)
{
    for (const QStringList& line : caseLines("gif-pixels.txt")) {
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        Result<DecodedGif> gif = decodeGifFile(dataPath(line[0]));
        ASSERT_TRUE(gif) << gif.error().text().toStdString();
        ASSERT_EQ(gif.value().frames.size(), line[1].toULongLong());
        const GifFrame& frame = gif.value().frames.at(line[2].toULongLong());
        for (const QString& probe : line.mid(3)) {
            const QStringList parts = probe.split(QRegularExpression(QStringLiteral("[,=]")));
            const int x = parts.value(0).toInt(), y = parts.value(1).toInt();  // a pixel off the screen never matches
            const std::uint8_t* p = parts.size() == 3 && x >= 0 && y >= 0 && x < frame.image.width && y < frame.image.height ? frame.image.pixel(x, y) : nullptr;
            const QString shown = p                     ? QString::asprintf("%02x%02x%02x%02x", p[0], p[1], p[2], p[3])
                                  : parts[0] == u"delay" ? QString::number(frame.delayCentiseconds)
                                  : parts[0] == u"loop"  ? QString::number(gif.value().info.loopCount.value_or(-1))
                                                         : QString::number(frame.complete);
            EXPECT_EQ(shown.toStdString(), parts.back().toStdString()) << probe.toStdString();
        }
    }
}

TEST_F(Golden, VideoFramesMatchTheirReferences)
{
    for (const QStringList& line : caseLines("video-frames.txt")) {
        SCOPED_TRACE(line.join(QLatin1Char(' ')).toStdString());
        const QFileInfo file(dataPath(line[0]));
        Result<ffmpeg::VideoDecoder> video = ffmpeg::VideoDecoder::open(file.filePath());
        ASSERT_TRUE(video) << video.error().text().toStdString();
        int k = 0;
        for (Result<std::optional<ffmpeg::VideoFrame>> frame = video.value().nextFrame(); frame && frame.value();
             frame = video.value().nextFrame(), ++k)
            EXPECT_EQ(compare(frame.value()->image, loadReference(referenceFor(line[2], file, k)), line.value(3, QStringLiteral("exact"))), "")
                << "frame " << k;
        EXPECT_EQ(k, line[1].toInt());
    }
}
