// The frames extractor `frmExtractor` ("Animated GIF Frames Extractor"): opens an animated GIF,
// lists its frames as a check list, shows the selected frame and plays the whole animation, and
// writes the selected frame or every checked frame as GIF, BMP or JPEG files. It works apart
// from the project and shares only the temp folder with the main window.
//
// The window is modeless and goes away when it is closed (Exit or the close box), dropping the
// loaded GIF with it. Reading an opened GIF and saving frames run as a job on a worker thread;
// closing the window cancels the job.
#pragma once

#include "core/base/error.h"
#include "core/media/imaging_component.h"
#include "gui/dialogs/save_frames_request.h"
#include "gui/widgets/splitter_drag.h"
#include "gui/app/worker_job.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QStatusBar;
class QTabWidget;
class QToolBar;

namespace pictoreel {

class Dialogs;
class GifDecoder;
class GifView;
class ImageView;
class SaveFramesDialog;

class ExtractorWindow final : public QMainWindow {
    Q_OBJECT
public:
    // `tempFolder` gives the program's temp folder whenever a frame file is made.
    ExtractorWindow(Dialogs& dialogs, std::function<QString()> tempFolder, QWidget* parent = nullptr);
    ~ExtractorWindow() override;

    // How the save frames dialog is shown; by default modally with QDialog::exec. Tests answer
    // the dialog through it.
    using SaveDialogRunner = std::function<void(SaveFramesDialog& dialog)>;
    void setSaveDialogRunner(SaveDialogRunner runner) { runSaveDialog_ = std::move(runner); }
    const SaveFramesRequest& saveFramesRequest() const { return request_; }

    // A GIF is being read or frames are being saved: the menu and the toolbar are out of reach
    // and the commands do nothing until workFinished().
    bool isWorking() const { return working_; }
    // The frame shown in the frames tab (`wpdlx1`).
    const ImagingComponent& frameImage() const { return frameImage_; }

Q_SIGNALS:
    // An open (the list filled, frame 0 shown) or a save of the current frame or of the checked
    // frames has ended, and what it tells is told. Also when closing the window cut it short.
    void workFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    // ---- the commands of the file menu and the toolbar, in menu order -----------------------
    void openAnimatedGif();
    void saveCurrentFrame();
    void saveCheckedFrames();
    void checkAllFrames();
    void uncheckAllFrames();
    // E&xit: the window closes, and the loaded GIF goes with it.
    void exitWindow();

private:
    // Enables the commands that need frames exactly while the list has some.
    void updateCommandState();
    void showSelectedFrame();
    void setAllChecked(bool value);
    // Pops the file menu up at `globalPos`, as the context menu.
    void popUpFileMenu(const QPoint& globalPos);
    // Places every pane from the wanted left-pane width (twips), clamped in place.
    void SizeControls(int& position);

    // ---- the window's parts, with their object names ----------------------------------------
    QTimer menuTimer_;  // Timer1: pops the file menu up a moment after a click on the frame
    ImagingComponent frameImage_;  // the picture the frame view shows
    QMenu* fileMenu_ = nullptr;  // mnuFile
    QToolBar* toolbar_ = nullptr;  // Toolbar1
    QStatusBar* statusBar_ = nullptr;  // StatusBar1
    QLabel* statusPanel_ = nullptr;  // StatusBar1Panel1
    QProgressBar* progressBar_ = nullptr;  // pbPer
    QWidget* panes_ = nullptr;  // picFrame, under the toolbar
    QWidget* leftPane_ = nullptr;  // picLeft
    QListWidget* frameList_ = nullptr;  // List1
    QWidget* splitterGrip_ = nullptr;  // imgSplitter
    QWidget* splitterBar_ = nullptr;  // picSplitter
    QWidget* rightPane_ = nullptr;  // picRight
    QTabWidget* tabs_ = nullptr;  // SSTab1
    ImageView* frameView_ = nullptr;  // wpdlx1
    QWidget* previewArea_ = nullptr;  // picView
    GifView* player_ = nullptr;  // PlayGif1
    // The menu entries and toolbar buttons that need frames.
    std::vector<QAction*> frameCommands_;

    // RGB(212, 208, 200), the dialog grey the animation is played on.
    static constexpr std::int32_t kPlayBackColour = 212 | (208 << 8) | (200 << 16);

    // Fills the request for one frame or for the checked frames and asks the save frames dialog;
    // false when the user cancelled.
    bool askWhereToSave(bool singleFrame);
    void buildMenu();
    void buildToolbar();
    void buildStatusBar();
    void buildPanes();
    void placeProgressBar();
    // The end of an open, once the GIF is read: the player takes it over, the list is filled while
    // the progress bar counts up, and frame 0 is shown.
    void showOpenedGif(Result<GifDecoder> opened);
    // Selects and shows entry 0 when the list has entries, and sets what is enabled.
    void showFirstFrame();
    QString temporaryFrameFileOf(int index) const;
    struct FrameToSave {
        int index = 0;
        QString temporary;  // the BMP the player writes, kept when saving the frame fails
        QString output;
    };
    // Writes each frame (the player writes its temporary BMP; the hidden worker `wpdlx2` takes
    // the picture the BMP holds and writes the output in `format`) on a worker thread. For the checked frames the
    // progress bar follows and "Save finished" ends it; the first failure ends the work with its
    // number and description.
    void saveFrames(std::vector<FrameToSave> frames, int format, bool checkedFrames);
    // The menu and the toolbar are out of reach while a GIF is read or frames are saved.
    void setWorking(bool working);
    void showSaveError(const Error& error);
    // True, once the user has been told, when `output` is the animated GIF the frames come from.
    bool refuseSourceAsOutput(const QString& output);
    // Whether the outputs may be written: none is there yet, or the user agrees to replace those
    // that are.
    bool mayReplaceFiles(const std::vector<FrameToSave>& frames);

    Dialogs& dialogs_;
    std::function<QString()> tempFolder_;
    SaveDialogRunner runSaveDialog_;
    SaveFramesRequest request_;
    QString gifFile_;  // the animated GIF opened last
    bool busy_ = false;  // set while check all or uncheck all runs
    bool working_ = false;
    SplitterDrag* splitter_ = nullptr;  // a child of the grip
    int leftPaneTwips_ = 0;
    WorkerJob job_;  // last: the worker stops before anything else of the window goes
};

}  // namespace pictoreel
