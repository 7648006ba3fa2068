#include "core/project/frame_values.h"

#include "core/base/limits.h"
#include "core/project/numbers.h"
#include "core/project/paths.h"

namespace pictoreel {

FrameValues frameValuesAt(const FrameList& frames, int row)
{
    const FrameEntry& entry = frames.row(row);
    return FrameValues{GetFramePicturePath(frames, row), entry.fileName,
                       toInt16(entry.interval).value_or(kDefaultFrameInterval),
                       entry.transparent.trimmed().toUpper() == u"YES", toInt32(entry.transColor)};
}

QString GetFramePicturePath(const FrameList& frames, int row)
{
    const FrameEntry& entry = frames.row(row);
    const QString folder = entry.folder.trimmed();
    const QString name = entry.fileName.trimmed();
    if (folder.isEmpty())
        return name;
    if (name.isEmpty())
        return QString();
    return joinPath(folder, name);
}

Result<int> frameSideFromText(const QString& text, const char* what)
{
    const auto value = toInt32(text);
    if (!value || *value < 1 || *value > kLimits.maxSide)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The %1 \"%2\" is not a number of pixels from 1 to %3.")
                                                         .arg(QLatin1String(what), text)
                                                         .arg(kLimits.maxSide));
    return *value;
}

Result<FrameSize> frameSizeFromTexts(const QString& widthText, const QString& heightText)
{
    const auto width = frameSideFromText(widthText, "width");
    if (!width)
        return width.error();
    const auto height = frameSideFromText(heightText, "height");
    if (!height)
        return height.error();
    return FrameSize{width.value(), height.value(), widthText, heightText};
}

}  // namespace pictoreel
