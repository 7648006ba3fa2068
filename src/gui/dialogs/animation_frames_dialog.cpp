#include "gui/dialogs/animation_frames_dialog.h"

#include "gui/app/dialogs.h"
#include "gui/widgets/compact_font.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>
#include <memory>

namespace pictoreel {

AnimationFramesDialog::AnimationFramesDialog(Dialogs& dialogs, const QString& animation, const QString& folder, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), animation_(animation), folder_(folder)
{
    setObjectName(QStringLiteral("frmAnimationFrames"));
    setWindowTitle(tr("Import Animation Frames"));
    setAccessibleName(windowTitle());
    applyCompactFont(this);

    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(tr("Taking %1 apart into %2 ...").arg(QFileInfo(animation).fileName(), folder));
    name->setObjectName(QStringLiteral("lblAnimation"));
    name->setAccessibleName(name->text());
    layout->addWidget(name);
    progressBar_ = new QProgressBar;
    progressBar_->setObjectName(QStringLiteral("pbPer"));
    progressBar_->setAccessibleName(tr("Progress"));
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    layout->addWidget(progressBar_);
    cancelButton_ = new QPushButton(tr("Cancel"));
    cancelButton_->setObjectName(QStringLiteral("CancelButton"));
    cancelButton_->setAccessibleName(cancelButton_->text());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(cancelButton_, &QPushButton::clicked, this, &AnimationFramesDialog::reject);
}

void AnimationFramesDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    extract();
}

void AnimationFramesDialog::extract()
{
    if (std::exchange(started_, true))
        return;
    auto outcome = std::make_shared<Result<ImportedAnimation>>(ImportedAnimation{});
    auto work = [job = &job_, outcome, animation = animation_, folder = folder_] {
        ConversionLimits limits;
        limits.stopRequested = [job] { return job->stopRequested(); };
        const auto progress = [job](int percent) {
            job->report(percent);
            return !job->stopRequested();
        };
        try {
            *outcome = extractAnimationFrames(animation, folder, progress, limits);
        } catch (const std::exception& e) {  // out of memory and the like: told like any failure
            *outcome = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
        }
    };
    job_.start(std::move(work), [this](int percent) { progressBar_->setValue(percent); }, [this, outcome] { extractionDone(*outcome); });
}

void AnimationFramesDialog::extractionDone(const Result<ImportedAnimation>& outcome)
{
    if (outcome) {
        imported_ = outcome.value();
        accept();
        return;
    }
    if (outcome.error().code != ErrorCode::Cancelled && !job_.stopRequested())
        dialogs_.messageBox(this, tr("The frames of the animation could not be extracted.\n\n") + outcome.error().text(),
                            QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    QDialog::reject();
}

void AnimationFramesDialog::reject()
{
    job_.cancel();
    job_.finishNow();
    if (isVisible())
        QDialog::reject();
}

}  // namespace pictoreel
