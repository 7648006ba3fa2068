// pictoreel-cli make PROJECT.agp [-o OUT.gif] [quality options] [--temp DIR] [--jobs N] [--quiet] [--json]
// pictoreel-cli make PICTURE... -o OUT.gif [picture options] [quality options] [--temp DIR] [--jobs N] [--quiet] [--json]
#include "caption_options.h"
#include "cli_support.h"
#include "commands.h"
#include "picture_list.h"
#include "shape_options.h"

#include "core/formats/picture_formats.h"
#include "core/production/budget_make.h"
#include "core/production/make_gif.h"
#include "core/production/make_other_formats.h"
#include "core/production/quality_curve.h"
#include "core/project/frame_key_gap.h"
#include "core/project/frame_values.h"
#include "core/project/numbers.h"
#include "core/project/orientation.h"
#include "core/project/paths.h"
#include "core/project/program_values.h"
#include "core/project/project_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <utility>
#include <limits>
#include <optional>

namespace pictoreel::cli {
namespace {

const auto kUsage = "usage: pictoreel-cli make PROJECT.agp [-o OUT.gif] [quality options] [--temp DIR] [--jobs N] [--quiet] [--json]\n"
                    "       pictoreel-cli make PICTURE... -o OUT.gif [--delay N | --fps N] [--size WxH | --width W | --height H]\n"
                    "                          [--loop N|forever] [--transparent RRGGBB] [--fit stretch|contain|cover]\n"
                    "                          [--fit-background RRGGBB] [quality options]\n"
                    "                          [--temp DIR] [--jobs N] [--quiet] [--json]\n"
                    "quality options: [--quality 1..100] [--colors 2..256] [--dither none|ordered|diffusion] [--lossy 0..100]\n"
                    "                 [--max-size BYTES[K|M]]\n"
                    "both makes also take: [--crop WxH+X+Y] [--rotate 90|180|270] [--flip h|v] [--speed PERCENT]\n"
                    "                      [--caption TEXT [--caption-* ...]]... (as \"project\" takes them)\n"
                    "OUT ending in .webp makes an animated WebP, in .png or .apng an animated PNG (quality options unused)";

const QStringList kQualityOptions{QStringLiteral("--colors"), QStringLiteral("--dither"), QStringLiteral("--lossy"),
                                  QStringLiteral("--max-size"), QStringLiteral("--quality")};

// A whole number of `low`..`high` given with `option`, told about when it is wrong.
std::optional<int> numberOption(const Arguments& args, const QString& option, int low, int high, int fallback)
{
    const auto text = args.value(option);
    if (!text)
        return fallback;
    bool ok = false;
    const int value = text->toInt(&ok);
    if (ok && value >= low && value <= high)
        return value;
    printError(QStringLiteral("%1 wants a number from %2 to %3, not \"%4\"").arg(option).arg(low).arg(high).arg(*text));
    return std::nullopt;
}

// The quality options into `options`, `properties` (the size budget) and the summary's settings;
// false once a wrong one is told.
bool readQualityOptions(const Arguments& args, MakeOptions& options, ProjectProperties& properties, QJsonObject& settings)
{
    if (!readMaxSize(args, properties) || !readQuality(args, properties))
        return false;
    const auto colors = numberOption(args, QStringLiteral("--colors"), 2, 256, options.colors);
    const auto lossy = numberOption(args, QStringLiteral("--lossy"), 0, 100, options.lossy);
    if (!colors || !lossy)
        return false;
    options.colors = *colors;
    options.lossy = *lossy;
    options.given.colors = args.value(QStringLiteral("--colors")).has_value();
    options.given.lossy = args.value(QStringLiteral("--lossy")).has_value();
    static const QHash<QString, DitherMode> dithers{{QStringLiteral("none"), DitherMode::None},
                                                    {QStringLiteral("ordered"), DitherMode::Ordered},
                                                    {QStringLiteral("diffusion"), DitherMode::Diffusion}};
    if (const auto dither = args.value(QStringLiteral("--dither"))) {
        if (!dithers.contains(*dither)) {
            printError(QStringLiteral("--dither wants none, ordered or diffusion, not \"%1\"").arg(*dither));
            return false;
        }
        options.dither = dithers.value(*dither);
        options.given.dither = true;
    }
    MakeOptions shown = options;  // as the project's Quality sets what was not given
    if (const auto quality = qualityFromText(properties.quality)) {
        const QualityPoint point = qualityPoint(*quality);
        shown.colors = options.given.colors ? options.colors : point.colors;
        shown.dither = options.given.dither ? options.dither : point.dither;
        shown.lossy = options.given.lossy ? options.lossy : point.lossy;
        settings[QStringLiteral("quality")] = *quality;
    }
    settings[QStringLiteral("colors")] = shown.colors;
    settings[QStringLiteral("dither")] = dithers.key(shown.dither);
    settings[QStringLiteral("lossy")] = shown.lossy;
    if (const auto budget = sizeBudgetFor(properties))
        settings[QStringLiteral("maxSize")] = qint64(*budget);
    return true;
}

// The temp folder the window would use: "Temp Path" of the settings file beside the programs.
QString windowTempFolder()
{
    const QString folder = settingsFolderFor(executableFolder());
    return resolveProgramValues(folder, [](const QString& message) { printError(message); }).tempFolder;
}

// A lone argument is a project when it is named so, or when it holds a project.
bool isProjectArgument(const QString& path)
{
    const QFileInfo info(path);
    return info.suffix().compare(QStringLiteral("agp"), Qt::CaseInsensitive) == 0 ||
           (info.isFile() && info.size() > 0 && checkProjectFile(path).ok());
}

// What a frame without a picture shows: the frame before it, or nothing at all (transparent
// pixels) when it is the first.
QString standInText(int row)
{
    return row == 1 ? QStringLiteral("it is left transparent") : QStringLiteral("it shows the frame before it");
}

// The frames without a picture of their own, in frame order: missing ones and unreadable ones.
QJsonArray missingFrames(const MakeReport& report, std::vector<std::pair<int, QString>> failed)
{
    for (const MissingPicture& m : report.missing)
        failed.emplace_back(m.row, m.picture);
    std::sort(failed.begin(), failed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QJsonArray list;
    for (const auto& [row, picture] : failed)
        list.append(QJsonObject{{QStringLiteral("frame"), row}, {QStringLiteral("path"), picture}});
    return list;
}

struct MakeJob {
    ProjectProperties properties;
    FrameList frames;
    QString output;
    QString projectFile;  // empty for pictures
    QJsonObject settings;
};

int make(const MakeJob& job, const Arguments& args, MakeOptions options)
{
    if (const auto temp = args.value(QStringLiteral("--temp"))) {
        // An empty name would make the root folder the temp folder.
        if (temp->trimmed().isEmpty()) {
            printError(QStringLiteral("--temp wants a folder, not an empty name"));
            return kExitUsage;
        }
        options.tempFolder = withTrailingSeparator(QFileInfo(*temp).absoluteFilePath());
        MakePath(options.tempFolder, folderErrorPrinter(options.tempFolder));
    } else {
        options.tempFolder = windowTempFolder();
    }
    // Every frame passes through the temp folder: without one there is nothing to make, and the
    // reason has been told once, above.
    if (const QFileInfo temp(options.tempFolder); !temp.isDir() || !temp.isWritable()) {
        if (temp.isDir())
            printError(QStringLiteral("Cannot write in the temp folder %1").arg(QDir::toNativeSeparators(options.tempFolder)));
        printError(QStringLiteral("nothing was made"));
        return kExitFailure;
    }
    const bool json = args.flag(QStringLiteral("--json"));
    const bool quiet = args.flag(QStringLiteral("--quiet"));
    ProgressBar bar(quiet);
    MakeEvents events;
    std::vector<std::pair<int, QString>> failed;
    events.frameAdded = [&](int value) { bar.show(value); };
    events.saveProgress = [&](int percent) { bar.show(saveProgressValue(percent)); };
    events.frameFailed = [&](int row, const QString& picture, const Error& error) {
        bar.finish();
        QString why = error.message;
        if (why.endsWith(u'.'))
            why.chop(1);  // the sentence goes on
        printError(QStringLiteral("frame %1 (%2): %3; %4").arg(row).arg(picture, why, standInText(row)));
        failed.emplace_back(row, picture);
    };
    options.projectFile = job.projectFile;
    QJsonObject chosen = job.settings;
    ProjectProperties properties = job.properties;
    // A WebP or PNG keeps its pictures' own colours: the GIF's colour and size options would do
    // nothing there, so they are refused rather than passed over.
    const bool gif = !isOtherAnimationOutput(job.output);
    for (const char* gifOnly : {"--max-size", "--colors", "--lossy", "--dither", "--quality"}) {
        if (!gif && args.value(QLatin1String(gifOnly))) {
            printError(QStringLiteral("%1 makes GIF files only, not %2").arg(QLatin1String(gifOnly), job.output));
            return kExitUsage;
        }
    }
    if (gif && !readQualityOptions(args, options, properties, chosen))
        return kExitUsage;
    FrameList frames = job.frames;
    if (!applyShapeOptions(args, properties, frames))
        return kExitUsage;
    // A quarter turn asked on top of a project turns its frame too, as the window's Rotate does
    // (a list of pictures has its size from the turned pictures already).
    if (const auto rotate = args.value(QStringLiteral("--rotate"));
        !job.projectFile.isEmpty() && rotate && quarterTurnsFromText(*rotate).value_or(0) % 2 == 1)
        std::swap(properties.width, properties.height);
    Result<CaptionLayers> captions = captionsFrom(args.values());
    if (!captions) {
        printError(captions.error().message);
        return kExitUsage;
    }
    for (CaptionLayer& layer : captions.value())
        properties.captions.push_back(std::move(layer));
    const InterruptCatcher interrupts;
    options.stopRequested = &InterruptCatcher::interrupted;

    QElapsedTimer timer;
    timer.start();
    const Result<MakePlan> plan = planMake(frames, properties, job.output, options);
    const Result<MakeReport> made = plan ? makeFromPlan(plan.value(), options, events) : Result<MakeReport>(plan.error());
    const double seconds = timer.elapsed() / 1000.0;
    bar.finish();
    if (!made) {
        if (made.error().code == ErrorCode::Cancelled) {
            printError(QStringLiteral("interrupted; nothing was written to %1").arg(job.output));
            InterruptCatcher::endInterrupted();
        }
        printError(made.error().message);
        return kExitFailure;
    }
    const MakeReport& report = made.value();
    for (const MissingPicture& m : report.missing) {
        printError((m.picture.isEmpty() ? QStringLiteral("frame %1: names no picture").arg(m.row) : missingPictureText(m.row, m.picture)) +
                   QStringLiteral("; ") + standInText(m.row));
    }
    const qint64 bytes = QFileInfo(job.output).size();
    const BudgetSettings& used = report.settings;
    if (report.budgeted) {
        chosen[QStringLiteral("colors")] = used.colors;
        chosen[QStringLiteral("lossy")] = used.lossy;
        chosen[QStringLiteral("attempts")] = report.attempts;
        chosen[QStringLiteral("width")] = used.width;
        chosen[QStringLiteral("height")] = used.height;
    }
    if (json) {
        QJsonObject settings = chosen;
        settings[QStringLiteral("temp")] = QDir::cleanPath(options.tempFolder);
        settings[QStringLiteral("jobs")] = options.jobsToUse();
        const std::optional<int>& loop = plan.value().loopCount;
        const QJsonObject result{
            {QStringLiteral("output"), QFileInfo(job.output).absoluteFilePath()},
            {QStringLiteral("frames"), report.frames},
            {QStringLiteral("bytes"), bytes},
            {QStringLiteral("seconds"), seconds},
            {QStringLiteral("width"), used.width},
            {QStringLiteral("height"), used.height},
            {QStringLiteral("loop"), loop ? QJsonValue(*loop) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("settings"), settings},
            {QStringLiteral("missing"), missingFrames(report, std::move(failed))}};
        printLine(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)));
    } else if (!quiet) {
        QString line = QStringLiteral("%1: %2, %3, %4 s")
                           .arg(job.output, countOf(report.frames, QStringLiteral("frame")), sizeText(bytes))
                           .arg(seconds, 0, 'f', 2);
        if (report.budgeted)
            line += QStringLiteral(" (%1; %2)")
                        .arg(budgetSettingsText(used, plan.value().size.width, plan.value().size.height))
                        .arg(countOf(report.attempts, QStringLiteral("attempt")));
        else if (!plan.value().isGif() && plan.value().budget)
            line += QStringLiteral(" (Max size applies to GIF files only)");  // not met by chance
        printLine(line);
    }
    return report.missing.empty() && report.failed == 0 ? kExitOk : kExitMadeIncomplete;
}

}  // namespace

