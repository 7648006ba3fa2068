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
    struct Case {
        bool singleFrame;
        std::int16_t format;
        int shownEntry;
    };
    for (const Case c : {Case{true, 0, 0}, Case{false, 1, 1}, Case{true, 2, 2}, Case{false, 7, 0}, Case{true, -1, 0}}) {
        SCOPED_TRACE(::testing::Message() << c.singleFrame << " format " << c.format);
        auto dialog = load(c.singleFrame, c.format);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save Frame(s)"));
        EXPECT_TRUE(request.Cancelled);
        QStringList formats;
        for (int i = 0; i < dialog->cboFormats->count(); ++i)
            formats << dialog->cboFormats->itemText(i);
        EXPECT_EQ(formats, QStringList({"GIF Files(*.gif)", "Bitmap Files(*.bmp)", "JPEG Files(*.jpg)"}));
        EXPECT_EQ(dialog->cboFormats->currentIndex(), c.shownEntry);
        EXPECT_EQ(dialog->frmFile->isVisibleTo(dialog.get()), c.singleFrame);
        EXPECT_EQ(dialog->frmDir->isVisibleTo(dialog.get()), !c.singleFrame);
        EXPECT_EQ(dialog->frmDir->geometry(), dialog->frmFile->geometry());
        EXPECT_EQ(dialog->frmFile->geometry(), twipsRect(240, 1200, 5535, 855));
        EXPECT_EQ(dialog->Frame1->geometry(), twipsRect(240, 120, 5535, 855));
        EXPECT_EQ(dialog->OKButton->geometry(), twipsRect(3120, 2280, 1215, 375));
        EXPECT_EQ(dialog->CancelButton->geometry(), twipsRect(4560, 2280, 1215, 375));
        EXPECT_TRUE(dialog->OKButton->isDefault() && dialog->txtFile->text().isEmpty() && dialog->txtDir->text().isEmpty());
        for (QWidget* w : dialog->findChildren<QWidget*>())
            if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_")) {
                EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
            }
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
        dialog->cmdFile_Click();
        EXPECT_TRUE(dialog->txtFile->text().isEmpty());  // a cancel changes nothing
        dialogs.answerFile(QStringLiteral("/out/x"));
        dialog->cmdFile_Click();
        ASSERT_EQ(dialogs.calls.size(), 2u);
        const QString entry = dialog->cboFormats->currentText();
        EXPECT_EQ(dialogs.calls.back().request.filter, entry + u'|' + QLatin1String(patterns[format]));
        EXPECT_TRUE(dialogs.calls.back().request.title.isEmpty());
        EXPECT_EQ(dialog->txtFile->text(), QStringLiteral("/out/x"));

        dialog->txtDir->setText(QStringLiteral("kept too"));
        dialog->OKButton_Click();
        EXPECT_TRUE(dialog->result() == QDialog::Accepted && !request.Cancelled && request.Format == format);
        // Both boxes are copied in either mode.
        EXPECT_EQ(request.FileName + u'|' + request.Folder, QStringLiteral("/out/x|kept too"));
        EXPECT_TRUE(dialogs.messageTexts().isEmpty());
        dialogs.clear();
    }
}

TEST_F(SaveFramesTest, TheFolderButtonEndsTheFolderWithOneSeparator)
{
    auto dialog = load(false);
    const QString sep(kPathSeparator);
    dialogs.folderAnswers = {QStringLiteral("/tmp") + sep + QStringLiteral("out"), sep, std::nullopt, std::nullopt};
    dialog->cmdDir_Click();
    EXPECT_EQ(dialog->txtDir->text(), QStringLiteral("/tmp") + sep + QStringLiteral("out") + sep);
    dialog->cmdDir_Click();
    EXPECT_EQ(dialog->txtDir->text(), sep);  // a root keeps its one separator
    dialog->cmdDir_Click();
    EXPECT_EQ(dialog->txtDir->text(), sep);  // cancelled: unchanged
    EXPECT_EQ(BrowseForFolder(dialogs, nullptr), QString());
    EXPECT_EQ(dialogs.calls.size(), 4u);
}

TEST_F(SaveFramesTest, AnEmptyBoxIsRefusedWithTheFocusInItAndTheDialogStaysOpen)
{
    struct Case {
        bool singleFrame;
        const char* message;
    };
    for (const Case c : {Case{true, "Please set a file name to save"}, Case{false, "Please set folder to save"}}) {
        SCOPED_TRACE(c.message);
        dialogs.clear();
        auto dialog = load(c.singleFrame);
        QLineEdit* field = c.singleFrame ? dialog->txtFile : dialog->txtDir;
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        dialog->cboFormats->setFocus();
        dialog->OKButton_Click();
        EXPECT_EQ(dialogs.boxes(), QStringList{box(QLatin1String(c.message))});
        EXPECT_TRUE(dialog->isVisible() && field->hasFocus() && request.Cancelled);

        dialog->close();  // the close box
        EXPECT_TRUE(request.Cancelled && dialog->result() == QDialog::Rejected);
    }

    auto spaces = load(true, kFormatJpeg);
    spaces->txtFile->setText(QStringLiteral("  "));
    spaces->OKButton_Click();
    EXPECT_TRUE(!request.Cancelled && request.FileName == QStringLiteral("  ") && request.Format == kFormatJpeg);
}

TEST_F(SaveFramesTest, CancelAnswersCancelledEvenAfterTextWasTyped)
{
    auto dialog = load(true);
    request.FileName = QStringLiteral("earlier answer");
    dialog->txtFile->setText(QStringLiteral("/out/x"));
    dialog->CancelButton_Click();
    EXPECT_TRUE(request.Cancelled && dialog->result() == QDialog::Rejected);
    EXPECT_EQ(request.FileName, QStringLiteral("earlier answer"));
}

TEST(SaveFramesFormat, TheFormatIsFoundBySubstringTheLaterTestWinning)
{
    struct Case {
        const char* text;
        std::int16_t current;
        std::int16_t expected;
    };
    const Case cases[] = {
        {"GIF Files(*.gif)", 2, 0},       {"Bitmap Files(*.bmp)", 0, 1}, {"JPEG Files(*.jpg)", 0, 2},
        {"*.jpg and *.gif", 1, 2},        {"*.bmp, *.jpg, *.gif", 0, 1}, {"Pictures(*.GIF)", 2, 2},
        {"no pattern at all", 1, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatFromEntry(QLatin1String(c.text), c.current), c.expected) << c.text;
    EXPECT_EQ(saveFileFilterFor(QStringLiteral("GIF Files(*.gif)")), QStringLiteral("GIF Files(*.gif)|*.gif"));
}

}  // namespace
}  // namespace pictoreel::testing
