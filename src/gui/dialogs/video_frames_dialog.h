// The dialog `frmVideoFrames` ("Add Video Frames") of File, "Add Video Frames ...": asks which
// part of a video to take (start and duration in seconds, the whole video by default) and at
// which frame rate (the video's own by default), then writes the frames into the folder it was
// given, as numbered PNG pictures, on a worker thread: `pbPer` shows the progress, Cancel stops
// the work (no file is left behind) and closes the dialog. Once every picture is written the
// dialog closes accepted and frames() holds them with their delays. A failure is told in a box
// and the dialog stays, ready to try again.
#pragma once

#include "core/media/video_frames_export.h"
#include "gui/app/worker_job.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace pictoreel {

class Dialogs;

class VideoFramesDialog final : public QDialog {
    Q_OBJECT
public:
    VideoFramesDialog(Dialogs& dialogs, const QString& video, const QString& folder, QWidget* parent = nullptr);

    const std::vector<ExtractedFrame>& frames() const { return frames_; }
    bool isExtracting() const { return job_.isRunning(); }

    // Cancel, Escape or the close box: stops an extraction under way and waits for it.
    void reject() override;

private:
    // Checks the boxes and starts the extraction.
    void extract();
    void extractionDone(const Result<std::vector<ExtractedFrame>>& outcome, const VideoReadReport& read);
    void setExtracting(bool extracting);

    QLineEdit* txtStart = nullptr;
    QLineEdit* txtDuration = nullptr;
    QLineEdit* txtFps = nullptr;
    QProgressBar* pbPer = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    Dialogs& dialogs_;
    QString video_;
    QString folder_;
    std::vector<ExtractedFrame> frames_;
    WorkerJob job_;  // last: the work stops before anything else of the dialog goes
};

}  // namespace pictoreel
