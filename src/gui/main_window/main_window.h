// The main window `frmPictoreel`: the frame list with the property panel above it on the left,
// the frame and original picture viewers on the right, the four menus and the toolbar. Loading
// it sets up the program-wide values (settings file, temp folder, preview file) and opens an
// empty project; closing it offers to save and sweeps the temporary GIFs away.
#pragma once

#include "core/media/imaging_component.h"
#include "core/production/make_gif.h"
#include "core/project/frame_list.h"
#include "gui/app/app_context.h"
#include "gui/main_window/rows_host.h"
#include "gui/widgets/splitter_drag.h"
#include "gui/app/window_runner.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolBar;

namespace pictoreel {

class Dialogs;
class FrameListModel;
class FrameListView;
class CaptionPlacer;
class CropDialog;
class CropEditor;
class CropShade;
class PicturePlacement;
struct Orientation;
class ImageView;
class PropertyPanel;
class Shell;
class FileCommands;
class FrameListCommands;
class SequenceCommands;
class UndoCommands;
class MakeCommands;
class MergeRepeatedCommand;
class ExtractorWindow;
struct TransparentShare;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(const ProgramFolders& folders, Dialogs& dialogs, Shell& shell, QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- program-wide values -----------------------------------------------------------------
    // The settings file, temp folder and preview file, the dialogs and the shell, which the
    // windows opened from here share.
    AppContext& context() { return context_; }
    const AppContext& context() const { return context_; }
    const QString& ProjectFile() const { return projectFile_; }
    FrameList& frames() { return frames_; }
    const FrameList& frames() const { return frames_; }

    // ---- what the program's start and the tests ask of the window ------------------------------
    // Loads the project file (a missing or empty one as an empty project under its name). A file
    // that is not a project is refused with a message, and the current project stays. Returns
    // whether a project file was opened.
    bool OpenProjectFile(const QString& strFile);
    // The Auto Size rule: `cmdAutoW` and `cmdAutoH` are enabled while the list has frames. The
    // commands of the File and Edit menus and of the toolbar apply it when they are done.
    void applyAutoSizeRule();
    // Files given from outside the window (the command line) are taken as files dropped on it.
    void addFilesFromOutside(const QStringList& paths) { dropFiles(paths, 0); }

    // ---- the tool windows and the long commands ------------------------------------------------
    ExtractorWindow* extractorWindow() const;
    // How the modal tool windows are shown (the player and preview included): see showModal.
    // By default (an empty runner) modal to this window and returning at once; the player and
    // preview then run with QDialog::exec. Each showing makes the window afresh.
    void setWindowRunner(WindowRunner runner);
    // A make or preview is under way: the window takes no input but the make's Cancel, and
    // closing it cancels the make first.
    bool isMakingGif() const;
    // A make, a preview or Merge Repeated Frames is under way, as above.
    bool isWorking() const;
    // File, "&Make .gif...", Tools, "&Preview ..." and "&Animated GIF Player ...", and their
    // toolbar buttons; made on first use.
    MakeCommands& makeCommands();
    // Edit, "Mer&ge Repeated Frames" compares the frames on worker threads; made on first use.
    MergeRepeatedCommand& mergeCommand();

    // ---- layout (twips) ----------------------------------------------------------------------
    // Places every pane from the wanted left-pane width, which is clamped in place.
    void SizeControls(int& x);
    int leftPaneWidthTwips() const { return leftPaneTwips_; }
    int frameWidthTwips() const;
    int frameHeightTwips() const;
    // The splitter drag; x is the mouse position within the grip, in twips.
    void pressSplitter() { splitter_->press(); }
    void dragSplitter(int x) { splitter_->move(x); }
    void releaseSplitter() { splitter_->release(); }
    bool isDraggingSplitter() const { return splitter_->dragging(); }

    // What ends the program after E&xit; by default the application quits.
    void setProgramEndHandler(std::function<void()> handler);

    // The picture the frame view `wpdlx1` shows, and the original picture of `wpdlx3`.
    const ImagingComponent& frameImage() const { return frameImage_; }
    const ImagingComponent& originalImage() const { return originalImage_; }

Q_SIGNALS:
    // A close was asked for and the window stays open (the question to save was cancelled).
    void closeRefused();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // main_window_drops.cpp: local files dropped on the window outside the list are added at the end.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // ---- the menu commands the window runs itself, in menu order (the others are run by the
    // command classes: FileCommands, FrameListCommands, SequenceCommands, UndoCommands,
    // MakeCommands) -----------------------------------------------------------------------------
    // File, "Add Video Frames ...": a video, then the part of it to take (frmVideoFrames), whose
    // frames are written beside the project (see framesFolderFor) and appended as rows with
    // their delays in the Interval column, as Add Image Files appends pictures.
    void AddVideoFrames();
    // File, "Import Animation Frames ...": an animated GIF, WebP or PNG, whose frames are written
    // as "Add Video Frames ..." writes a video's (frmAnimationFrames) and appended as rows with
    // their delays; the animation's loop count, when it has one, becomes the project's.
    void ImportAnimationFrames();
    // Edit, "Mer&ge Repeated Frames" (see MergeRepeatedCommand).
    void MergeRepeatedFrames();
    // Puts the GIF made last on the clipboard, as GIF bytes and as a file (see made_gif_transfer.h).
    void CopyGif();
    // Edit, "Captions ...": the project's text layers in `frmCaptions`; OK sets them, as one change
    // (caption_commands.cpp). A caption can also be dragged on the frame view.
    void EditCaptions();
    // Edit, "Crop ...": the frame view becomes the crop's editor over the frame made without the
    // crop, with its bar `frmCrop` (in the picture's pixels); Enter or Apply sets the crop (in the picture's pixels, or in fractions of each picture's size when
    // the pictures differ), Escape or Cancel leaves it as it was (shape_commands.cpp).
    void EditCrop();
    // Edit, the turns and flips of every picture; a quarter turn swaps the width and height boxes.
    void RotateLeft();
    void RotateRight();
    void Rotate180();
    void FlipHorizontal();
    void FlipVertical();
    // Tools, "Animated GIF Frames &Extractor ...": the modeless extractor, made on first use;
    // opened again while it is open, it comes to the front.
    void ShowExtractor();
    // Tools, "AVI to GIF Converter ..." and "GIF to AVI Converter ...": modal.
    void ShowAviToGif();
    void ShowGifToAvi();
    // Tools, "&Options ..." and the toolbar's "Option": `frmOptions`, modal.
    void ShowOptions();
    // Tools, "Record Screen ...": the recorder window; what it records becomes rows.
    void RecordScreen();
    // Help, "&Contents ..." and the toolbar's "Help": pictoreel.chm of the help folder when it is
    // there, otherwise the HTML manual.
    void ShowHelpContents();
    void VisitWebsite();
    // Help, "About Pictoreel ...": `frmAbout` with the logo "vimo.gif" of the help folder, modal.
    void ShowAbout();

    // ---- the window's parts (their object names are given where they are made) ---------------
    ImagingComponent frameImage_;     // the frame view's picture
    ImagingComponent originalImage_;  // the original picture's view's
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* cancelMakeButton_ = nullptr;  // on the status bar while a make or preview runs
    QWidget* framePane_ = nullptr;
    QWidget* leftPane_ = nullptr;
    QWidget* propertyPane_ = nullptr;
    QWidget* rightPane_ = nullptr;
    QWidget* splitterGrip_ = nullptr;
    QWidget* splitterPane_ = nullptr;
    PropertyPanel* panel_ = nullptr;
    QTabWidget* viewerTabs_ = nullptr;
    FrameListView* frameList_ = nullptr;
    ImageView* frameView_ = nullptr;
    ImageView* originalView_ = nullptr;

    // The toolbar's height, in twips.
    static constexpr int kToolbarHeightTwips = 570;

    // main_window_menus.cpp
    void buildMenus();
    void buildToolbar();
    // main_window_layout.cpp
    void buildStatusBar();
    void buildPanes();
    // The window's first size, centred on the screen, and its panes laid out.
    void layOutAtStart();
    void placeProgressBar();
    // While a make or preview runs the window takes no input but cmdCancelMake.
    void setMakeRunning(bool running);
    // Marks the rows whose pictures were missing in a make or preview and counts them on the
    // status bar (nothing there when none were).
    void showMissingPictures(const std::vector<MissingPicture>& missing);
    // The first make of a project whose frame loses more than 1 % of its pixels to its
    // transparent colour says so once, with a link to that frame's properties.
    void showTransparencyNotice(const TransparentShare& share);
    void showFramePropertiesOf(int row);
    // main_window_memory.cpp: the window's place kept from one start to the next.
    void restoreWindowPlace();
    void rememberWindowPlace();
    // The width the list's columns take side by side, in twips.
    int listColumnsWidthTwips() const;
    // A left-pane width wanted since the window was maximised or restored, once the frame has its size.
    void takeWantedPaneWidth();
    // main_window_commands.cpp: the command classes and what they use of the window.
    void buildCommands();
    // Once the panel's buttons and the drops are connected: the undo history records from then on.
    void buildUndoCommands();
    RowsHost rowsHost();
    void setProjectFile(const QString& path);
    // video_frames_command.cpp: "Add Video Frames ..." for this video, its open dialog passed by.
    void addVideoFramesFrom(const QString& video);
    // animation_frames_command.cpp: "Import Animation Frames ..." for this file, its open dialog passed by.
    void importAnimationFramesFrom(const QString& animation);
    // main_window_drops.cpp: files dropped to stand before row `before` (0: at the end). A project opens
    // as File, "&Open Project ..." opens it; pictures, and pictures of folders, become rows; a
    // video's frames are added as "Add Video Frames ..." adds them. A drop without any is told.
    void connectDrops();
    void dropFiles(const QStringList& paths, int before);
    // main_window_frames.cpp: the highlighted frame's pictures and values, and the panel's buttons.
    void ShowFrameProperties();
    void fitWidthToPicture();
    void fitHeightToPicture();
    void connectPanel();
    // caption_commands.cpp: the frame view's caption dragging.
    void connectCaptions();
    // Changes the project's values that no box of the panel shows (captions, crop, turn), as one
    // change of the project, and shows the frame again.
    void changeProjectProperties(const std::function<void(ProjectProperties&)>& change);
    // shape_commands.cpp
    void connectShapeTools();
    void finishCrop(bool apply);
    // The selected frame made without its crop on the frame view, and where its picture lands there.
    void showUncroppedFrame();
    // The crop dimmed around on the original picture's view.
    void showCropShade();
    bool picturesDifferInSize() const;
    void changeOrientation(const std::function<Orientation(Orientation)>& change);
    // Remakes the frame view of the selected frame at the size the boxes hold.
    void refreshFrameImage();
    void chooseOutputFile();
    void chooseTransColor();
    void applyToFrame();
    void applyToAllFrames();
    void writeFrameValues(int row);

    AppContext context_;
    FrameList frames_;
    FrameListModel* model_ = nullptr;
    QString projectFile_;
    int leftPaneTwips_ = 4230;
    int paneBeforeMaximised_ = 0;  // the left pane's width before the window was maximised
    int wantedPaneTwips_ = 0;      // see takeWantedPaneWidth
    SplitterDrag* splitter_ = nullptr;  // a child of the grip
    QLabel* missingPanel_ = nullptr;  // the status bar's second panel
    QLabel* madePanel_ = nullptr;     // the third: the size of the GIF made last and its make's time
    QLabel* missingIcon_ = nullptr;   // a warning sign before the second panel while it tells of missing pictures
    QLabel* transparencyNotice_ = nullptr;  // see showTransparencyNotice
    bool transparencyLookedFor_ = false;    // the project's first make has looked (once per project)
    QPointer<QWidget> focusBeforeMake_;  // given the focus back when a make ends
    std::unique_ptr<FileCommands> fileCommands_;
    std::unique_ptr<FrameListCommands> frameListCommands_;
    std::unique_ptr<SequenceCommands> sequenceCommands_;
    std::unique_ptr<UndoCommands> undoCommands_;
    MakeCommands* makeCommands_ = nullptr;  // made on first use, a child of the window
    MergeRepeatedCommand* mergeCommand_ = nullptr;  // likewise
    WindowRunner runModal_;  // empty: window-modal, returning at once
    QPointer<ExtractorWindow> extractor_;  // gone once the user closes it
    std::unique_ptr<CaptionPlacer> captionPlacer_;  // the frame view's tool
    std::unique_ptr<CropEditor> cropEditor_;        // the frame view's tool while a crop is drawn
    std::unique_ptr<CropShade> cropShade_;          // the original picture view's
    CropDialog* cropDialog_ = nullptr;              // while a crop is drawn
    std::unique_ptr<PicturePlacement> cropPlacement_;  // the picture on the frame view, likewise
    QRect cropInPicture_;                            // the crop drawn so far, in the picture's pixels
};

}  // namespace pictoreel
