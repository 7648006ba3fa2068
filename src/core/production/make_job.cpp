#include "core/production/make_job.h"

#include "core/animation/animation_assembler.h"
#include "core/project/numbers.h"
#include "core/project/paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace pictoreel {

QString outputPathFor(const QString& outputFileName, const QString& projectFile)
{
    if (outputFileName.isEmpty() || QDir::isAbsolutePath(outputFileName) || projectFile.isEmpty())
        return outputFileName;
    return joinPath(QFileInfo(projectFile).absolutePath(), outputFileName);
}

std::optional<int> loopCountFor(const ProjectProperties& properties)
{
    if (properties.loopInfinitely == kLoopTicked)
        return 0;
    const std::optional<std::int32_t> value = toInt32(properties.loopTimes);
    if (!value || *value < 0)
        return std::nullopt;
    return std::min(*value, kMaxGifValue);
}

int frameProgressValue(int row, int rows)
{
    return rows <= 0 ? 0 : static_cast<int>(std::nearbyint(row * 50.0 / rows));
}

int saveProgressValue(int percent) { return percent / 2 + 50; }

}  // namespace pictoreel
