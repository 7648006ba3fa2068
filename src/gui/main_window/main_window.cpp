// The main window's life: loading, the make and merge commands, the tool windows, help and
// closing. Its menus and toolbar, its layout, the frame views and the command classes it builds
// have files of their own (main_window_*.cpp).
#include "gui/main_window/main_window.h"

#include "core/production/frame_cache.h"
#include "core/production/frame_cache_names.h"
#include "core/production/frame_shaping.h"
#include "core/project/crop_region.h"
#include "core/project/orientation.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/help_window.h"
#include "gui/app/busy_pointer.h"
#include "gui/app/frame_side_setting.h"
#include "gui/widgets/compact_font.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/caption_placer.h"
#include "core/project/picture_placement.h"
#include "gui/widgets/crop_editor.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/property_panel.h"
#include "gui/converters/avi_to_gif_window.h"
#include "gui/extractor/extractor_window.h"
#include "gui/converters/gif_to_avi_window.h"
#include "gui/widgets/image_view.h"
#include "gui/main_window/file_commands.h"
#include "gui/main_window/frame_list_commands.h"
#include "gui/main_window/sequence_commands.h"
#include "gui/main_window/undo_commands.h"
#include "gui/main_window/make_commands.h"
#include "gui/main_window/merge_repeated_command.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/player/player_window.h"
#include "gui/app/shell.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QPushButton>
#include <QThread>

#include <algorithm>

#include <utility>

