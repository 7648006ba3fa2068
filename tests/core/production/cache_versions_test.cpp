// A change of what the caches hold has to come with a new version of their records and names:
// the bytes one small fixed project leaves in them are compared with those listed beside their
// versions in tests/data/cache/versions.txt.
#include "core/formats/gif_blocks.h"
#include "core/production/animation_cache.h"
#include "core/production/frame_cache.h"
#include "core/production/make_gif.h"
#include "support/files.h"
#include "support/test_pictures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <map>

namespace pictoreel {
namespace {

// A cache file's bytes without its comments (the record names the picture's file and times).
QByteArray withoutComments(const QByteArray& gif)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(gif.constData());
    gif::BlockWalker walker(bytes, static_cast<std::size_t>(gif.size()));
    QByteArray kept;
    std::optional<gif::Block> block = walker.next();
    kept += gif.left(block ? qsizetype(block->at) : gif.size());
    for (; block; block = walker.next()) {
        if (block->kind == gif::BlockKind::Trailer) {
            kept += char(gif::kTrailerByte);
            break;
        }
        if (!(block->kind == gif::BlockKind::Extension && block->label == gif::kCommentLabel))
            kept += gif.mid(qsizetype(block->at), qsizetype(block->end - block->at));
    }
    return kept;
}

QByteArray sha256(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); }

struct Listed {
    int version = 0;
    QByteArray hash;
};

std::map<QString, Listed> listedCaches()
{
    QFile file(QStringLiteral(PICTOREEL_TEST_DATA "/cache/versions.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    std::map<QString, Listed> listed;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (!line.isEmpty() && !line.startsWith(u'#') && words.size() == 3)
            listed[words[0]] = {words[1].toInt(), words[2].toLatin1()};
    }
    return listed;
}

TEST(CacheVersions, CachedBytesChangeOnlyWithTheirVersion)
{
    QTemporaryDir dir;
    const QString temp = dir.filePath("temp") + "/";
    ASSERT_TRUE(QDir().mkpath(temp));
    FrameList frames;
    const std::vector<RgbaImage> pictures{
        testing::makePicture(40, 30, [](int x, int y) { return Rgb{std::uint8_t(x * 6), std::uint8_t(y * 8), std::uint8_t((x + y) * 3)}; }),
        testing::makePicture(40, 30, [](int x, int y) { return (x / 8 + y / 6) % 2 ? Rgb{250, 250, 240} : Rgb{20, 60, 200}; }),
        testing::solidPicture(40, 30, {200, 30, 30})};
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        const QString name = QStringLiteral("%1.bmp").arg(QChar(u'a' + int(k)));
        testing::writeBmp(dir.filePath(name), pictures[k]);
        frames.AddFrameFromString(QStringLiteral("%1;NO;0;%2;%3/").arg(10 + 5 * int(k)).arg(name, dir.path()));
    }
    ProjectProperties properties;
    properties.width = "32";
    properties.height = "24";
    MakeOptions options;
    options.tempFolder = temp;
    options.jobs = 1;
    const QString output = dir.filePath("out.gif");
    const auto made = makeAnimatedGif(frames, properties, output, options);
    ASSERT_TRUE(made.ok()) << made.error().message.toStdString();

    QByteArray frameBytes;
    for (const QString& name : QDir(temp).entryList({"__tmp__?.bmp*.gif"}, QDir::Files, QDir::Name))
        frameBytes += withoutComments(testing::fileContents(temp + name));
    ASSERT_FALSE(frameBytes.isEmpty());
    const std::map<QString, std::pair<Listed, const char*>> now{
        {"frame-cache", {{frameCacheVersion(), sha256(frameBytes)}, "kRecordHeader in src/core/production/frame_cache.cpp"}},
        {"animation-cache",
         {{assemblyVersion(), sha256(testing::fileContents(output))}, "kAssemblyVersion in src/core/production/animation_cache.cpp"}}};
    const std::map<QString, Listed> listed = listedCaches();
    for (const auto& [cache, current] : now) {
        const auto& [made, where] = current;
        ASSERT_TRUE(listed.count(cache)) << cache.toStdString() << " is not listed in tests/data/cache/versions.txt";
        const Listed& was = listed.at(cache);
        const std::string line = QStringLiteral("%1  %2  %3").arg(cache).arg(made.version).arg(QString::fromLatin1(made.hash)).toStdString();
        if (made.version == was.version)
            EXPECT_EQ(made.hash.toStdString(), was.hash.toStdString()) << "What the " << cache.toStdString() << " holds changed, but not its version: raise "
                                           << where << ", then write this line into tests/data/cache/versions.txt:\n  " << line;
        else
            EXPECT_TRUE(false) << "The " << cache.toStdString() << "'s version changed: write this line into "
                               << "tests/data/cache/versions.txt:\n  " << line;
    }
}

}  // namespace
}  // namespace pictoreel
