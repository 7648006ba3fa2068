// The options dialog (the temp folder shown, chosen and stored only by OK; the temporary GIFs
// deleted; the history list opened for editing) and the save frames dialog `frmSaveFrames`.
#include "core/project/history.h"
#include "core/project/paths.h"
#include "core/project/settings_store.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/dialogs/save_frames_dialog.h"
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

class OptionsTest : public WindowTest {
protected:
    // The dialog, owned by the main window; a history list opened from it is recorded as
    // "parent|open and cancel hidden|entries".
    void SetUp() override
    {
        WindowTest::SetUp();
        options = new OptionsDialog(window->context(), [this](QDialog& w) {
            auto* l = qobject_cast<HistoryDialog*>(&w);
            const bool hidden = child(l, "OKButton")->isHidden() && child(l, "CancelButton")->isHidden();
            lists << l->parentWidget()->objectName() + (hidden ? "|hidden|" : "|shown|") + l->entries().join(u' ');
        }, window.get());
    }
    OptionsDialog* options = nullptr;
    QStringList lists;
    QString stored() const { return ReadIniKey("General", "Temp Path", "-", window->context().settingsFile()); }
};

TEST_F(OptionsTest, StoresAChosenFolderOnlyByOkSweepsTheFolderShownAndEditsTheHistory)
{
    expectCaptions(*options, {{"frmOptions", "Options"}, {"fraSample1", "Temporary File Folder"}, {"cmdFolder", "Set &Folder ..."},
                             {"lblFolder", "Click the button to set a folder for saving temporary files. It must be that "
                                           "owns enough free disk space for using."},
                             {"Frame1", "Temporary Files"}, {"cmdDelete", "&Delete"},
                             {"lblDelete", "This software often generate temporary files for boosting the speed. You may "
                                           "click the button to delete all the temporary files to release the used space."},
                             {"Frame2", "Project Files History"}, {"cmdEdit", "&Edit ..."},
                             {"lblHistory", "You can edit the records of all opened project files. Clear all the project "
                                            "files history or remove some of the history records."},
                             {"cmdOK", "&OK"}, {"cmdCancel", "&Cancel"}});
    EXPECT_EQ(child<QTabWidget>(options, "tbsOptions")->tabText(0), QStringLiteral("General"));
    const QString folder = path("work/temp");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(child<QLineEdit>(options, "txtFolder")->isReadOnly() && child<QPushButton>(options, "cmdOK")->isDefault());
    child<QLineEdit>(options, "txtFolder")->setText(QStringLiteral("   "));  // a blank folder is refused, and the dialog stays
    options->show();
    click(options, "cmdOK");
    EXPECT_TRUE(options->isVisible() && dialogs.boxes() == QStringList{box("Please set the temporary file folder ...")});
    dialogs.folderAnswers = {std::nullopt, folder};
    click(options, "cmdFolder");  // cancelled
    EXPECT_EQ(shownText(options, "txtFolder"), QStringLiteral("   "));
    click(options, "cmdFolder");
    EXPECT_TRUE(shownText(options, "txtFolder") == folder + u'/' && stored() == QStringLiteral("-"));
    click(options, "cmdOK");
    EXPECT_TRUE(stored() == folder + u'/' && window->context().tempFolder() == folder + u'/' && !options->isVisible());
    EXPECT_TRUE(window->context().previewFile().startsWith(folder + u'/'));

    // The folder as chosen is trimmed, ends with a separator and is in lower case where that names it too.
    ASSERT_TRUE(QDir().mkpath(path("Work/Temp")));
    EXPECT_EQ(optionsFolderText("  " + folder + "/  "), folder + u'/');
    EXPECT_EQ(optionsFolderText(path("Work/Temp")), path("Work/Temp/"));  // where case tells folders apart
    EXPECT_EQ(optionsFolderText(QStringLiteral("/Nowhere/Work/Temp")), QStringLiteral("/nowhere/work/temp/"));

    // Delete sweeps the temporary GIFs of the folder shown, after a Yes.
    dialogs.clear();
    const QString shown = path("shown/"), kept = window->context().tempFolder() + "__tmp__stored.gif";
    ASSERT_TRUE(QDir().mkpath(shown));
    for (const QString& file : QStringList{shown + "__tmp__preview.gif", shown + "keep.gif", kept})
        writeFile(file);
    AddToHistory(QStringLiteral("/p/b.agp"), window->context().settingsFile());
    dialogs.messageAnswers = {MessageAnswer::No, MessageAnswer::Yes};
    dialogs.folderAnswers = {shown};
    click(options, "cmdDelete");  // No: nothing deleted, nothing said after the question
    EXPECT_TRUE(QFile::exists(kept) && options->cursor().shape() == Qt::ArrowCursor);
    click(options, "cmdFolder");  // chosen, not yet stored: that folder is swept
    click(options, "cmdDelete");
    const QString question = box("Are you sure to delete all the temporary files?", MessageIcon::Question, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.boxes(), (QStringList{question, question, box("Delete finished")}));
    EXPECT_FALSE(QFile::exists(shown + "__tmp__preview.gif"));
    EXPECT_TRUE(QFile::exists(shown + "keep.gif") && QFile::exists(kept));
    click(options, "cmdEdit");
    EXPECT_EQ(lists, QStringList{QStringLiteral("frmOptions|hidden|/p/b.agp")});
}

