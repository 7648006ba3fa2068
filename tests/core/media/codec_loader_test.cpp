// The codec modules: refused when they belong to another build. (The libraries they bring, named
// for bug reports, are in pictoreel-cli --version.)
#include "core/codecs/picture_codec.h"
#include "core/codecs/video_codec.h"
#include "core/media/codec_loader.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

TEST(CodecModules, AreRefusedFromAnotherBuild)
{
    for (const auto& [module, entry, version] : {std::tuple{kPictureCodecModule, kPictureCodecEntry, kPictureCodecVersion},
                                                 {ffmpeg::kVideoCodecModule, ffmpeg::kVideoCodecEntry, ffmpeg::kVideoCodecVersion}}) {
        SCOPED_TRACE(module);
        EXPECT_TRUE(loadCodecModule(module, entry, version, QStringLiteral("to test")).ok());
        const Result<const void*> other = loadCodecModule(module, entry, version + 1, QStringLiteral("to test"));
        ASSERT_FALSE(other.ok());
        EXPECT_TRUE(other.error().message.contains(QStringLiteral("another version"))) << other.error().message.toStdString();
    }
}

}  // namespace
}  // namespace pictoreel
