// The options dialog: the temp folder shown, chosen (trimmed, with a trailing separator, in
// lower case where that still names it), stored only by OK; the temporary GIFs of the folder
// shown deleted on request; the history list opened for editing.
#include "gui/support/gui_test.h"
#include "core/project/history.h"
#include "core/project/settings_store.h"
#include "gui/history_dialog.h"
#include "gui/options_dialog.h"
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

class OptionsTest : public WindowTest {
protected:
    // Opens the options from the Tools menu and lets `script` work the dialog while it is shown.
    // A history list opened from it is recorded as "parent|buttons shown|entries" and closed.
    void withOptions(const std::function<void(OptionsDialog&)>& script)
    {
        window->setWindowRunner([this, script](QDialog& w) {
            if (auto* options = qobject_cast<OptionsDialog*>(&w)) {
                options->show();
                script(*options);
            } else if (auto* list = qobject_cast<HistoryDialog*>(&w)) {
                QStringList shown;
                for (QPushButton* b : {list->OKButton, list->CancelButton, list->cmdDelete, list->cmdClear, list->cmdSave})
                    if (!b->isHidden())
                        shown.append(b->objectName());
                lists.append(list->parentWidget()->objectName() + u'|' + shown.join(u' ') + u'|' + list->entries().join(u' '));
            }
        });
        trigger("mnuToolsSub7");
    }
    QString storedTempPath() const
    {
        return ReadIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), QStringLiteral("-"), window->context().settingsFile());
    }
    QStringList lists;
};

TEST_F(OptionsTest, ShowsTheTempFolderAndOnlyOkStoresAChosenFolder)
{
    const QString folder = path("work/temp"), start = window->context().tempFolder();
    ASSERT_TRUE(QDir().mkpath(folder));
    dialogs.folderAnswers = {std::nullopt, folder, folder};
    withOptions([&](OptionsDialog& o) {
        expectCaptions(o, {{"frmOptions", "Options"}, {"fraSample1", "Temporary File Folder"}, {"cmdFolder", "Set &Folder ..."},
                           {"lblFolder", "Click the button to set a folder for saving temporary files. It must be that "
                                         "owns enough free disk space for using."},
                           {"Frame1", "Temporary Files"}, {"cmdDelete", "&Delete"},
                           {"lblDelete", "This software often generate temporary files for boosting the speed. You may "
                                         "click the button to delete all the temporary files to release the used space."},
                           {"Frame2", "Project Files History"}, {"cmdEdit", "&Edit ..."},
                           {"lblHistory", "You can edit the records of all opened project files. Clear all the project "
                                          "files history or remove some of the history records."},
                           {"cmdOK", "&OK"}, {"cmdCancel", "&Cancel"}});
        EXPECT_TRUE(o.tbsOptions->count() == 1 && o.tbsOptions->tabText(0) == QStringLiteral("General"));
        for (QGroupBox* g : {o.fraSample1, o.Frame1, o.Frame2})
            for (QWidget* child : g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                EXPECT_TRUE(g->rect().contains(child->geometry())) << child->objectName().toStdString();
        EXPECT_TRUE(o.txtFolder->text() == start && o.txtFolder->isReadOnly() && o.cmdOK->isDefault());
        o.cmdFolder->click();  // cancelled
        EXPECT_EQ(o.txtFolder->text(), start);
        o.cmdFolder->click();
        EXPECT_EQ(o.txtFolder->text(), folder + u'/');
        o.cmdCancel->click();
    });
    EXPECT_TRUE(window->context().tempFolder() == start && storedTempPath() == QStringLiteral("-"));
    withOptions([](OptionsDialog& o) {
        o.cmdFolder->click();
        o.cmdOK->click();
    });
    EXPECT_TRUE(storedTempPath() == folder + u'/' && window->context().tempFolder() == folder + u'/');
    EXPECT_TRUE(window->context().previewFile().startsWith(folder + u'/'));
    withOptions([this](OptionsDialog& o) {  // a blank folder is refused, and the dialog stays
        o.txtFolder->setText(QStringLiteral("   "));
        o.cmdOK->click();
        EXPECT_TRUE(o.isVisible() && dialogs.boxes() == QStringList{box("Please set the temporary file folder ...")});
        o.cmdCancel->click();
    });
    EXPECT_EQ(storedTempPath(), folder + u'/');
}

TEST_F(OptionsTest, AChosenFolderIsTrimmedEndedByASeparatorAndInLowerCaseWhereThatNamesIt)
{
    const QString lower = path("work/temp"), mixed = path("Work/Temp");
    ASSERT_TRUE(QDir().mkpath(lower) && QDir().mkpath(mixed));
    const std::pair<QString, QString> cases[] = {
        {"  " + lower + "/  ", lower + u'/'},
        {mixed, mixed + u'/'},  // where case tells folders apart, lower case would name another
        {QStringLiteral("/Nowhere/Work/Temp"), QStringLiteral("/nowhere/work/temp/")},
        {QStringLiteral("   "), QString()},
    };
    for (const auto& [chosen, shown] : cases)
        EXPECT_EQ(optionsFolderText(chosen), shown) << chosen.toStdString();
}

TEST_F(OptionsTest, DeleteSweepsTheFolderShownAfterAYesAndEditOpensTheHistoryList)
{
    const QString shown = path("shown/"), stored = window->context().tempFolder() + "__tmp__stored.gif";
    ASSERT_TRUE(QDir().mkpath(shown));
    for (const QString& file : QStringList{shown + "__tmp__preview.gif", shown + "keep.gif", stored})
        writeFile(file);
    AddToHistory(QStringLiteral("/p/b.agp"), window->context().settingsFile());
    dialogs.messageAnswers = {MessageAnswer::No, MessageAnswer::Yes};
    dialogs.folderAnswers = {shown};
    withOptions([&](OptionsDialog& o) {
        o.cmdDelete->click();  // No: nothing deleted, nothing said after the question
        EXPECT_TRUE(QFile::exists(stored) && o.cursor().shape() == Qt::ArrowCursor);
        o.cmdFolder->click();  // chosen, not yet stored: that folder is swept
        o.cmdDelete->click();
        o.cmdEdit->click();
        EXPECT_TRUE(o.isVisible());  // the options come back when the list closes
        o.cmdCancel->click();
    });
    const QString question = box("Are you sure to delete all the temporary files?", MessageIcon::Question, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.boxes(), (QStringList{question, question, box("Delete finished")}));
    EXPECT_FALSE(QFile::exists(shown + "__tmp__preview.gif"));
    EXPECT_TRUE(QFile::exists(shown + "keep.gif") && QFile::exists(stored));
    EXPECT_EQ(lists, QStringList{QStringLiteral("frmOptions|cmdDelete cmdClear cmdSave|/p/b.agp")});
}

}  // namespace
}  // namespace pictoreel::testing
