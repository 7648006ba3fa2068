#include "gui/main_window/make_commands.h"

#include "core/base/memory_tuning.h"
#include "core/project/frame_values.h"
#include "core/production/budget_make.h"
#include "core/production/make_gif.h"
#include "core/production/make_other_formats.h"
#include "core/project/frame_list.h"
#include "gui/app/app_context.h"
#include "gui/app/dialogs.h"
#include "gui/app/shell.h"
#include "gui/player/player_window.h"
#include "gui/player/preview_window.h"
#include "gui/main_window/property_panel.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>

#include <exception>
#include <memory>

namespace pictoreel {

namespace {

// How many failed frames one box names; the rest are counted.
constexpr std::size_t kFailedFramesNamed = 10;
// How long the first make may look for a frame that loses much to its transparent colour.
constexpr qint64 kTransparencyLookMilliseconds = 1500;

int sideInPixels(const QString& text)
{
    const Result<int> side = frameSideFromText(text, "size");
    return side ? side.value() : 0;
}

}  // namespace

MakeCommands::MakeCommands(MakeHost host, QObject* parent)
    : QObject(parent), host_(std::move(host)), runModal_(execWindow)
{
}

MakeCommands::~MakeCommands() = default;

void MakeCommands::MakeGif()
{
    if (isBusy() || !host_.panel->settleRangeChecks())
        return;
    if (host_.frames->rowCount() < 2) {
        host_.context->dialogs().inform(host_.window, QLatin1String(kTooFewFramesToMake));
        return;
    }
    if (host_.panel->outputFile().isEmpty()) {
        host_.chooseOutputFile();
        if (host_.panel->outputFile().isEmpty())
            return;  // no file chosen: nothing is said
    }
    start(Product::OutputFile, outputPath());
}

void MakeCommands::PreviewGif()
{
    if (isBusy() || !host_.panel->settleRangeChecks())
        return;
    if (host_.frames->rowCount() < 2) {
        host_.context->dialogs().inform(host_.window, QLatin1String(kTooFewFramesToPreview));
        return;
    }
    start(Product::Preview, host_.context->formPreviewFile());
}

void MakeCommands::ShowPlayer()
{
    if (isBusy())
        return;
    // Our player plays GIFs; an animated WebP or PNG is shown by the desktop's viewer.
    if (const QString output = outputPath(); isOtherAnimationOutput(output) && QFileInfo::exists(output)) {
        host_.context->shell().open(output);
        return;
    }
    if (!player_)
        player_ = new PlayerWindow(host_.context->dialogs(), host_.window);
    player_->setGifFile(outputPath());
    runModal_(*player_);
}

void MakeCommands::CancelMake() { job_.cancel(); }

void MakeCommands::cancelAndWait()
{
    closing_ = true;
    job_.cancel();
    job_.finishNow();
    closing_ = false;
}

QString MakeCommands::outputPath() const
{
    return outputPathFor(host_.panel->outputFile(), host_.projectFile ? host_.projectFile() : QString());
}

void MakeCommands::start(Product product, const QString& output)
{
    // The worker makes from copies: the window and its list may change once it is done.
    MakeOptions options;
    options.tempFolder = host_.context->tempFolder();
    options.jobs = jobs_;
    options.projectFile = host_.projectFile ? host_.projectFile() : QString();
    options.stopRequested = [job = &job_] { return job->stopRequested(); };
    auto outcome = std::make_shared<Outcome>();
    const bool lookForTransparency =
        product == Product::OutputFile && host_.lookForTransparency && host_.lookForTransparency();
    auto work = [job = &job_, outcome, frames = *host_.frames, properties = host_.panel->projectProperties(), output,
                 options, lookForTransparency] {
        MakeEvents events;
        events.frameAdded = [job](int value) { job->report(value); };
        events.saveProgress = [job](int percent) { job->report(saveProgressValue(percent)); };
        events.frameFailed = [&outcome](int row, const QString& picture, const Error& error) {
            outcome->failed.push_back({row, picture, error});
        };
        try {
            Result<MakePlan> plan = planMake(frames, properties, output, options);
            if (plan) {
                outcome->plan = std::move(plan.value());
                outcome->made = makeFromPlan(*outcome->plan, options, events);
            } else {
                outcome->made = plan.error();
            }
            if (lookForTransparency && *outcome->made) {
                // Read back from the cache; a project of thousands of frames is looked at for a
                // moment only, not for as long as its make took.
                QElapsedTimer looking;
                looking.start();
                const auto enough = [&] { return options.stopRequested() || looking.elapsed() > kTransparencyLookMilliseconds; };
                outcome->transparency = firstLargeTransparency(frames, properties, options.tempFolder, 1.0, enough);
            }
        } catch (const std::exception& e) {  // out of memory and the like: told like any failure
            outcome->made = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
        }
        returnFreedMemory();  // the window goes on running: the make's pictures need not stay held
    };
    if (product == Product::OutputFile && host_.madePanel) {
        host_.madePanel->clear();
        madeFile_.clear();
        makeTimer_.start();
    }
    host_.setMakeRunning(true);
    job_.start(
        std::move(work), [this](int value) { host_.pbPer->setValue(value); },
        [this, product, output, outcome] { complete(product, output, *outcome); });
}

void MakeCommands::complete(Product product, const QString& output, const Outcome& outcome)
{
    const Result<MakeReport>& made = *outcome.made;
    // Stopped on request: nothing to tell. A preview asked to stop is not shown even when it was
    // ready; an output file that was written before the Cancel came is told as made.
    const bool silent = closing_ || (!made && made.error().code == ErrorCode::Cancelled) ||
                        (product == Product::Preview && job_.stopRequested());
    if (made && !silent && host_.picturesMissing)
        host_.picturesMissing(made.value().missing);
    if (made && !closing_ && product == Product::OutputFile)
        showMadeFile(output, made.value(), *outcome.plan);
    if (made && !silent && outcome.transparency && host_.transparencyFound)
        host_.transparencyFound(*outcome.transparency);
    host_.pbPer->setValue(0);
    host_.setMakeRunning(false);
    if (silent) {
        // nothing to tell
    } else if (!made) {
        const QString what = product == Product::OutputFile ? tr("The animated GIF could not be made.")
                                                            : tr("The preview could not be made.");
        host_.context->dialogs().messageBox(host_.window, what + QStringLiteral("\n\n") + made.error().text(), QString(),
                                            MessageIcon::Critical, MessageButtons::Ok);
    } else if (product == Product::OutputFile) {
        if (!reportFailedFrames(product, outcome.failed))
            host_.context->dialogs().inform(host_.window, tr(kCreatedFinished));
        ShowPlayer();
    } else {
        reportFailedFrames(product, outcome.failed);
        PreviewWindow view(output, host_.window);
        const auto [width, height] = host_.panel->frameSizeTexts();
        view.sizeForPicture(sideInPixels(width), sideInPixels(height));
        runModal_(view);
    }
    Q_EMIT workFinished();
}

void MakeCommands::showMadeFile(const QString& output, const MakeReport& report, const MakePlan& plan)
{
    if (!host_.madePanel)
        return;
    const QLocale locale;
    const qint64 bytes = QFileInfo(output).size();
    QString size = tr("%1 bytes").arg(locale.toString(bytes));
    if (bytes >= 1000)  // in thousands, as the Max size's K and M count
        size += QStringLiteral(" (%1)").arg(locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat));
    QString text = tr("%1: %2, %3 s").arg(QFileInfo(output).fileName(), size, locale.toString(makeTimer_.elapsed() / 1000.0, 'f', 2));
    if (report.budgeted) {
        text += QStringLiteral(" (%1)").arg(budgetSettingsText(report.settings, plan.size.width, plan.size.height));
    } else if (!plan.isGif() && plan.budget) {
        // A WebP or PNG is made whole, whatever the size: say so rather than let the size pass for met.
        text += u' ' + tr("(Max size applies to GIF files only)");
    }
    host_.madePanel->setText(text);
    madeFile_ = output;
}

