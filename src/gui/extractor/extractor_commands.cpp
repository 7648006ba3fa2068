// The frames extractor's commands: opening an animated GIF, showing the selected frame, saving
// the selected frame or every checked frame, checking or unchecking all. Opening and saving run
// on the window's worker job.
#include "gui/extractor/extractor_window.h"

#include "core/base/file_identity.h"
#include "core/formats/picture_size.h"
#include "core/gif/gif_reader.h"
#include "core/media/player_component.h"
#include "core/media/work_budget.h"
#include "gui/app/dialogs.h"
#include "gui/extractor/extractor_files.h"
#include "gui/widgets/gif_view.h"
#include "gui/dialogs/save_frames_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>

#include <optional>

namespace pictoreel {

namespace {

// RGB(255, 255, 255): frames saved as GIF name white as their (unused) transparent colour.
constexpr std::int32_t kWhite = 0xFFFFFF;

Status removeTemporaryFile(const QString& file)
{
    if (QFile::remove(file))
        return Status::success();
    return makeError(ErrorCode::FileWriteFailed, QCoreApplication::translate("pictoreel::ExtractorWindow", "Cannot delete the file %1").arg(file));
}

Status writePicture(const ImagingComponent& picture, const QString& file, int format)
{
    switch (format) {
    case kFormatGif:
        return picture.SaveGif(file, false, kWhite);
    case kFormatBmp:
        return picture.SaveBmp(file);
    case kFormatJpeg:
        return picture.SaveJpeg(file, 80, false, false);
    default:
        return Status::success();  // no format of the list: nothing is written
    }
}

}  // namespace

void ExtractorWindow::setWorking(bool working)
{
    working_ = working;
    menuBar()->setEnabled(!working);
    toolbar_->setEnabled(!working);
}

QString ExtractorWindow::temporaryFrameFileOf(int index) const
{
    const QListWidgetItem* item = frameList_->item(index);
    return temporaryFrameFile(tempFolder_(), item ? item->text() : QString());
}

void ExtractorWindow::openAnimatedGif()
{
    if (working_)
        return;
    const auto chosen = dialogs_.openFile(this, {QString(), QStringLiteral("Animated GIF Files(*.gif)|*.gif"), {}});
    if (!chosen)
        return;  // cancelled: the list, the frame and the animation stay as they were
    if (chosen->isEmpty()) {
        showFirstFrame();
        return;
    }
    // Each step that fails is passed over: a GIF the player cannot read leaves an empty list.
    player_->component().ClearFrames();
    progressBar_->setValue(0);
    progressBar_->show();
    {
        const QSignalBlocker quiet(frameList_);  // emptying the list selects nothing to show
        frameList_->clear();
    }
    frameImage_.ClearImage();  // no frame of the GIF before stays without its entry
    gifFile_ = *chosen;
    // The GIF is read and checked against the work budget on the worker; the player takes it over
    // once it is read.
    auto opened = std::make_shared<std::optional<Result<GifDecoder>>>();
    auto work = [opened, gif = gifFile_] {
        try {
            Result<GifDecoder> decoder = GifDecoder::openFile(gif);
            if (decoder) {  // a GIF beyond the work budget is told and not taken apart
                const GifDecoder& d = decoder.value();
                const Status within = checkWorkBudget(tr("The GIF"), d.frameCount(), d.width(), d.height(), WorkBudget{});
                if (!within)
                    decoder = within.error();
            }
            opened->emplace(std::move(decoder));
        } catch (const std::exception& e) {  // out of memory and the like: a GIF that cannot be read
            opened->emplace(makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what())));
        }
    };
    setWorking(true);
    job_.start(std::move(work), {}, [this, opened] {
        setWorking(false);
        if (!job_.stopRequested())  // else the window is closing: the GIF read goes with it
            showOpenedGif(std::move(opened->value()));
        Q_EMIT workFinished();
    });
}

