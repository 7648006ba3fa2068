// Make, Preview and the player, as the main window runs them: `MakeGif` writes the project's
// output file, `PreviewGif` the preview file shown in `frmView`, `ShowPlayer` opens `frmPlay` on
// the output file. While a GIF is made the window is disabled and `pbPer` follows the frames
// (first half) and the writing (second half); pending window events run after every frame and
// every progress step, so the window repaints. However the work ends, the window is enabled
// again and `pbPer` goes back to 0; a failure is told in one message box.
#pragma once

#include "core/base/error.h"
#include "core/media/player_component.h"
#include "core/production/make_gif.h"
#include "gui/window_runner.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QProgressBar;
class QWidget;

namespace pictoreel {

class AppContext;
class FrameList;
class PropertyPanel;
class PlayerWindow;

inline constexpr auto kCreatedFinished = "Created finished!";

// What the commands use of the main window.
struct MakeHost {
    QWidget* window = nullptr;  // disabled while a GIF is made; parent of the boxes and windows
    AppContext* context = nullptr;  // the dialogs, the temp folder and the preview file
    const FrameList* frames = nullptr;
    PropertyPanel* panel = nullptr;
    QProgressBar* pbPer = nullptr;
    // The panel's output-file command `cmdOutputFile`.
    std::function<void()> chooseOutputFile;
    // The project's file (empty for a new project): a relative output name is taken from its
    // folder, and a make never writes over it.
    std::function<QString()> projectFile;
    // After every make or preview that wrote its file: the rows whose pictures were missing.
    std::function<void(const std::vector<MissingPicture>&)> picturesMissing;
};

class MakeCommands final : public QObject {
    Q_OBJECT
public:
    explicit MakeCommands(MakeHost host, QObject* parent = nullptr);
    ~MakeCommands() override;

    void MakeGif();
    void PreviewGif();
    void ShowPlayer();

    // The file the output box names (a relative name from the project file's folder).
    QString outputPath() const;

    // A make or preview is under way (the commands then do nothing).
    bool isBusy() const { return busy_; }

    // How the player and the preview are shown; by default with QDialog::exec.
    void setWindowRunner(WindowRunner runner) { runModal_ = std::move(runner); }
    // The player window, once ShowPlayer has made it.
    PlayerWindow* playerWindow() const { return player_; }
    // Frames converted at once (0: one per core).
    void setConversionJobs(int jobs) { jobs_ = jobs; }

    PlayerComponent PlayGif1;     // assembles the output file
    PlayerComponent PlayGifView;  // assembles the preview

private:
    struct FailedFrame {
        int row = 0;
        QString picture;
        Error error;
    };
    enum class Product { OutputFile, Preview };

    // Assembles and writes `output` with `player`, the window disabled meanwhile. True when the
    // file was written (the missing pictures have been told); a failed make has been reported and
    // the window is enabled again.
    bool produce(Product product, PlayerComponent& player, const QString& output);
    void SaveProgress(int percent);
    void endWork();
    // The one box that tells of frames that could not be converted; false when there were none.
    bool reportFailedFrames(Product product);

    MakeHost host_;
    WindowRunner runModal_;
    QPointer<PlayerWindow> player_;
    std::vector<FailedFrame> failed_;
    int jobs_ = 0;
    bool busy_ = false;
};

}  // namespace pictoreel
