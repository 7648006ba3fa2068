// The dialog `frmAnimationFrames` ("Import Animation Frames") of File, "Import Animation Frames
// ...": takes an animated GIF, WebP or PNG apart into numbered PNG pictures in the folder it was
// given, on a worker thread, as soon as it is shown: `pbPer` shows the progress, Cancel stops the
// work (no file is left behind) and closes the dialog. Once every picture is written the dialog
// closes accepted and animation() holds the frames with their delays and the loop count. A
// failure is told in a box and closes the dialog.
#pragma once

#include "core/media/animation_frames_export.h"
#include "gui/app/worker_job.h"

#include <QDialog>

class QProgressBar;
class QPushButton;

namespace pictoreel {

class Dialogs;

class AnimationFramesDialog final : public QDialog {
    Q_OBJECT
public:
    AnimationFramesDialog(Dialogs& dialogs, const QString& animation, const QString& folder, QWidget* parent = nullptr);

    const ImportedAnimation& animation() const { return imported_; }
    bool isExtracting() const { return job_.isRunning(); }

    // Cancel, Escape or the close box: stops the extraction and waits for it.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Starts the extraction, once: showing the dialog does.
    void extract();
    void extractionDone(const Result<ImportedAnimation>& outcome);

    QProgressBar* progressBar_ = nullptr;  // pbPer
    QPushButton* cancelButton_ = nullptr;  // CancelButton

    Dialogs& dialogs_;
    QString animation_;
    QString folder_;
    bool started_ = false;
    ImportedAnimation imported_;
    WorkerJob job_;  // last: the work stops before anything else of the dialog goes
};

}  // namespace pictoreel
