// The window `frmRecorder` of Tools, "Record Screen ...": what to record (a region drawn over
// the screen, a window, or a whole screen), frames a second (5 to 30), the pointer or not and
// a 3-second countdown that "Start Now" skips; then Pause/Resume and Stop, with the time and the
// frame count shown while it records. The window moves out of what it records (or shows
// minimised when nothing is left beside it, and always under Wayland, where the desktop's portal
// asks which screen or window is shared; there a region is cut from the shared screen). Under
// X11, Ctrl+Alt+S stops the recording from any window; under Wayland the desktop is asked for
// it (its GlobalShortcuts portal). Under Wayland the countdown starts once the user has chosen
// in the desktop's dialog. Stop writes the last pictures on a worker thread,
// with progress and Cancel (which keeps nothing); then the window closes accepted and frames()
// holds the pictures with their delays.
#pragma once

#include "core/capture/frame_grabber.h"
#include "core/capture/screen_recording.h"
#include "gui/app/worker_job.h"
#include "portal/recording_path.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace pictoreel {

class Dialogs;

class RecorderWindow final : public QDialog {
    Q_OBJECT
public:
    // The pictures go to a new folder that `folderFor(name)` gives for a recording called `name`.
    RecorderWindow(Dialogs& dialogs, std::function<QString(const QString& name)> folderFor, QWidget* parent = nullptr);
    ~RecorderWindow() override;

    const std::vector<ExtractedFrame>& frames() const { return frames_; }
    QSize recordedSize() const { return recordedSize_; }
    // What is recorded when no region is drawn and no window chosen: a region in the display's
    // pixels, or under Wayland in the desktop's logical units (the command the tests and the
    // region overlay give).
    void setRegion(const CaptureRect& region);
    bool isRecording() const { return recording_ != nullptr; }

    // Escape or the close box: a recording under way is given up and nothing is kept.
    void reject() override;

private:
    enum class Stage { Choosing, WaitingForChoice, CountingDown, Recording, Writing };

    void chooseSource();
    void startCountdown();
    void startRecording();
    void togglePause();
    void stopRecording();
    void writingDone(const Result<std::vector<ExtractedFrame>>& outcome);
    void showCounts();
    void fillWindows();
    void drawRegion();
    std::optional<CaptureTarget> chosenTarget() const;
    void stepAside(const CaptureRect& recorded);
    void setStage(Stage stage);

    // ---- the controls, with their object names ----------------------------------------------
    QComboBox* sourceKindBox_ = nullptr;  // cboRecordWhat
    QPushButton* drawRegionButton_ = nullptr;  // cmdRecordDrawRegion
    QComboBox* windowBox_ = nullptr;  // cboRecordWindow
    QComboBox* screenBox_ = nullptr;  // cboRecordScreen
    QSpinBox* rateBox_ = nullptr;  // spnRecordFps
    QCheckBox* pointerCheck_ = nullptr;  // chkRecordPointer
    QCheckBox* countdownCheck_ = nullptr;  // chkRecordCountdown
    QLabel* statusLabel_ = nullptr;  // lblRecordStatus
    QProgressBar* progressBar_ = nullptr;  // pbRecordWrite
    QPushButton* startButton_ = nullptr;  // cmdRecordStart
    QPushButton* pauseButton_ = nullptr;  // cmdRecordPause
    QPushButton* stopButton_ = nullptr;  // cmdRecordStop
    QPushButton* cancelButton_ = nullptr;  // cmdRecordCancel

    Dialogs& dialogs_;
    bool portal_ = false;  // a Wayland session: the desktop's portal asks what is shared
    std::function<QString(const QString&)> folderFor_;
    std::optional<CaptureRect> region_;
    std::optional<ChosenSource> chosen_;  // what the desktop was told to record, from Record to the start
    Stage stage_ = Stage::Choosing;
    int countdown_ = 0;
    QTimer ticker_;
    std::vector<ExtractedFrame> frames_;
    QSize recordedSize_;
    std::unique_ptr<ScreenRecording> recording_;
    WorkerJob job_;  // last: the work stops before anything else of the window goes
};

}  // namespace pictoreel