QString MakeCommands::madeFile() const { return host_.madePanel && !host_.madePanel->text().isEmpty() ? madeFile_ : QString(); }

bool MakeCommands::reportFailedFrames(Product product, const std::vector<FailedFrame>& failed)
{
    if (failed.empty())
        return false;
    const bool one = failed.size() == 1;
    QString text = product == Product::OutputFile ? tr("The animated GIF was made, but ")
                                                  : tr("The preview was made, but ");
    // The first frame has no frame before it: it is left transparent.
    const bool first = failed.front().row == 1;
    if (one)
        text += first ? tr("1 picture could not be converted. Its frame is left transparent:")
                      : tr("1 picture could not be converted. Its frame shows the frame before it:");
    else
        text += tr("%1 pictures could not be converted. Their frames show the frames before them%2:")
                    .arg(failed.size())
                    .arg(first ? tr(" (the first frame is left transparent)") : QString());
    text += u'\n';
    for (std::size_t i = 0; i < failed.size() && i < kFailedFramesNamed; ++i) {
        const FailedFrame& f = failed[i];
        text += tr("\nFrame %1: %2\n%3").arg(f.row).arg(f.picture, f.error.text());
    }
    if (failed.size() > kFailedFramesNamed)
        text += tr("\n\n... and %1 more.").arg(failed.size() - kFailedFramesNamed);
    host_.context->dialogs().messageBox(host_.window, text, QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    return true;
}

}  // namespace pictoreel
