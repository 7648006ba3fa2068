// The options dialog: the temp folder shown, chosen (trimmed, with a trailing separator, in
// lower case where that still names it), stored only by OK; the temporary GIFs of the folder
// shown deleted on request; the history list opened for editing.
#include "gui/support/gui_test.h"
#include "core/project/history.h"
#include "core/project/settings_store.h"
#include "gui/history_dialog.h"
#include "gui/options_dialog.h"
#include "gui/support/window_fixture.h"

#include <QGuiApplication>
#include <QScreen>

namespace pictoreel::testing {
namespace {

class OptionsTest : public WindowTest {
protected:
    // Opens the options from the Tools menu and lets `script` work the dialog while it is shown.
    // A history list opened from it is recorded and closed at once.
    void withOptions(const std::function<void(OptionsDialog&)>& script)
    {
        window->setWindowRunner([this, script](QDialog& w) {
            if (auto* options = qobject_cast<OptionsDialog*>(&w)) {
                ++optionsShown;
                options->show();
                script(*options);
            } else if (auto* list = qobject_cast<HistoryDialog*>(&w)) {
                const auto state = [](bool hidden) { return hidden ? QStringLiteral("hidden") : QStringLiteral("shown"); };
                const bool editHidden = list->cmdDelete->isHidden() || list->cmdClear->isHidden() || list->cmdSave->isHidden();
                lists.push_back({list->parentWidget(),
                                 state(list->OKButton->isHidden()) + u' ' + state(list->CancelButton->isHidden()) + u' '
                                     + state(editHidden),
                                 list->entries()});
            }
        });
        trigger(QStringLiteral("mnuToolsSub7"));
    }

    QString storedTempPath() const
    {
        return ReadIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), QStringLiteral("<none>"),
                          window->context().settingsFile());
    }

    struct ListShowing {
        QWidget* parent = nullptr;
        QString buttons;  // open, cancel, the editing three: "hidden" or "shown"
        QStringList entries;
    };
    int optionsShown = 0;
    std::vector<ListShowing> lists;
};

