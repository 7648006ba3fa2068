// The dialog `frmVideoFrames` ("Add Video Frames") of File, "Add Video Frames ...": asks which
// part of a video to take (start and duration in seconds, the whole video by default) and at
// which frame rate (the video's own by default), then writes the frames into the folder it was
// given, as numbered PNG pictures, on a worker thread: `pbPer` shows the progress, Cancel stops
// the work (no file is left behind) and closes the dialog. Once every picture is written the
// dialog closes accepted and frames() holds them with their delays. A failure is told in a box
// and the dialog stays, ready to try again.
// Above the boxes it shows the video's length, a picture of the video and two sliders, `sldStart`
// and `sldEnd`, that choose the part: moving one shows the picture at its time (decoded on a
// worker, see VideoPreview) and writes the start and duration boxes; typing in the boxes moves
// the sliders. The end slider at its right end leaves the duration empty: to the end.
#pragma once

#include "core/media/video_frames_export.h"
#include "gui/app/worker_job.h"

#include <QDialog>

class QFormLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace pictoreel {

class Dialogs;
class VideoPreview;

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
    void buildScrubber(QFormLayout* form);
    void lengthKnown(qint64 microseconds);
    // A slider moved by the user: the boxes follow, and the picture at its time is asked for.
    void sliderMoved(QSlider* moved);
    // The boxes typed in: the sliders follow.
    void boxesEdited();
    void showPicture(const QImage& picture, qint64 microseconds);

    QLabel* lengthLabel_ = nullptr;
    QLabel* pictureLabel_ = nullptr;
    QSlider* startSlider_ = nullptr;
    QSlider* endSlider_ = nullptr;
    VideoPreview* preview_ = nullptr;
    bool syncing_ = false;  // the sliders are being set to the boxes

    QLineEdit* startBox_ = nullptr;
    QLineEdit* durationBox_ = nullptr;
    QLineEdit* rateBox_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* okButton_ = nullptr;

    Dialogs& dialogs_;
    QString video_;
    QString folder_;
    std::vector<ExtractedFrame> frames_;
    WorkerJob job_;  // last: the work stops before anything else of the dialog goes
};

}  // namespace pictoreel
