// The main window without a mouse: every menu opens with Alt and its access key, every item is
// reached by its access key, by the arrow keys or by its shortcut; Tab walks the panel row by
// row; and every control carries a name for assistive technology.
#include "gui/support/gui_test.h"
#include "gui/history_dialog.h"
#include "gui/support/window_fixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <map>
#include <set>

namespace pictoreel::testing {
namespace {

// The access key of a caption ("Sa&ve Project" has V), or nothing.
QChar accessKey(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (caption[i + 1] != u'&')
                return caption[i + 1].toUpper();
            ++i;
        }
    }
    return {};
}

Qt::Key letterKey(QChar letter) { return static_cast<Qt::Key>(Qt::Key_A + (letter.unicode() - u'A')); }

class KeyboardTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // The commands themselves are tested elsewhere: here an item only has to be reached.
        for (const Menu& m : menus())
            for (QAction* action : m.items)
                if (!action->isSeparator())
                    QObject::disconnect(action, &QAction::triggered, window.get(), nullptr);
        listView()->setFocus();
    }

    struct Menu {
        QMenu* menu;
        QList<QAction*> items;  // separators included
    };
    std::vector<Menu> menus() const
    {
        std::vector<Menu> all;
        for (const char* name : {"mnuFile", "mnuEdit", "mnuTools", "mnuHelp"}) {
            QMenu* menu = part<QMenu>(QLatin1String(name));
            all.push_back({menu, menu->actions()});
        }
        return all;
    }

    // Alt and the menu's access key: the menu that drops down.
    QMenu* dropDown(QMenu* menu)
    {
        QTest::keyClick(window.get(), letterKey(accessKey(menu->title())), Qt::AltModifier);
        QCoreApplication::processEvents();
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    void closeMenus()
    {
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QCoreApplication::processEvents();
    }
};

TEST_F(KeyboardTest, EveryMenuItemIsReachedByItsAccessKeyTheArrowKeysOrItsShortcut)
{
    std::set<QChar> menuKeys;
    for (const Menu& m : menus()) {
        SCOPED_TRACE(m.menu->title().toStdString());
        const QChar key = accessKey(m.menu->title());
        ASSERT_FALSE(key.isNull());
        EXPECT_TRUE(menuKeys.insert(key).second) << "two menus share the access key " << key.toLatin1();

        // How many items of the menu share each access key: a key of one item runs it at once,
        // a shared key moves between its items and Return runs the one reached.
        std::map<QChar, int> itemKeys;
        for (QAction* action : m.items)
            if (!action->isSeparator() && !accessKey(action->text()).isNull())
                ++itemKeys[accessKey(action->text())];

        for (QAction* action : m.items) {
            if (action->isSeparator())
                continue;
            SCOPED_TRACE(action->text().toStdString());
            QSignalSpy triggered(action, &QAction::triggered);
            QMenu* open = dropDown(m.menu);
            ASSERT_EQ(open, m.menu);
            const QChar letter = accessKey(action->text());
            if (!letter.isNull() && itemKeys[letter] == 1) {
                QTest::keyClick(open, letterKey(letter));
            } else if (!letter.isNull()) {
                for (int press = 0; press < itemKeys[letter] && open->activeAction() != action; ++press)
                    QTest::keyClick(open, letterKey(letter));
                ASSERT_EQ(open->activeAction(), action);
                EXPECT_EQ(triggered.count(), 0);
                QTest::keyClick(open, Qt::Key_Return);
            } else {
                // No access key: down the menu with the arrow keys, separators skipped.
                for (qsizetype step = 0; step < m.items.size() && open->activeAction() != action; ++step)
                    QTest::keyClick(open, Qt::Key_Down);
                ASSERT_EQ(open->activeAction(), action);
                QTest::keyClick(open, Qt::Key_Return);
            }
            QCoreApplication::processEvents();
            EXPECT_EQ(triggered.count(), 1);
            closeMenus();

            if (!action->shortcut().isEmpty()) {
                triggered.clear();
                QTest::keySequence(window.get(), action->shortcut());
                QCoreApplication::processEvents();
                EXPECT_EQ(triggered.count(), 1) << action->shortcut().toString().toStdString();
            }
        }
    }
}