TEST_F(OptionsTest, LoadsCentredOnTheGeneralTabWithTheTempFolder)
{
    withOptions([this](OptionsDialog& o) {
        EXPECT_EQ(o.windowTitle(), QStringLiteral("Options"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(o.x(), screen.left() + (screen.width() - o.width()) / 2);
        EXPECT_EQ(o.y(), screen.top() + (screen.height() - o.height()) / 2);
        ASSERT_EQ(o.tbsOptions->count(), 1);
        EXPECT_EQ(o.tbsOptions->tabText(0), QStringLiteral("General"));
        EXPECT_EQ(o.txtFolder->text(), window->context().tempFolder());
        EXPECT_TRUE(o.txtFolder->isReadOnly() && o.cmdOK->isDefault());

        struct Group {
            QGroupBox* box;
            const char* caption;
            int topTwips;
            QLabel* label;
            const char* text;
            QPushButton* button;
            const char* buttonCaption;
        };
        const Group groups[] = {
            {o.fraSample1, "Temporary File Folder", 0, o.lblFolder,
             "Click the button to set a folder for saving temporary files. It must be that owns enough free disk "
             "space for using.",
             o.cmdFolder, "Set &Folder ..."},
            {o.Frame1, "Temporary Files", 1440, o.lblDelete,
             "This software often generate temporary files for boosting the speed. You may click the button to "
             "delete all the temporary files to release the used space.",
             o.cmdDelete, "&Delete"},
            {o.Frame2, "Project Files History", 2880, o.lblHistory,
             "You can edit the records of all opened project files. Clear all the project files history or remove "
             "some of the history records.",
             o.cmdEdit, "&Edit ..."},
        };
        for (const Group& g : groups) {
            SCOPED_TRACE(g.caption);
            EXPECT_EQ(g.box->title(), QLatin1String(g.caption));
            EXPECT_EQ(g.box->geometry().top(), twipsToPixels(g.topTwips));
            EXPECT_EQ(g.box->size(), QSize(twipsToPixels(6855), twipsToPixels(1305)));
            EXPECT_EQ(g.label->text(), QLatin1String(g.text));
            EXPECT_EQ(g.button->text(), QLatin1String(g.buttonCaption));
            EXPECT_TRUE(g.box->isAncestorOf(g.button));
            // Nothing spills out of its group.
            for (QWidget* child : g.box->findChildren<QWidget*>())
                EXPECT_TRUE(g.box->rect().contains(child->geometry())) << child->objectName().toStdString();
        }
        EXPECT_EQ(o.cmdOK->text() + u'|' + o.cmdCancel->text(), QStringLiteral("&OK|&Cancel"));
        o.cmdCancel->click();
    });
    EXPECT_EQ(optionsShown, 1);
}

TEST_F(OptionsTest, SetFolderShowsTheChoiceTrimmedWithASeparatorAndOnlyOkStoresIt)
{
    const QString lowerFolder = path(QStringLiteral("work/temp"));
    const QString mixedFolder = path(QStringLiteral("Work/Temp"));
    ASSERT_TRUE(QDir().mkpath(lowerFolder));
    ASSERT_TRUE(QDir().mkpath(mixedFolder));
    const QString startFolder = window->context().tempFolder();
    const QString startPreview = window->context().previewFile();

    struct Case {
        std::optional<QString> chosen;
        QString shown;
    };
    const Case cases[] = {
        {QStringLiteral("  ") + lowerFolder + QStringLiteral("  "), lowerFolder + u'/'},
        {lowerFolder + u'/', lowerFolder + u'/'},
        // Where case tells folders apart, lower case would name another folder: the choice stays.
        {mixedFolder, mixedFolder + u'/'},
        // A text that names no folder here is shown by the plain rule, in lower case.
        {QStringLiteral("/Nowhere/Work/Temp"), QStringLiteral("/nowhere/work/temp/")},
        {std::nullopt, startFolder},        // cancelled
        {QStringLiteral("   "), startFolder},  // blank
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.value_or(QStringLiteral("<cancel>")).toStdString());
        dialogs.folderAnswers.push_back(c.chosen);
        withOptions([&](OptionsDialog& o) {
            o.cmdFolder->click();
            EXPECT_EQ(o.txtFolder->text(), c.shown);
            o.cmdCancel->click();
        });
        EXPECT_EQ(window->context().tempFolder(), startFolder);
        EXPECT_EQ(storedTempPath(), QStringLiteral("<none>"));
    }

    dialogs.folderAnswers.push_back(lowerFolder);
    withOptions([](OptionsDialog& o) {
        o.cmdFolder->click();
        o.cmdOK->click();
        EXPECT_FALSE(o.isVisible());
    });
    EXPECT_EQ(storedTempPath(), lowerFolder + u'/');
    EXPECT_EQ(window->context().tempFolder(), lowerFolder + u'/');
    EXPECT_TRUE(window->context().previewFile() != startPreview && window->context().previewFile().startsWith(lowerFolder + u'/'));
    EXPECT_EQ(dialogs.calls.size(), std::size(cases) + 1);  // the folder browsers, and no message
}

TEST_F(OptionsTest, OkWithABlankFolderIsRefusedAndTheDialogStays)
{
    withOptions([this](OptionsDialog& o) {
        o.txtFolder->setText(QStringLiteral("   "));
        o.cmdOK->click();
        EXPECT_TRUE(o.isVisible() && o.result() == QDialog::Rejected);
        EXPECT_EQ(dialogs.boxes(), QStringList{box("Please set the temporary file folder ...")});
        o.cmdCancel->click();
    });
    EXPECT_EQ(storedTempPath(), QStringLiteral("<none>"));
}

TEST_F(OptionsTest, DeleteRemovesTheTemporaryGifsOfTheFolderShownAfterAYes)
{
    const QString shownFolder = path(QStringLiteral("shown/"));
    ASSERT_TRUE(QDir().mkpath(shownFolder + QStringLiteral("__tmp__folder.gif")));  // a folder, not a file
    const QStringList doomed{QStringLiteral("__tmp__a.png_t_False_c_0_w_8_h_8__.gif"),
                             QStringLiteral("__tmp__preview.gif"), QStringLiteral("__TMP__UPPER.GIF")};
    const QStringList kept{QStringLiteral("__tmp__extract__1.bmp"), QStringLiteral("keep.gif"),
                           QStringLiteral("tmp__a.gif"), QStringLiteral("__tmp__.gif.txt")};
    for (const QString& name : doomed + kept)
        writeFile(shownFolder + name);
    const QString storedGif = window->context().tempFolder() + QStringLiteral("__tmp__stored.gif");
    writeFile(storedGif);

    // No: nothing deleted, nothing said after the question.
    withOptions([&](OptionsDialog& o) {
        o.txtFolder->setText(shownFolder);
        dialogs.messageAnswers.push_back(MessageAnswer::No);
        o.cmdDelete->click();
        EXPECT_EQ(o.cursor().shape(), Qt::ArrowCursor);
        o.cmdCancel->click();
    });
    const QString question = box("Are you sure to delete all the temporary files?", MessageIcon::Question, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.boxes(), QStringList{question});
    for (const QString& name : doomed)
        EXPECT_TRUE(QFile::exists(shownFolder + name)) << name.toStdString();

    // Yes, with a folder chosen but not yet stored: that folder is swept.
    dialogs.clear();
    dialogs.folderAnswers.push_back(shownFolder);
    withOptions([&](OptionsDialog& o) {
        o.cmdFolder->click();
        dialogs.messageAnswers.push_back(MessageAnswer::Yes);
        o.cmdDelete->click();
        o.cmdCancel->click();
    });
    EXPECT_EQ(dialogs.boxes(), (QStringList{question, box("Delete finished")}));
    for (const QString& name : doomed)
        EXPECT_FALSE(QFile::exists(shownFolder + name)) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(shownFolder + name)) << name.toStdString();
    EXPECT_TRUE(QFileInfo(shownFolder + QStringLiteral("__tmp__folder.gif")).isDir());
    EXPECT_TRUE(QFile::exists(storedGif));
}

TEST_F(OptionsTest, EditOpensTheHistoryListWithoutItsOpenAndCancelButtons)
{
    AddToHistory(path(QStringLiteral("b.agp")), window->context().settingsFile());
    AddToHistory(path(QStringLiteral("a.agp")), window->context().settingsFile());
    OptionsDialog* shownOptions = nullptr;
    withOptions([&](OptionsDialog& o) {
        shownOptions = &o;
        o.cmdEdit->click();
        EXPECT_TRUE(o.isVisible());  // the options come back when the list closes
        o.cmdCancel->click();
    });
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].parent, shownOptions);
    EXPECT_EQ(lists[0].buttons, QStringLiteral("hidden hidden shown"));
    EXPECT_EQ(lists[0].entries, (QStringList{path(QStringLiteral("a.agp")), path(QStringLiteral("b.agp"))}));
}

}  // namespace
}  // namespace pictoreel::testing
