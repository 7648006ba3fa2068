#include "core/media/metafile_adapter.h"

#include "core/codecs/emf_codec.h"
#include "core/media/codec_loader.h"
#include "core/media/large_picture_work.h"

namespace pictoreel {

Result<RgbaImage> drawMetafile(QByteArray bytes, PictureSize own, const DecodeOptions& options)
{
    Result<const MetafileCodec*> codec = loadCodecOnce<MetafileCodec>(
        kMetafileCodecModule, kMetafileCodecEntry, kMetafileCodecVersion, QStringLiteral("to read enhanced metafiles"));
    if (!codec)
        return codec.error();
    const PictureSize hint{options.shrinkHintWidth, options.shrinkHintHeight};
    const bool drawnAtHint = hint.width > 0 && hint.height > 0 && checkPictureLimits(hint.width, hint.height);
    const PictureSize size = drawnAtHint ? hint : own;
    const auto oneAtATime = oneLargePictureAtATime(std::int64_t{size.width} * size.height);
    return codec.value()->draw(std::move(bytes), size);
}

}  // namespace pictoreel
