// pictoreel-cli make PROJECT.agp [-o OUT.gif] [--temp DIR] [--jobs N] [--quiet]
#include "cli_support.h"
#include "commands.h"

#include "core/production/make_gif.h"
#include "core/project/paths.h"
#include "core/project/program_values.h"
#include "core/project/project_file.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace pictoreel::cli {
namespace {

// The temp folder the window would use: "Temp Path" of the settings file beside the programs.
QString windowTempFolder()
{
    const QString folder = settingsFolderFor(executableFolder());
    return resolveProgramValues(folder, [](const QString& message) { printError(message); }).tempFolder;
}

}  // namespace

int runMake(const QStringList& words)
{
    const Arguments args(words, {QStringLiteral("--quiet")}, {QStringLiteral("-o"), QStringLiteral("--temp"), QStringLiteral("--jobs")}, 1);
    if (!args.ok() || args.positional().size() != 1) {
        printError(args.ok() ? QStringLiteral("usage: pictoreel-cli make PROJECT.agp [-o OUT.gif] [--temp DIR] [--jobs N] [--quiet]")
                             : args.error());
        return kExitUsage;
    }
    MakeOptions options;
    if (const auto jobs = args.value(QStringLiteral("--jobs"))) {
        bool ok = false;
        options.jobs = jobs->toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > 256) {
            printError(QStringLiteral("--jobs wants a number from 1 to 256, not \"%1\"").arg(*jobs));
            return kExitUsage;
        }
    }
    const QString projectPath = args.positional().front();
    if (!QFileInfo(projectPath).isFile()) {
        printError(QStringLiteral("no such project file: %1").arg(projectPath));
        return kExitFailure;
    }
    ProjectProperties properties;
    FrameList frames;
    if (Status read = readProjectFile(projectPath, properties, frames); !read) {
        printError(read.error().message);
        return kExitFailure;
    }

    // -o is the user's own path; the project's output name is taken from the project's folder.
    const auto outputOption = args.value(QStringLiteral("-o"));
    const QString output = outputOption ? outputOption->trimmed()
                                        : outputPathFor(properties.outputFile.trimmed(), QFileInfo(projectPath).absoluteFilePath());
    if (frames.rowCount() < 2) {
        printError(QLatin1String(kTooFewFramesToMake));
        return kExitFailure;
    }
    if (output.isEmpty()) {
        printError(QStringLiteral("the project names no output GIF file; give one with -o OUT.gif"));
        return kExitFailure;
    }
    if (const auto temp = args.value(QStringLiteral("--temp"))) {
        options.tempFolder = withTrailingSeparator(*temp);
        MakePath(options.tempFolder, [](const QString& message) { printError(message); });
    } else {
        options.tempFolder = windowTempFolder();
    }

    const bool quiet = args.flag(QStringLiteral("--quiet"));
    ProgressBar bar(quiet);
    MakeEvents events;
    events.frameAdded = [&](int value) { bar.show(value); };
    events.saveProgress = [&](int percent) { bar.show(saveProgressValue(percent)); };
    events.frameFailed = [&](int row, const QString& picture, const Error& error) {
        bar.finish();
        printError(QStringLiteral("frame %1 (%2): %3; it shows the frame before it").arg(row).arg(picture, error.message));
    };
    options.projectFile = QFileInfo(projectPath).absoluteFilePath();
    const InterruptCatcher interrupts;
    options.stopRequested = &InterruptCatcher::interrupted;

    QElapsedTimer timer;
    timer.start();
    const auto made = makeAnimatedGif(frames, properties, output, options, events);
    bar.finish();
    if (!made) {
        if (made.error().code == ErrorCode::Cancelled) {
            printError(QStringLiteral("interrupted; nothing was written to %1").arg(output));
            InterruptCatcher::endInterrupted();
        }
        printError(made.error().message);
        return kExitFailure;
    }
    const MakeReport& report = made.value();
    for (const MissingPicture& m : report.missing) {
        printError(m.picture.isEmpty() ? QStringLiteral("frame %1: names no picture; it shows the frame before it").arg(m.row)
                                       : QStringLiteral("frame %1: missing picture %2; it shows the frame before it")
                                             .arg(m.row)
                                             .arg(m.picture));
    }
    if (!quiet) {
        printLine(QStringLiteral("%1: %2 frames, %3 bytes, %4 s")
                      .arg(output)
                      .arg(made.value().frames)
                      .arg(QFileInfo(output).size())
                      .arg(timer.elapsed() / 1000.0, 0, 'f', 2));
    }
    return report.missing.empty() && report.failed == 0 ? kExitOk : kExitMadeIncomplete;
}

}  // namespace pictoreel::cli
