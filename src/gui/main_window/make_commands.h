// Make, Preview and the player, as the main window runs them: `MakeGif` writes the project's
// output file, `PreviewGif` the preview file shown in `frmView`, `ShowPlayer` opens `frmPlay` on
// the output file. A make or preview runs as a job on a worker thread: meanwhile the window takes
// no input but its Cancel button, and `pbPer` follows the frames (first half) and the writing
// (second half). However the work ends, `pbPer` goes back to 0 and the window takes input again
// before anything is told; a failure is told in one message box, a cancel not at all.
#pragma once

#include "core/base/error.h"
#include "core/production/make_gif.h"
#include "core/production/transparent_share.h"
#include "gui/app/window_runner.h"
#include "gui/app/worker_job.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QWidget;

namespace pictoreel {

class AppContext;
class FrameList;
class PropertyPanel;
class PlayerWindow;

inline constexpr auto kCreatedFinished = QT_TRANSLATE_NOOP("pictoreel::MakeCommands", "Created finished!");

// What the commands use of the main window.
struct MakeHost {
    QWidget* window = nullptr;  // the parent of the boxes and windows
    // The window takes no input but the make's Cancel while a make or preview runs (true), and
    // takes input again (false).
    std::function<void(bool running)> setMakeRunning;
    AppContext* context = nullptr;  // the dialogs, the temp folder and the preview file
    const FrameList* frames = nullptr;
    PropertyPanel* panel = nullptr;
    QProgressBar* pbPer = nullptr;
    // Tells the output file's name and size and how long its make took, once a make wrote it;
    // emptied when the next make starts.
    QLabel* madePanel = nullptr;
    // The panel's output-file command `cmdOutputFile`.
    std::function<void()> chooseOutputFile;
    // The project's file (empty for a new project): a relative output name is taken from its
    // folder, and a make never writes over it.
    std::function<QString()> projectFile;
    // After every make or preview that wrote its file: the rows whose pictures were missing.
    std::function<void(const std::vector<MissingPicture>&)> picturesMissing;
    // Asked as a make starts: whether it should look for a frame that its transparent colour
    // takes more than 1 % of the pixels from; such a frame is then handed to transparencyFound.
    std::function<bool()> lookForTransparency;
    std::function<void(const TransparentShare&)> transparencyFound;
};

class MakeCommands final : public QObject {
    Q_OBJECT
public:
    explicit MakeCommands(MakeHost host, QObject* parent = nullptr);
    ~MakeCommands() override;

    void MakeGif();
    void PreviewGif();
    void ShowPlayer();
    // Stops the make or preview under way. Once it has stopped the window is as it was before,
    // nothing is told and nothing is shown; an earlier output file stays as it was. A make that
    // had already written its file when the Cancel came is told as made: the file is there.
    void CancelMake();
    // Cancels the make or preview under way and waits until it has stopped, telling nothing
    // (closing the window).
    void cancelAndWait();

    // The file the output box names (a relative name from the project file's folder).
    QString outputPath() const;

    // The file the status bar's made-GIF panel tells of; empty while it tells of none.
    QString madeFile() const;

    // A make or preview is under way (the commands then do nothing).
    bool isBusy() const { return job_.isRunning(); }

    // How the player and the preview are shown; by default with QDialog::exec.
    void setWindowRunner(WindowRunner runner) { runModal_ = std::move(runner); }
    // The player window, once ShowPlayer has made it.
    PlayerWindow* playerWindow() const { return player_; }
    // Frames converted at once (0: one per core).
    void setConversionJobs(int jobs) { jobs_ = jobs; }

Q_SIGNALS:
    // A make or preview has ended and its completion steps (boxes, player, preview) are done.
    void workFinished();

private:
    struct FailedFrame {
        int row = 0;
        QString picture;
        Error error;
    };
    // What the worker leaves for the completion steps.
    struct Outcome {
        std::optional<MakePlan> plan;  // once the project's values were found fit to make
        std::optional<Result<MakeReport>> made;
        std::vector<FailedFrame> failed;
        std::optional<TransparentShare> transparency;
    };
    enum class Product { OutputFile, Preview };

    // Starts making `output` on the worker thread from a copy of the project.
    void start(Product product, const QString& output);
    // The completion steps, once the worker is done.
    void complete(Product product, const QString& output, const Outcome& outcome);
    // The one box that tells of frames that could not be converted; false when there were none.
    bool reportFailedFrames(Product product, const std::vector<FailedFrame>& failed);
    // "out.gif: 123,456 bytes (120.6 kB), 0.53 s" on the status bar, and what a size budget
    // chose after it: " (lossy 40, 128 colours)".
    void showMadeFile(const QString& output, const MakeReport& report, const MakePlan& plan);

    MakeHost host_;
    WindowRunner runModal_;
    QPointer<PlayerWindow> player_;
    int jobs_ = 0;
    QString madeFile_;  // what showMadeFile told of last
    QElapsedTimer makeTimer_;  // since the start of the make under way
    bool closing_ = false;  // the window closes: a make that ends now ends in silence
    WorkerJob job_;  // last: the worker stops before anything else of this object goes
};

}  // namespace pictoreel