int runMake(const QStringList& words)
{
    const Arguments args(words, {QStringLiteral("--quiet"), QStringLiteral("--json")},
                         QStringList{QStringLiteral("-o"), QStringLiteral("--temp"), QStringLiteral("--jobs")} + kPictureListOptions +
                             kQualityOptions + kShapeOptions + kCaptionOptions,
                         std::numeric_limits<qsizetype>::max(), kCaptionOptions);
    if (!args.ok() || args.positional().isEmpty()) {
        printError(args.ok() ? QLatin1String(kUsage) : args.error());
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
    const auto outputOption = args.value(QStringLiteral("-o"));
    MakeJob job;
    // One argument is a project, as it ever was, unless picture options or its picture name say
    // it is a picture and it does not hold a project.
    const bool projectForm =
        args.positional().size() == 1 &&
        (isProjectArgument(args.positional().front()) ||
         (firstPictureOption(args).isEmpty() &&
          pictureFormatForExtension(QFileInfo(args.positional().front()).suffix()) == PictureFormat::Unknown));
    if (!projectForm) {
        if (!outputOption || outputOption->trimmed().isEmpty()) {
            printError(QStringLiteral("name the GIF to make with -o OUT.gif"));
            return kExitUsage;
        }
        auto project = pictureProjectFrom(args.positional(), args, PictureProjectUse::Make);
        if (!project)
            return kExitUsage;
        job.output = absolutePathOf(outputOption->trimmed());
        job.properties = std::move(project->properties);
        job.properties.outputFile = job.output;
        job.frames = std::move(project->frames);
        job.settings = project->settings;
        return make(job, args, options);
    }

    if (const QString option = firstPictureOption(args); !option.isEmpty()) {
        printError(QStringLiteral("%1 is for making pictures; a project keeps its own values").arg(option));
        return kExitUsage;
    }
    const QString projectPath = args.positional().front();
    if (!QFileInfo(projectPath).isFile()) {
        printError(QStringLiteral("no such project file: %1").arg(projectPath));
        return kExitFailure;
    }
    if (Status read = readProjectFile(projectPath, job.properties, job.frames); !read) {
        printError(read.error().message);
        return kExitFailure;
    }
    if (const QString gap = frameKeyGapWarning(projectPath); !gap.isEmpty())
        printError(QStringLiteral("warning: ") + gap);
    // -o is the user's own path; the project's output name is taken from the project's folder.
    job.projectFile = QFileInfo(projectPath).absoluteFilePath();
    job.output = outputOption ? outputOption->trimmed() : outputPathFor(job.properties.outputFile.trimmed(), job.projectFile);
    if (job.frames.rowCount() < 2) {
        printError(QLatin1String(kTooFewFramesToMake));
        return kExitFailure;
    }
    if (job.output.isEmpty()) {
        printError(QStringLiteral("the project names no output GIF file; give one with -o OUT.gif"));
        return kExitFailure;
    }
    job.settings[QStringLiteral("project")] = job.projectFile;
    return make(job, args, options);
}

}  // namespace pictoreel::cli
