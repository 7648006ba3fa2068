// The save frames dialog `frmSaveFrames`: what it shows for a request, the save-file filter made
// from the chosen format, the folder browser, the refusals of empty boxes and the three ways out
// (OK, Cancel, the close box) as the request reports them.
#include "gui/support/gui_test.h"

#include "core/project/paths.h"
#include "gui/save_frames_dialog.h"

namespace pictoreel::testing {
namespace {

class SaveFramesTest : public ::testing::Test {
protected:
    std::unique_ptr<SaveFramesDialog> load(bool singleFrame, std::int16_t format = kFormatGif)
    {
        request.SingleFrame = singleFrame;
        request.Format = format;
        request.Cancelled = false;
        return std::make_unique<SaveFramesDialog>(dialogs, request);
    }
    ScriptedDialogs dialogs;
    SaveFramesRequest request;
};

TEST_F(SaveFramesTest, LoadingShowsTheRequestedModeAndFormatInOnePlace)
{
    // A format out of range shows the first entry.
    for (const auto& [singleFrame, format, shown] :
         std::initializer_list<std::tuple<bool, int, int>>{{true, 0, 0}, {false, 2, 2}, {false, 7, 0}, {true, -1, 0}}) {
        SCOPED_TRACE(::testing::Message() << singleFrame << " format " << format);
        auto dialog = load(singleFrame, static_cast<std::int16_t>(format));
        expectCaptions(*dialog, {{"frmSaveFrames", "Save Frame(s)"}, {"Frame1", "Choose Output Format"},
                                 {"frmFile", "Output File"}, {"frmDir", "Output Directory"},
                                 {"OKButton", "OK"}, {"CancelButton", "Cancel"}});
        QStringList formats;
        for (int i = 0; i < dialog->cboFormats->count(); ++i)
            formats << dialog->cboFormats->itemText(i);
        EXPECT_EQ(formats, QStringList({"GIF Files(*.gif)", "Bitmap Files(*.bmp)", "JPEG Files(*.jpg)"}));
        EXPECT_EQ(dialog->cboFormats->currentIndex(), shown);
        EXPECT_TRUE(request.Cancelled && dialog->OKButton->isDefault());
        EXPECT_EQ(dialog->frmFile->isVisibleTo(dialog.get()), singleFrame);
        EXPECT_EQ(dialog->frmDir->isVisibleTo(dialog.get()), !singleFrame);
        EXPECT_EQ(dialog->frmDir->geometry(), dialog->frmFile->geometry());
        for (QWidget* w : dialog->findChildren<QWidget*>())
            if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_"))
                EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    }
}

TEST_F(SaveFramesTest, TheFileButtonFiltersByTheChosenFormatAndOkAnswersThatFormat)
{
    const char* patterns[] = {"*.gif", "*.bmp", "*.jpg"};
    for (std::int16_t format = 0; format < 3; ++format) {
        SCOPED_TRACE(format);
        auto dialog = load(true);
        dialog->cboFormats->setCurrentIndex(format);
        dialogs.answerCancel();
        dialog->cmdFile->click();
        EXPECT_TRUE(dialog->txtFile->text().isEmpty());  // a cancel changes nothing
        dialogs.answerFile(QStringLiteral("/out/x"));
        dialog->cmdFile->click();
        EXPECT_EQ(dialogs.calls.back().request.filter, dialog->cboFormats->currentText() + u'|' + QLatin1String(patterns[format]));
        dialog->txtDir->setText(QStringLiteral("kept too"));
        dialog->OKButton->click();
        EXPECT_TRUE(dialog->result() == QDialog::Accepted && !request.Cancelled && request.Format == format);
        EXPECT_EQ(request.FileName + u'|' + request.Folder, QStringLiteral("/out/x|kept too"));  // both boxes, either mode
        EXPECT_TRUE(dialogs.messageTexts().isEmpty());
        dialogs.clear();
    }
    EXPECT_EQ(formatFromEntry(QStringLiteral("*.bmp, *.jpg, *.gif"), 0), 1);  // the later test wins
    EXPECT_EQ(formatFromEntry(QStringLiteral("no pattern at all"), 1), 1);
    EXPECT_EQ(formatFromEntry(QStringLiteral("Pictures(*.GIF)"), 2), 2);
}

TEST_F(SaveFramesTest, TheFolderButtonEndsTheFolderWithOneSeparator)
{
    auto dialog = load(false);
    const QString sep(kPathSeparator);
    dialogs.folderAnswers = {"/tmp" + sep + "out", sep, std::nullopt};
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
        dialog->cmdDir->click();
        shown.append(dialog->txtDir->text());
    }
    // A root keeps its one separator; a cancel changes nothing.
    EXPECT_EQ(shown, QStringList({"/tmp" + sep + "out" + sep, sep, sep}));
}

TEST_F(SaveFramesTest, AnEmptyBoxIsRefusedWithTheFocusInItAndCancelOrTheCloseBoxAnswerCancelled)
{
    for (const auto& [singleFrame, message] : std::initializer_list<std::pair<bool, const char*>>{
             {true, "Please set a file name to save"}, {false, "Please set folder to save"}}) {
        SCOPED_TRACE(message);
        dialogs.clear();
        auto dialog = load(singleFrame);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        dialog->cboFormats->setFocus();
        dialog->OKButton->click();
        EXPECT_EQ(dialogs.boxes(), QStringList{box(QLatin1String(message))});
        EXPECT_TRUE(dialog->isVisible() && (singleFrame ? dialog->txtFile : dialog->txtDir)->hasFocus() && request.Cancelled);
        dialog->close();  // the close box
        EXPECT_TRUE(request.Cancelled && dialog->result() == QDialog::Rejected);
    }
    auto spaces = load(true, kFormatJpeg);
    spaces->txtFile->setText(QStringLiteral("  "));
    spaces->OKButton->click();
    EXPECT_TRUE(!request.Cancelled && request.FileName == QStringLiteral("  ") && request.Format == kFormatJpeg);

    auto typed = load(true);
    request.FileName = QStringLiteral("earlier");
    typed->txtFile->setText(QStringLiteral("/out/x"));
    typed->CancelButton->click();
    EXPECT_TRUE(request.Cancelled && typed->result() == QDialog::Rejected && request.FileName == QStringLiteral("earlier"));
}

}  // namespace
}  // namespace pictoreel::testing