void ExtractorWindow::showOpenedGif(Result<GifDecoder> opened)
{
    const Status loaded = player_->loadOpenedGif(std::move(opened));
    // A GIF beyond the work budget, or too large to decode, is told; the window's other failures
    // pass in silence.
    if (!loaded && loaded.error().code == ErrorCode::LimitExceeded)
        dialogs_.messageBox(this, loaded.error().text(), QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    player_->LoopPlayback(true);  // the preview repeats as the GIF's own loop block says
    player_->resize(player_->sizeWithin(previewArea_->size()));  // its own size, or with Fit within the view
    player_->component().BackColor(kPlayBackColour);
    player_->Play();
    const int count = player_->component().FrameCount();
    {
        const QSignalBlocker quiet(frameList_);  // entry 0 is shown once the list is full
        for (int k = 0; k < count; ++k) {
            auto* item = new QListWidgetItem(frameEntryText(k));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            frameList_->addItem(item);
            progressBar_->setValue(progressPercent(k + 1, count));
        }
    }
    progressBar_->setValue(0);
    progressBar_->hide();
    showFirstFrame();
}

void ExtractorWindow::showFirstFrame()
{
    if (frameList_->count() > 0) {
        if (frameList_->currentRow() == 0)
            showSelectedFrame();
        else
            frameList_->setCurrentRow(0);  // shows it
    }
    updateCommandState();
}

void ExtractorWindow::showSelectedFrame()
{
    if (busy_)
        return;
    const int k = frameList_->currentRow();
    if (k < 0)
        return;
    const QString t = temporaryFrameFileOf(k);
    RgbaImage shown;
    if (player_->component().ExtractFrame(k, t, &shown))
        frameImage_.setImage(std::move(shown));
    else
        frameImage_.ClearImage();
    QFile::remove(t);
}

void ExtractorWindow::showSaveError(const Error& error)
{
    dialogs_.messageBox(this, error.text(), QString(), MessageIcon::None, MessageButtons::Ok);
}

bool ExtractorWindow::refuseSourceAsOutput(const QString& output)
{
    if (!sameFile(output, gifFile_))
        return false;
    dialogs_.inform(this, tr("%1 is the animated GIF the frames come from; it is not written over. "
                                         "Please choose another file or folder.")
                              .arg(output));
    return true;
}

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

void ExtractorWindow::saveCurrentFrame()
{
    if (frameList_->count() == 0 || busy_ || working_)
        return;
    if (!askWhereToSave(true))
        return;
    if (request_.FileName.isEmpty()) {
        dialogs_.inform(this, tr("The file name is not set"));
        return;
    }
    if (refuseSourceAsOutput(request_.FileName))
        return;
    const int k = frameList_->currentRow();
    saveFrames({{k, temporaryFrameFileOf(k), request_.FileName}}, request_.Format, false);
}

bool ExtractorWindow::mayReplaceFiles(const std::vector<FrameToSave>& frames)
{
    // The names are the same for every GIF (Frame_0, Frame_1 ...): saving the frames of another
    // GIF into the same folder would replace the first one's without a word.
    QStringList existing;
    for (const FrameToSave& frame : frames)
        if (QFileInfo::exists(frame.output))
            existing.append(QFileInfo(frame.output).fileName());
    if (existing.isEmpty())
        return true;
    constexpr qsizetype kNamed = 5;
    QString names = QStringList(existing.mid(0, kNamed)).join(QStringLiteral(", "));
    if (existing.size() > kNamed)
        names += QStringLiteral(" ...");
    const QString text = existing.size() == 1
                             ? tr("%1 is already in %2. Replace it?").arg(names, QDir::toNativeSeparators(request_.Folder))
                             : tr("%1 of the files are already in %2 (%3). Replace them?")
                                   .arg(existing.size())
                                   .arg(QDir::toNativeSeparators(request_.Folder), names);
    return dialogs_.messageBox(this, text, QString(), MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

void ExtractorWindow::saveCheckedFrames()
{
    if (frameList_->count() == 0 || busy_ || working_)
        return;
    std::vector<int> checked;
    for (int k = 0; k < frameList_->count(); ++k)
        if (frameList_->item(k)->checkState() == Qt::Checked)
            checked.push_back(k);
    if (checked.empty()) {
        dialogs_.inform(this, tr("Please check the frames that you want to save first!"));
        return;
    }
    if (!askWhereToSave(false))
        return;
    if (request_.Folder.isEmpty()) {
        dialogs_.inform(this, tr("The output folder is not set"));
        return;
    }
    // The request is read once: the folder and format stay those of this command.
    std::vector<FrameToSave> frames;
    for (int k : checked) {
        frames.push_back({k, temporaryFrameFileOf(k), checkedFrameOutputFile(request_.Folder, frameList_->item(k)->text(), request_.Format)});
        // Nothing is written when any of the files would be the GIF itself.
        if (refuseSourceAsOutput(frames.back().output))
            return;
    }
    if (!mayReplaceFiles(frames))
        return;
    progressBar_->setValue(0);
    progressBar_->show();
    saveFrames(std::move(frames), request_.Format, true);
}

void ExtractorWindow::saveFrames(std::vector<FrameToSave> frames, int format, bool checkedFrames)
{
    // The worker reads the GIF on its own, the very file the window shows (even when its name
    // has been given to another file since): the animation plays on from the window's copy.
    auto status = std::make_shared<Status>();
    auto work = [job = &job_, status, reopen = player_->component().gifReopener(), frames = std::move(frames), format,
                 checkedFrames] {
        // From here the first failure ends the command; the frame being worked on keeps its
        // temporary file.
        const auto save = [&]() -> Status {
            PlayerComponent source;
            source.BackColor(kPlayBackColour);
            if (!reopen)
                return makeError(ErrorCode::InvalidArgument, tr("No GIF is open"));
            if (Status loaded = source.loadOpenedGif(reopen()); !loaded)
                return loaded;
            // JPEG goes through ImageMagick, whose limits hold for the whole GIF: refused before
            // anything is written. BMP and GIF are written at any size.
            if (format == kFormatJpeg) {
                if (Status fits = checkPictureLimits(source.GifWidth(), source.GifHeight()); !fits)
                    return makeError(fits.error().code, tr("The frames cannot be saved as JPEG. %1 Frames of any "
                                                                       "size are saved as BMP or GIF.")
                                                            .arg(fits.error().message));
            }
            ImagingComponent picture;  // the hidden worker, wpdlx2
            long long saved = 0;
            for (const FrameToSave& frame : frames) {
                if (job->stopRequested())
                    return makeError(ErrorCode::Cancelled, tr("Saving the frames was cancelled"));
                RgbaImage shown;
                if (Status extracted = source.ExtractFrame(frame.index, frame.temporary, &shown); !extracted)
                    return extracted;
                picture.setImage(std::move(shown));
                // A missing output folder is made, as pictoreel-cli extract makes it; one that
                // cannot be made is told by the write that follows.
                QDir().mkpath(QFileInfo(frame.output).absolutePath());
                if (Status written = writePicture(picture, frame.output, format); !written)
                    return written;
                if (checkedFrames)
                    job->report(progressPercent(++saved, static_cast<long long>(frames.size())));
                if (Status removed = removeTemporaryFile(frame.temporary); !removed)
                    return removed;
            }
            return Status::success();
        };
        try {
            *status = save();
        } catch (const std::exception& e) {  // out of memory and the like: told like any failure
            *status = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
        }
    };
    setWorking(true);
    job_.start(
        std::move(work), [this](int percent) { progressBar_->setValue(percent); },
        [this, status, checkedFrames] {
            setWorking(false);
            if (job_.stopRequested()) {
                // The window is closing: nothing more to tell.
            } else if (!*status) {
                showSaveError(status->error());  // the progress bar keeps its last state
            } else if (checkedFrames) {
                progressBar_->setValue(0);
                progressBar_->hide();
                dialogs_.inform(this, tr("Save finished"));
            }
            Q_EMIT workFinished();
        });
}

void ExtractorWindow::setAllChecked(bool value)
{
    if (working_)
        return;
    busy_ = true;
    for (int k = 0; k < frameList_->count(); ++k)
        frameList_->item(k)->setCheckState(value ? Qt::Checked : Qt::Unchecked);
    busy_ = false;
}

void ExtractorWindow::checkAllFrames() { setAllChecked(true); }

void ExtractorWindow::uncheckAllFrames() { setAllChecked(false); }

}  // namespace pictoreel