namespace pictoreel {

MainWindow::MainWindow(const ProgramFolders& folders, Dialogs& dialogs, Shell& shell, QWidget* parent)
    : QMainWindow(parent), context_(folders, dialogs, shell)
{
    setObjectName(QStringLiteral("frmPictoreel"));
    applyCompactFont(this);

    // Loading, in order: the panes laid out, the viewers...
    buildMenus();
    buildToolbar();
    buildStatusBar();
    buildPanes();
    buildCommands();
    connectPanel();
    connectDrops();
    buildUndoCommands();
    connectCaptions();
    connectShapeTools();
    layOutAtStart();
    frameView_->show();

    // ...the settings file, the temp folder (made, a failure reported) and the preview file...
    context_.loadProgramValues([this](const QString& message) {
        context_.dialogs().messageBox(this, message, tr("Error"), MessageIcon::Critical,
                                      MessageButtons::Ok);
    });

    // ...the size boxes' bound, an empty project, and Auto Size only for a list with rows.
    panel_->setLargestFrameSide(largestFrameSide(context_.settingsFile()));
    fileCommands_->NewProject();
    applyAutoSizeRule();
    restoreWindowPlace();  // from the second start on
}

MainWindow::~MainWindow()
{
    // A box that loses the focus as the panel goes tells of an edit; this window is gone by then.
    panel_->disconnect(this);
    // The extractor asks this window for the temp folder, so it cannot outlive it.
    delete extractor_.data();
    // The viewers let go of their components, and the model of the list, before those go.
    delete frameView_;
    delete originalView_;
    frameView_ = originalView_ = nullptr;
    delete frameList_;
    frameList_ = nullptr;
    delete model_;
    model_ = nullptr;
}

// ---- make, preview and the player ---------------------------------------------------------------

MakeCommands& MainWindow::makeCommands()
{
    if (!makeCommands_) {
        MakeHost host;
        host.window = this;
        host.setMakeRunning = [this](bool running) { setMakeRunning(running); };
        host.context = &context_;
        host.frames = &frames_;
        host.panel = panel_;
        host.pbPer = progressBar_;
        host.madePanel = madePanel_;
        host.chooseOutputFile = [this] { chooseOutputFile(); };
        host.projectFile = [this] { return projectFile_; };
        host.picturesMissing = [this](const std::vector<MissingPicture>& missing) { showMissingPictures(missing); };
        host.lookForTransparency = [this] { return !std::exchange(transparencyLookedFor_, true); };
        host.transparencyFound = [this](const TransparentShare& share) { showTransparencyNotice(share); };
        makeCommands_ = new MakeCommands(std::move(host), this);
        connect(cancelMakeButton_, &QPushButton::clicked, makeCommands_, &MakeCommands::CancelMake);
    }
    return *makeCommands_;
}

bool MainWindow::isMakingGif() const { return makeCommands_ && makeCommands_->isBusy(); }
bool MainWindow::isWorking() const { return isMakingGif() || (mergeCommand_ && mergeCommand_->isBusy()); }

// ---- Merge Repeated Frames ----------------------------------------------------------------------

void MainWindow::MergeRepeatedFrames()
{
    tellWhenNoFrames(rowsHost());
    if (frames_.rowCount() < 2 || isWorking())
        return;
    const auto [widthText, heightText] = panel_->frameSizeTexts();
    const Result<FrameSize> size = frameSizeFromTexts(widthText, heightText);
    if (!size) {
        context_.dialogs().inform(this, size.error().message);
        return;
    }
    std::vector<FrameConversion> conversions;
    // Frames are compared as the make makes them: cropped, turned and with their captions.
    const ProjectProperties project = panel_->projectProperties();
    const FrameStyle style = frameStyleFor(project);
    const std::optional<CropRegion> crop = cropRegionFromText(project.crop);
    const Orientation orientation = orientationFromTexts(project.rotate, project.mirror);
    for (int row = 1; row <= frames_.rowCount(); ++row)
        conversions.push_back(frameConversionFor(frameValuesAt(frames_, row), size.value(), context_.tempFolder(), style,
                                                 frameShapingFor(crop, orientation, project.captions, row)));
    mergeCommand().start(std::move(conversions), std::max(1, QThread::idealThreadCount()));
}

MergeRepeatedCommand& MainWindow::mergeCommand()
{
    if (!mergeCommand_) {
        MergeRepeatedCommand::Host host;
        host.setRunning = [this](bool running) {
            // The make's Cancel stops the merge: a screen reader says which.
            cancelMakeButton_->setAccessibleName(running ? tr("Cancel the merge") : tr("Cancel the make"));
            setMakeRunning(running);
        };
        host.pbPer = progressBar_;
        host.frames = &frames_;
        host.merged = [this] { showEditedFrames(rowsHost()); };
        mergeCommand_ = new MergeRepeatedCommand(std::move(host), this);
        connect(cancelMakeButton_, &QPushButton::clicked, mergeCommand_, &MergeRepeatedCommand::cancel);
    }
    return *mergeCommand_;
}

// ---- tool windows -------------------------------------------------------------------------------

void MainWindow::setWindowRunner(WindowRunner runner)
{
    runModal_ = std::move(runner);
    makeCommands().setWindowRunner(runModal_ ? runModal_ : WindowRunner(execWindow));
}

void MainWindow::ShowExtractor()
{
    if (!extractor_)
        // A top-level window of its own: closing the main window leaves it open, and the program
        // runs on until it is closed too.
        extractor_ = new ExtractorWindow(context_.dialogs(), [this] { return context_.tempFolder(); });
    extractor_->show();
    extractor_->raise();
    extractor_->activateWindow();
}

ExtractorWindow* MainWindow::extractorWindow() const { return extractor_.data(); }

void MainWindow::ShowOptions()
{
    auto* options = new OptionsDialog(context_, runModal_, this);
    connect(options, &QDialog::accepted, this,
            [this] { panel_->setLargestFrameSide(largestFrameSide(context_.settingsFile())); });
    showModal(options, runModal_);
}

void MainWindow::ShowAviToGif()
{
    showModal(new AviToGifWindow(context_.dialogs(), this), runModal_);
}

void MainWindow::ShowGifToAvi()
{
    showModal(new GifToAviWindow(context_.dialogs(), this), runModal_);
}

void MainWindow::ShowAbout()
{
    showModal(new AboutDialog(context_.helpFile(QStringLiteral("vimo.gif")), context_.shell(), this), runModal_);
}

// ---- help ---------------------------------------------------------------------------------------

void MainWindow::ShowHelpContents()
{
    const QString helpFile = context_.helpFile(QStringLiteral("pictoreel.chm"));
    const QString manual = joinPath(context_.helpFile(QStringLiteral("help")), QStringLiteral("index.html"));
    if (QFileInfo::exists(helpFile) ? context_.shell().open(helpFile) : context_.shell().open(manual))
        return;
    // No program to open it with: the manual in a window of our own.
    if (QFileInfo::exists(manual))
        (new HelpWindow(manual, this))->show();
}

void MainWindow::VisitWebsite() { (void)context_.shell().open(QLatin1String(kWebsiteAddress)); }

// ---- closing ------------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    const bool cancelled = !fileCommands_->askToSaveBeforeClosing();
    if (cancelled && isWorking()) {
        // The make or merge goes on, and the temp folder keeps the frames it is reading.
        event->ignore();
        Q_EMIT closeRefused();
        return;
    }
    // The temp folder is in use until the make or merge has stopped.
    if (isMakingGif())
        makeCommands_->cancelAndWait();
    if (mergeCommand_ && mergeCommand_->isBusy())
        mergeCommand_->cancelAndWait();
    {
        BusyPointer busy;
        deleteTempGifs(context_.tempFolder());
    }
    if (cancelled) {
        event->ignore();
        Q_EMIT closeRefused();
    } else {
        rememberWindowPlace();
        event->accept();
    }
}

}  // namespace pictoreel
