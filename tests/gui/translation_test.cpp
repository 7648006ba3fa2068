// The window in German and back in English: installing the translation for a language changes
// the texts of the windows made afterwards, and the C locale keeps the English ones.
#include "gui/app/translations.h"
#include "gui/support/window_fixture.h"
#include "gui/widgets/button_toolbar.h"

#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace pictoreel::testing {
namespace {

class TranslatedWindowTest : public WindowTest {
protected:
    void TearDown() override
    {
        installTranslations(QLocale::c());
        WindowTest::TearDown();
    }
    // "&File | &New Project ... | Trans Color | Make": a menu and its first entry, a column, a button.
    QString samples() const
    {
        return QStringList{part<QMenu>("mnuFile")->title(), part<QAction>("mnuFileSub1")->text(),
                           listView()->model()->headerData(3, Qt::Horizontal).toString(),
                           toolbarButton(*part<QToolBar>("Toolbar1"), "make")->text()}
            .join(QStringLiteral(" | "));
    }
};

TEST_F(TranslatedWindowTest, GermanReplacesTheTextsWithEachMenuLetterReachingOneEntryAndTheCLocaleBringsBackTheEnglish)
{
    ASSERT_TRUE(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
    startWindow();
    EXPECT_EQ(samples(), QStringLiteral("&Datei | &Neues Projekt ... | Transp.-Farbe | Erstellen"));
    QStringList titles, shared;
    for (const QAction* entry : window->menuBar()->actions()) {
        const QMenu* menu = entry->menu();
        titles.append(menu->title());
        QMap<QChar, int> uses;
        for (const QAction* a : menu->actions())
            if (const qsizetype amp = a->text().indexOf(u'&'); amp >= 0 && amp + 1 < a->text().size())
                if (++uses[a->text().at(amp + 1).toLower()] == 2)
                    shared.append(menu->title() + u' ' + a->text());
    }
    EXPECT_EQ(titles.join(u' '), QStringLiteral("&Datei &Bearbeiten &Extras &Hilfe"));
    EXPECT_EQ(shared, QStringList());

    EXPECT_FALSE(installTranslations(QLocale::c()));
    startWindow();
    EXPECT_EQ(samples(), QStringLiteral("&File | &New Project ... | Trans Color | Make"));
}

}  // namespace
}  // namespace pictoreel::testing
