#include "gui/make_commands.h"

#include "core/production/frame_cache.h"
#include "core/production/make_gif.h"
#include "core/project/frame_list.h"
#include "gui/app_context.h"
#include "gui/dialogs.h"
#include "gui/player_window.h"
#include "gui/preview_window.h"
#include "gui/property_panel.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>

#include <exception>
#include <optional>

namespace pictoreel {

namespace {

// How many failed frames one box names; the rest are counted.
constexpr std::size_t kFailedFramesNamed = 10;

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
    if (busy_)
        return;
    if (host_.frames->rowCount() < 2) {
        host_.context->dialogs().inform(host_.window, QLatin1String(kTooFewFramesToMake));
        return;
    }
    QLineEdit* outputBox = host_.panel->txtOutputFile;
    if (outputBox->text().isEmpty()) {
        host_.chooseOutputFile();
        if (outputBox->text().isEmpty())
            return;  // no file chosen: nothing is said
    }
    if (!produce(Product::OutputFile, PlayGif1, outputPath()))
        return;
    if (!reportFailedFrames(Product::OutputFile))
        host_.context->dialogs().inform(host_.window, QLatin1String(kCreatedFinished));
    ShowPlayer();
}

void MakeCommands::PreviewGif()
{
    if (busy_)
        return;
    if (host_.frames->rowCount() < 2) {
        host_.context->dialogs().inform(host_.window, QLatin1String(kTooFewFramesToPreview));
        return;
    }
    const QString previewFile = host_.context->formPreviewFile();
    if (!produce(Product::Preview, PlayGifView, previewFile))
        return;
    reportFailedFrames(Product::Preview);
    PreviewWindow view(previewFile, host_.window);
    view.sizeForPicture(sideInPixels(host_.panel->txtWidth->text()), sideInPixels(host_.panel->txtHeight->text()));
    runModal_(view);
}

void MakeCommands::ShowPlayer()
{
    if (busy_)
        return;
    if (!player_)
        player_ = new PlayerWindow(host_.context->dialogs(), host_.window);
    player_->txtPlay->setText(outputPath());
    runModal_(*player_);
}

QString MakeCommands::outputPath() const
{
    return outputPathFor(host_.panel->txtOutputFile->text(), host_.projectFile ? host_.projectFile() : QString());
}

bool MakeCommands::produce(Product product, PlayerComponent& player, const QString& output)
{
    busy_ = true;
    failed_.clear();
    host_.window->setEnabled(false);

    MakeEvents events;
    events.frameAdded = [this](int value) { host_.pbPer->setValue(value); };
    events.processEvents = [] { QCoreApplication::processEvents(); };
    events.saveProgress = [this](int percent) {
        SaveProgress(percent);
        QCoreApplication::processEvents();
    };
    events.frameFailed = [this](int row, const QString& picture, const Error& error) {
        failed_.push_back({row, picture, error});
    };

    std::optional<Error> failure;
    try {
        MakeOptions options{host_.context->tempFolder(), jobs_, host_.projectFile ? host_.projectFile() : QString()};
        const Result<MakeReport> made =
            makeAnimatedGif(player, *host_.frames, host_.panel->projectProperties(), output, options, events);
        if (!made)
            failure = made.error();
        else if (host_.picturesMissing)
            host_.picturesMissing(made.value().missing);
    } catch (const std::exception& e) {  // out of memory and the like: told like any failure
        failure = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
    }
    endWork();
    if (!failure)
        return true;
    const QString what = product == Product::OutputFile ? QStringLiteral("The animated GIF could not be made.")
                                                        : QStringLiteral("The preview could not be made.");
    host_.context->dialogs().messageBox(host_.window, what + QStringLiteral("\n\n") + failure->text(), QString(),
                              MessageIcon::Critical, MessageButtons::Ok);
    return false;
}

void MakeCommands::SaveProgress(int percent)
{
    // The second half of the bar; a half percent is dropped, as the bar counts whole ones.
    host_.pbPer->setValue(percent / 2 + 50);
}

void MakeCommands::endWork()
{
    host_.pbPer->setValue(0);
    host_.window->setEnabled(true);
    busy_ = false;
}

bool MakeCommands::reportFailedFrames(Product product)
{
    if (failed_.empty())
        return false;
    const bool one = failed_.size() == 1;
    QString text = product == Product::OutputFile ? QStringLiteral("The animated GIF was made, but ")
                                                  : QStringLiteral("The preview was made, but ");
    text += one ? QStringLiteral("1 picture could not be converted. Its frame shows the frame before it:")
                : QStringLiteral("%1 pictures could not be converted. Their frames show the frames before them:")
                      .arg(failed_.size());
    text += u'\n';
    for (std::size_t i = 0; i < failed_.size() && i < kFailedFramesNamed; ++i) {
        const FailedFrame& f = failed_[i];
        text += QStringLiteral("\nFrame %1: %2\n%3").arg(f.row).arg(f.picture, f.error.text());
    }
    if (failed_.size() > kFailedFramesNamed)
        text += QStringLiteral("\n\n... and %1 more.").arg(failed_.size() - kFailedFramesNamed);
    host_.context->dialogs().messageBox(host_.window, text, QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    return true;
}

}  // namespace pictoreel
