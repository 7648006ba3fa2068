// The codec modules: refused when they belong to another build, and the libraries they bring
// named for bug reports.
#include "core/codecs/picture_codec.h"
#include "core/codecs/video_codec.h"
#include "core/media/codec_loader.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

TEST(CodecModules, AreRefusedFromAnotherBuildAndNameTheirLibraries)
{
    for (const auto& [module, entry, version] : {std::tuple{kPictureCodecModule, kPictureCodecEntry, kPictureCodecVersion},
                                                 {ffmpeg::kVideoCodecModule, ffmpeg::kVideoCodecEntry, ffmpeg::kVideoCodecVersion}}) {
        SCOPED_TRACE(module);
        EXPECT_TRUE(loadCodecModule(module, entry, version, QStringLiteral("to test")).ok());
        const Result<const void*> other = loadCodecModule(module, entry, version + 1, QStringLiteral("to test"));
        ASSERT_FALSE(other.ok());
        EXPECT_TRUE(other.error().message.contains(QStringLiteral("another version"))) << other.error().message.toStdString();
    }
    const QStringList lines = libraryVersions();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Qt 6.")) && lines[1].startsWith(QStringLiteral("giflib 5.")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("ImageMagick 6.")) && lines[3].contains(QStringLiteral("libavcodec ")))
        << lines.join(QLatin1Char('|')).toStdString();
}

}  // namespace
}  // namespace pictoreel