TEST_F(KeyboardTest, ShortcutsReachTheirItemsFromTheFrameListThePanelsButtonsAndItsBoxes)
{
    struct Shortcut {
        QKeySequence keys;
        QAction* action;
    };
    const Shortcut shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), part<QAction>(QStringLiteral("mnuFileSub1"))},
        {QKeySequence(Qt::CTRL | Qt::Key_O), part<QAction>(QStringLiteral("mnuFileSub2"))},
        {QKeySequence(Qt::CTRL | Qt::Key_S), part<QAction>(QStringLiteral("mnuFileSub4"))},
        {QKeySequence(Qt::CTRL | Qt::Key_A), part<QAction>(QStringLiteral("mnuFileSub7"))},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), part<QAction>(QStringLiteral("mnuFileSub13"))},
        {QKeySequence(Qt::Key_F1), part<QAction>(QStringLiteral("mnuHelpSub1"))},
    };
    // The window's accelerators come first wherever the focus is, a text box included (Ctrl+A
    // adds pictures there too, rather than selecting the box's text).
    panel->chkLoop->setChecked(false);
    for (QWidget* focus : {static_cast<QWidget*>(listView()), static_cast<QWidget*>(panel->cmdOutputFile),
                           static_cast<QWidget*>(panel->txtWidth), static_cast<QWidget*>(panel->txtLoop),
                           static_cast<QWidget*>(panel->txtOutputFile)}) {
        SCOPED_TRACE(focus->objectName().toStdString());
        focus->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(focus->hasFocus());
        for (const Shortcut& s : shortcuts) {
            SCOPED_TRACE(s.keys.toString().toStdString());
            QSignalSpy triggered(s.action, &QAction::triggered);
            QTest::keySequence(QApplication::focusWidget(), s.keys);
            QCoreApplication::processEvents();
            EXPECT_EQ(triggered.count(), 1);
        }
    }
    // Make has a Ctrl and function key of its own.
    const QKeySequence make = part<QAction>(QStringLiteral("mnuFileSub9"))->shortcut();
    ASSERT_EQ(make.count(), 1);
    EXPECT_TRUE(make[0].keyboardModifiers() == Qt::ControlModifier);
    EXPECT_TRUE(make[0].key() == Qt::Key_F5 || make[0].key() == Qt::Key_F6);
}

TEST_F(KeyboardTest, TabWalksThePanelRowByRowAndBackTabWalksBack)
{
    addPictures({QStringLiteral("a.png")});  // so that the Auto Size buttons take part
    panel->chkLoop->setChecked(false);       // so that the loop box does
    dialogs.clear();
    const auto walk = [](QWidget* start, int steps, Qt::Key key) {
        start->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QStringList names{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QCoreApplication::processEvents();
            names.append(QApplication::focusWidget()->objectName());
        }
        return names;
    };
    const QStringList global{"txtWidth", "cmdAutoW",      "txtHeight",    "cmdAutoH",
                             "txtLoop",  "chkLoop",       "txtOutputFile", "cmdOutputFile"};
    panel->setCurrentIndex(0);
    EXPECT_EQ(walk(panel->txtWidth, 7, Qt::Key_Tab), global);
    QStringList back = global;
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(walk(panel->cmdOutputFile, 7, Qt::Key_Backtab), back);

    panel->setCurrentIndex(1);
    EXPECT_EQ(walk(panel->txtInterval, 4, Qt::Key_Tab),
              QStringList({"txtInterval", "chkTrans", "cmdTransColor", "cmdApply", "cmdApplyAll"}));
    EXPECT_TRUE(dialogs.calls.empty());  // no range message and no output file dialog on the way
}

TEST_F(KeyboardTest, EveryControlOfThePanelAndTheHistoryWindowHasAnAccessibleName)
{
    const auto unnamed = [](QWidget* root) {
        QStringList missing;
        for (QWidget* w : root->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)
                                 || qobject_cast<QLabel*>(w) || qobject_cast<QAbstractItemView*>(w)
                                 || qobject_cast<QTabBar*>(w) || qobject_cast<QTabWidget*>(w);
            if (!control || qobject_cast<QToolButton*>(w))  // tab scroll arrows are the style's
                continue;
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
            if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
                missing.append(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                         : w->objectName());
        }
        return missing;
    };
    EXPECT_EQ(unnamed(panel), QStringList());
    // The boxes are named by the labels to their left, the check boxes not by "Yes".
    const auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    EXPECT_EQ(name(panel->txtWidth), QStringLiteral("Width"));
    EXPECT_EQ(name(panel->chkLoop), QStringLiteral("Loop Infinitely"));
    EXPECT_EQ(name(panel->chkTrans), QStringLiteral("Transparent"));
    EXPECT_EQ(name(panel->lTransColor), QStringLiteral("Transparent Color"));
    EXPECT_EQ(name(panel->lSize), QStringLiteral("File Size"));
    EXPECT_NE(name(panel->cmdAutoW), name(panel->cmdAutoH));

    HistoryDialog list(window->context(), HistoryListMode::Open, window.get());
    EXPECT_EQ(unnamed(&list), QStringList());
    EXPECT_EQ(name(list.cmdClear), QStringLiteral("Clear All"));
}

}  // namespace
}  // namespace pictoreel::testing
