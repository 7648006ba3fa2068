// pictoreel-cli project PICTURE... -o PROJECT.agp [picture options] [--force]: writes the project
// that "make PICTURE..." would make, for the window or a later "make PROJECT.agp".
#include "caption_options.h"
#include "cli_support.h"
#include "commands.h"
#include "picture_list.h"
#include "shape_options.h"

#include "core/project/project_file.h"

#include <QFileInfo>

#include <limits>

namespace pictoreel::cli {

int runProject(const QStringList& words)
{
    const Arguments args(words, {QStringLiteral("--force")},
                         QStringList{QStringLiteral("-o"), QStringLiteral("--max-size")} + kPictureListOptions + kShapeOptions +
                             kCaptionOptions,
                         std::numeric_limits<qsizetype>::max(), kCaptionOptions);
    const auto output = args.value(QStringLiteral("-o"));
    if (!args.ok() || args.positional().isEmpty() || !output || output->trimmed().isEmpty()) {
        printError(args.ok() ? QStringLiteral("usage: pictoreel-cli project PICTURE... -o PROJECT.agp [--delay N | --fps N] "
                                              "[--size WxH | --width W | --height H] [--loop N|forever] "
                                              "[--transparent RRGGBB] [--fit stretch|contain|cover] [--fit-background RRGGBB] "
                                              "[--max-size BYTES] [--force]\n"
                                              "                           %1\n"
                                              "                           %2")
                                   .arg(QLatin1String(kShapeUsage), QLatin1String(kCaptionUsage))
                             : args.error());
        return kExitUsage;
    }
    auto project = pictureProjectFrom(args.positional(), args, PictureProjectUse::Write);
    if (!project || !readMaxSize(args, project->properties) || !applyShapeOptions(args, project->properties, project->frames))
        return kExitUsage;
    Result<CaptionLayers> captions = captionsFrom(args.values());
    if (!captions) {
        printError(captions.error().message);
        return kExitUsage;
    }
    project->properties.captions = std::move(captions).value();
    // The project names its GIF, and its pictures, by full paths, as the window's do.
    const QString path = absolutePathOf(output->trimmed());
    if (Status usable = checkProjectFile(path); !usable) {
        printError(usable.error().message);
        return kExitFailure;
    }
    if (QFileInfo(path).size() > 0 && !args.flag(QStringLiteral("--force"))) {
        printError(QStringLiteral("%1 already exists; --force writes the new project over it").arg(path));
        return kExitFailure;
    }
    if (Status written = writeProjectFile(path, project->frames, project->properties); !written) {
        printError(written.error().message);
        return kExitFailure;
    }
    int missing = 0;
    for (int row = 1; row <= project->frames.rowCount(); ++row) {
        const FrameEntry& frame = project->frames.row(row);
        if (!QFileInfo(frame.folder + frame.fileName).isFile()) {
            printError(missingPictureText(row, frame.folder + frame.fileName));
            ++missing;
        }
    }
    return missing == 0 ? kExitOk : kExitMadeIncomplete;
}

}  // namespace pictoreel::cli
