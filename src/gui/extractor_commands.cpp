// The frames extractor's commands: opening an animated GIF, showing the selected frame, saving
// the selected frame or every checked frame, checking or unchecking all.
#include "gui/extractor_window.h"

#include "core/media/work_budget.h"
#include "core/base/file_identity.h"
#include "gui/dialogs.h"
#include "gui/extractor_files.h"
#include "gui/gif_view.h"
#include "gui/save_frames_dialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QToolBar>

namespace pictoreel {

namespace {

// RGB(255, 255, 255): frames saved as GIF name white as their (unused) transparent colour.
constexpr std::int32_t kWhite = 0xFFFFFF;

}  // namespace

// While a command runs its loop and lets events run, the menu and the toolbar are out of reach
// and the other commands do nothing, so no second command changes the list under the first.
class ExtractorWindow::WorkingScope {
public:
    explicit WorkingScope(ExtractorWindow& window) : window_(&window)
    {
        window.working_ = true;
        window.menuBar()->setEnabled(false);
        window.Toolbar1->setEnabled(false);
    }
    ~WorkingScope()
    {
        if (!window_)
            return;  // the window went away while events ran
        window_->working_ = false;
        window_->menuBar()->setEnabled(true);
        window_->Toolbar1->setEnabled(true);
    }
    WorkingScope(const WorkingScope&) = delete;
    WorkingScope& operator=(const WorkingScope&) = delete;

private:
    QPointer<ExtractorWindow> window_;
};

bool ExtractorWindow::yieldToEvents()
{
    const QPointer<ExtractorWindow> self(this);
    QCoreApplication::processEvents();
    return self && !closed_;
}

QString ExtractorWindow::temporaryFrameFileOf(int index) const
{
    const QListWidgetItem* item = List1->item(index);
    return temporaryFrameFile(tempFolder_(), item ? item->text() : QString());
}

void ExtractorWindow::OpenAnimatedGif()
{
    if (working_)
        return;
    const auto chosen = dialogs_.openFile(this, {QString(), QStringLiteral("Animated GIF Files(*.gif)|*.gif"), {}});
    if (!chosen)
        return;  // cancelled: the list, the frame and the animation stay as they were
    if (!chosen->isEmpty()) {
        const WorkingScope working(*this);
        // Each step that fails is passed over: a GIF the player cannot read leaves an empty list.
        PlayGif1->component().ClearFrames();
        pbPer->setValue(0);
        pbPer->show();
        {
            const QSignalBlocker quiet(List1);  // emptying the list selects nothing to show
            List1->clear();
        }
        gifFile_ = *chosen;
        Status loaded = PlayGif1->LoadGif(*chosen);
        // A GIF beyond the work budget, or too large to decode, is told and not taken apart; the
        // window's other failures pass in silence.
        if (loaded)
            loaded = checkWorkBudget(QStringLiteral("The GIF"), PlayGif1->component().FrameCount(), PlayGif1->GifWidth(),
                                     PlayGif1->GifHeight(), WorkBudget{});
        if (!loaded && loaded.error().code == ErrorCode::LimitExceeded) {
            PlayGif1->component().ClearFrames();
            dialogs_.messageBox(this, loaded.error().text(), QString(), MessageIcon::Exclamation, MessageButtons::Ok);
        }
        PlayGif1->LoopPlayback(false);
        PlayGif1->resize(PlayGif1->GifWidth(), PlayGif1->GifHeight());  // 15 twips to the pixel
        PlayGif1->component().BackColor(kPlayBackColour);
        PlayGif1->Play();
        const int count = PlayGif1->component().FrameCount();
        for (int k = 0; k < count; ++k) {
            auto* item = new QListWidgetItem(frameEntryText(k));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            {
                const QSignalBlocker quiet(List1);  // entry 0 is shown once the list is full
                List1->addItem(item);
            }
            pbPer->setValue(progressPercent(k + 1, count));
            if (!yieldToEvents())
                return;
        }
        pbPer->setValue(0);
        pbPer->hide();
    }
    if (List1->count() > 0) {
        if (List1->currentRow() == 0)
            ShowSelectedFrame();
        else
            List1->setCurrentRow(0);  // shows it
    }
    UpdateCommandState();
}

void ExtractorWindow::ShowSelectedFrame()
{
    if (busy_)
        return;
    const int k = List1->currentRow();
    if (k < 0)
        return;
    const QString t = temporaryFrameFileOf(k);
    (void)PlayGif1->component().ExtractFrame(k, t);
    if (!yieldToEvents())
        return;
    (void)wpdlx1.LoadImage(t);
    QFile::remove(t);
}

Status ExtractorWindow::loadFrameIntoWorker(int index, const QString& temporaryFile)
{
    if (Status extracted = PlayGif1->component().ExtractFrame(index, temporaryFile); !extracted)
        return extracted;
    wpdlx2.ClearImage();
    return wpdlx2.LoadImage(temporaryFile);
}

Status ExtractorWindow::writeWorkerPicture(const QString& file, int format) const
{
    switch (format) {
    case kFormatGif:
        return wpdlx2.SaveGif(file, false, kWhite);
    case kFormatBmp:
        return wpdlx2.SaveBmp(file);
    case kFormatJpeg:
        return wpdlx2.SaveJpeg(file, 80, false, false);
    default:
        return Status::success();  // no format of the list: nothing is written
    }
}

void ExtractorWindow::showSaveError(const Error& error)
{
    dialogs_.messageBox(this, error.text(), QString(), MessageIcon::None, MessageButtons::Ok);
}

bool ExtractorWindow::refuseSourceAsOutput(const QString& output)
{
    if (!sameFile(output, gifFile_))
        return false;
    dialogs_.inform(this, QStringLiteral("%1 is the animated GIF the frames come from; it is not written over. "
                                         "Please choose another file or folder.")
                              .arg(output));
    return true;
}

namespace {

Status removeTemporaryFile(const QString& file)
{
    if (QFile::remove(file))
        return Status::success();
    return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot delete the file %1").arg(file));
}

}  // namespace

bool ExtractorWindow::askWhereToSave(bool singleFrame)
{
    request_.SingleFrame = singleFrame;
    request_.Format = kFormatGif;
    request_.Cancelled = false;
    {
        SaveFramesDialog dialog(dialogs_, request_, this);
        runSaveDialog_(dialog);
    }
    return !request_.Cancelled;
}

void ExtractorWindow::SaveCurrentFrame()
{
    if (List1->count() == 0 || busy_ || working_)
        return;
    if (!askWhereToSave(true))
        return;
    if (request_.FileName.isEmpty()) {
        dialogs_.inform(this, QStringLiteral("The file name is not set"));
        return;
    }
    if (refuseSourceAsOutput(request_.FileName))
        return;
    // From here the first failure ends the command with its number and description.
    const int k = List1->currentRow();
    const QString t = temporaryFrameFileOf(k);
    if (Status loaded = loadFrameIntoWorker(k, t); !loaded)
        return showSaveError(loaded.error());
    if (Status written = writeWorkerPicture(request_.FileName, request_.Format); !written)
        return showSaveError(written.error());
    if (!yieldToEvents())
        return;
    if (Status removed = removeTemporaryFile(t); !removed)
        showSaveError(removed.error());
}

void ExtractorWindow::SaveCheckedFrames()
{
    if (List1->count() == 0 || busy_ || working_)
        return;
    std::vector<int> checked;
    for (int k = 0; k < List1->count(); ++k)
        if (List1->item(k)->checkState() == Qt::Checked)
            checked.push_back(k);
    if (checked.empty()) {
        dialogs_.inform(this, QStringLiteral("Please check the frames that you want to save first!"));
        return;
    }
    if (!askWhereToSave(false))
        return;
    if (request_.Folder.isEmpty()) {
        dialogs_.inform(this, QStringLiteral("The output folder is not set"));
        return;
    }
    // The request is read once: the folder and format stay those of this command.
    const QString folder = request_.Folder;
    const int format = request_.Format;
    // Nothing is written when any of the files would be the GIF itself.
    for (int k : checked) {
        if (refuseSourceAsOutput(checkedFrameOutputFile(folder, List1->item(k)->text(), format)))
            return;
    }
    const WorkingScope working(*this);
    pbPer->setValue(0);
    pbPer->show();
    long long saved = 0;
    for (int k : checked) {
        const QListWidgetItem* item = List1->item(k);
        const QString t = temporaryFrameFileOf(k);
        if (Status loaded = loadFrameIntoWorker(k, t); !loaded)
            return showSaveError(loaded.error());
        if (Status written = writeWorkerPicture(checkedFrameOutputFile(folder, item->text(), format), format); !written)
            return showSaveError(written.error());
        ++saved;
        pbPer->setValue(progressPercent(saved, static_cast<long long>(checked.size())));
        if (!yieldToEvents())
            return;
        if (Status removed = removeTemporaryFile(t); !removed)
            return showSaveError(removed.error());
    }
    pbPer->setValue(0);
    pbPer->hide();
    dialogs_.inform(this, QStringLiteral("Save finished"));
}

void ExtractorWindow::SetAllChecked(bool value)
{
    if (working_)
        return;
    const WorkingScope working(*this);
    busy_ = true;
    for (int k = 0; k < List1->count(); ++k) {
        List1->item(k)->setCheckState(value ? Qt::Checked : Qt::Unchecked);
        if (!yieldToEvents())
            return;
    }
    busy_ = false;
}

void ExtractorWindow::CheckAllFrames() { SetAllChecked(true); }

void ExtractorWindow::UncheckAllFrames() { SetAllChecked(false); }

}  // namespace pictoreel
