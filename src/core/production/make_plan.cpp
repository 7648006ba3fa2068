#include "core/production/make_plan.h"

#include "core/base/file_identity.h"
#include "core/project/numbers.h"

#include <QFileInfo>

namespace pictoreel {

namespace {

// A make never writes over one of its own inputs.
Status checkOutputIsNoInput(const std::vector<FrameValues>& frames, const QString& output, const QString& projectFile)
{
    const FileMatcher outputFile(output);
    if (outputFile.matches(projectFile))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The output file %1 is the project file. Choose another output file.").arg(output));
    for (std::size_t k = 0; k < frames.size(); ++k) {
        if (outputFile.matches(frames[k].picture))
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("The output file %1 is the picture of frame %2. Choose another output file.")
                                 .arg(output)
                                 .arg(k + 1));
    }
    // "make" typed for "project": an animation never replaces a project.
    if (holdsProject(output))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The output file %1 is a project. Choose another output file.").arg(output));
    return {};
}

// The project's Quality sets what the options were not given for.
Status applyQuality(const ProjectProperties& properties, const MakeOptions& options, MakePlan& plan)
{
    if (properties.quality.trimmed().isEmpty())
        return {};
    plan.quality = qualityFromText(properties.quality);
    if (!plan.quality)
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The project's Quality \"%1\" is not a whole number from 1 to 100.")
                             .arg(properties.quality.trimmed()));
    const QualityPoint point = qualityPoint(*plan.quality);
    if (!options.given.colors)
        plan.style.colors = point.colors;
    if (!options.given.dither)
        plan.style.dither = point.dither;
    if (!options.given.lossy)
        plan.lossy = point.lossy;
    plan.temporalThreshold = point.temporalThreshold;
    return {};
}

}  // namespace

OutputKind outputKindFor(const QString& output)
{
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix == QLatin1String("webp"))
        return OutputKind::WebP;
    if (suffix == QLatin1String("png") || suffix == QLatin1String("apng"))
        return OutputKind::Png;
    return OutputKind::Gif;
}

std::optional<std::int64_t> sizeBudgetFor(const ProjectProperties& properties)
{
    return properties.maxSize.trimmed().isEmpty() ? std::nullopt : byteSizeFromText(properties.maxSize);
}

Result<MakePlan> planMake(const FrameList& frames, const ProjectProperties& properties, const QString& output,
                          const MakeOptions& options)
{
    const int rows = frames.rowCount();
    if (rows < 2)
        return makeError(ErrorCode::InvalidArgument, QLatin1String(kTooFewFramesToMake));
    if (output.trimmed().isEmpty())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("No output file is set."));
    const Result<FrameSize> size = frameSizeFromTexts(properties.width, properties.height);
    if (!size)
        return size.error();
    MakePlan plan;
    if (!properties.crop.trimmed().isEmpty()) {
        plan.crop = cropRegionFromText(properties.crop);
        if (!plan.crop)
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("The project's Crop \"%1\" is not a part of the pictures such as 600x400+100+50 "
                                            "(width x height + left + top, in pixels) or 50%x50%+25%+0%.")
                                 .arg(properties.crop.trimmed()));
    }
    plan.orientation = orientationFromTexts(properties.rotate, properties.mirror);
    plan.captions = properties.captions;
    plan.output = output;
    plan.kind = outputKindFor(output);
    plan.size = size.value();
    plan.frames.reserve(static_cast<std::size_t>(rows));
    for (int row = 1; row <= rows; ++row)
        plan.frames.push_back(frameValuesAt(frames, row));
    if (Status s = checkOutputIsNoInput(plan.frames, output, options.projectFile); !s)
        return s.error();
    plan.style = frameStyleFor(properties);
    plan.loopCount = loopCountFor(properties);
    plan.budget = sizeBudgetFor(properties);
    if (plan.isGif()) {
        plan.style.colors = options.colors;
        plan.style.dither = options.dither;
        plan.lossy = options.lossy;
        plan.temporalThreshold = qualityPoint(kBestQuality).temporalThreshold;
        if (Status s = applyQuality(properties, options, plan); !s)
            return s.error();
        if (!plan.budget && !properties.maxSize.trimmed().isEmpty())
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("The project's Max size \"%1\" is not a size in bytes such as 3000000, 500K or 2.5M.")
                                 .arg(properties.maxSize.trimmed()));
    }
    return plan;
}

FrameShaping frameShapingFor(const MakePlan& plan, int frameNumber)
{
    return frameShapingFor(plan.crop, plan.orientation, plan.captions, frameNumber);
}

std::vector<FrameConversion> frameConversionsFor(const MakePlan& plan, const QString& tempFolder)
{
    std::vector<FrameConversion> conversions;
    conversions.reserve(plan.frames.size());
    for (std::size_t k = 0; k < plan.frames.size(); ++k)
        conversions.push_back(frameConversionFor(plan.frames[k], plan.size, tempFolder, plan.style,
                                                 frameShapingFor(plan, static_cast<int>(k) + 1)));
    return conversions;
}

}  // namespace pictoreel
