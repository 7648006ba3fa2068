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

TEST_F(WindowTest, GermanReplacesTheTextsWithEachMenuLetterReachingOneEntryAndTheCLocaleBringsBackTheEnglish)
{
    // A menu, its first entry, a column and a button; then the menu entries that share a letter.
    const auto texts = [this] {
        QStringList seen{part<QMenu>("mnuFile")->title(), part<QAction>("mnuFileSub1")->text(),
                         listView()->model()->headerData(3, Qt::Horizontal).toString(),
                         toolbarButton(*part<QToolBar>("Toolbar1"), "make")->text()};
        for (const QAction* entry : window->menuBar()->actions()) {
            QMap<QChar, int> uses;
            for (const QAction* a : entry->menu()->actions())
                if (const qsizetype amp = a->text().indexOf(u'&'); amp >= 0 && ++uses[a->text().at(amp + 1).toLower()] == 2)
                    seen.append(a->text());
        }
        return seen.join(QStringLiteral(" | "));
    };
    ASSERT_TRUE(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
    startWindow();
    EXPECT_EQ(texts(), QStringLiteral("&Datei | &Neues Projekt ... | Farbe | Erstellen"));
    EXPECT_FALSE(installTranslations(QLocale::c()));
    startWindow();
    EXPECT_EQ(texts(), QStringLiteral("&File | &New Project ... | Trans Color | Make | Move Highlight Frame &Up"));
}

}  // namespace
}  // namespace pictoreel::testing