class SaveFramesTest : public ::testing::Test {
protected:
    std::unique_ptr<SaveFramesDialog> load(bool singleFrame, int format = kFormatGif)
    {
        request = {};
        request.SingleFrame = singleFrame;
        request.Format = static_cast<std::int16_t>(format);
        return std::make_unique<SaveFramesDialog>(dialogs, request);
    }
    ScriptedDialogs dialogs;
    SaveFramesRequest request;
};

TEST_F(SaveFramesTest, ShowsTheRequestedModeAndFormatFiltersByItEndsTheFolderWithASeparatorAndRefusesEmptyBoxes)
{
    expectCaptions(*load(true), {{"frmSaveFrames", "Save Frame(s)"}, {"Frame1", "Choose Output Format"}, {"frmFile", "Output File"},
                                 {"frmDir", "Output Directory"}, {"OKButton", "OK"}, {"CancelButton", "Cancel"}});
    for (const auto& [singleFrame, format, shown, filter] : std::initializer_list<std::tuple<bool, int, int, const char*>>{
             {true, 1, 1, "Bitmap Files(*.bmp)|*.bmp"}, {false, 2, 2, "JPEG Files(*.jpg)|*.jpg"},
             {false, 7, 0, "GIF Files(*.gif)|*.gif"}, {true, -1, 0, "GIF Files(*.gif)|*.gif"}}) {  // out of range: the first
        SCOPED_TRACE(::testing::Message() << singleFrame << " format " << format);
        auto dialog = load(singleFrame, format);
        EXPECT_TRUE(child<QComboBox>(dialog.get(), "cboFormats")->currentIndex() == shown && request.Cancelled);
        EXPECT_TRUE(child(dialog.get(), "frmFile")->isHidden() != singleFrame && child(dialog.get(), "frmDir")->isHidden() == singleFrame);
        dialogs.fileAnswers = {{}, {QStringLiteral("/out/x")}};
        click(dialog.get(), "cmdFile");
        EXPECT_TRUE(shownText(dialog.get(), "txtFile").isEmpty());  // a cancel changes nothing
        click(dialog.get(), "cmdFile");
        EXPECT_EQ(dialogs.calls.back().request.filter, QLatin1String(filter));
        child<QLineEdit>(dialog.get(), "txtDir")->setText(QStringLiteral("kept too"));
        click(dialog.get(), "OKButton");
        EXPECT_TRUE(dialog->result() == QDialog::Accepted && !request.Cancelled && request.Format == shown);
        EXPECT_EQ(request.FileName + u'|' + request.Folder, QStringLiteral("/out/x|kept too"));  // both boxes, either mode
    }
    EXPECT_TRUE(dialogs.messageTexts().isEmpty() && formatFromEntry(QStringLiteral("Pictures(*.GIF)"), 2) == 2);
    EXPECT_EQ(formatFromEntry(QStringLiteral("*.bmp, *.jpg, *.gif"), 0), 1);  // the later test wins
    // The folder button ends the folder with one separator.
    auto dialog = load(false);
    const QString sep(kPathSeparator);
    dialogs.folderAnswers = {"/tmp" + sep + "out", sep, std::nullopt};
    QStringList shown;
    for (int i = 0; i < 3; ++i, shown.append(shownText(dialog.get(), "txtDir")))
        click(dialog.get(), "cmdDir");
    EXPECT_EQ(shown, QStringList({"/tmp" + sep + "out" + sep, sep, sep}));  // a root keeps its one; a cancel nothing

    for (const auto& [singleFrame, message] : std::initializer_list<std::pair<bool, const char*>>{
             {true, "Please set a file name to save"}, {false, "Please set folder to save"}}) {
        dialogs.clear();
        auto empty = load(singleFrame);
        empty->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(empty.get()));
        child(empty.get(), "cboFormats")->setFocus();
        click(empty.get(), "OKButton");
        EXPECT_EQ(dialogs.boxes(), QStringList{box(QLatin1String(message))});
        EXPECT_TRUE(empty->isVisible() && child(empty.get(), singleFrame ? "txtFile" : "txtDir")->hasFocus() && request.Cancelled);
    }
}

}  // namespace
}  // namespace pictoreel::testing
