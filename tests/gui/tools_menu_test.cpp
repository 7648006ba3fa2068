// The Tools and Help menus and the toolbar's "Option" open the tool windows: the modal ones
// through the main window's window runner (made afresh at each showing, modal to the main
// window), the frames extractor modeless and only once.
#include "gui/support/gui_test.h"
#include "gui/extractor_window.h"
#include "gui/options_dialog.h"
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

class ToolsMenuTest : public WindowTest {
protected:
    struct Shown {
        QString objectName;
        QString title;
        QWidget* parent = nullptr;
        QDialog* window = nullptr;
    };

    void SetUp() override
    {
        WindowTest::SetUp();
        window->setWindowRunner([this](QDialog& w) {
            shown.push_back({w.objectName(), w.windowTitle(), w.parentWidget(), &w});
            if (auto* options = qobject_cast<OptionsDialog*>(&w))
                optionsFolders.append(options->txtFolder->text());
        });
    }

    std::vector<Shown> shown;
    QStringList optionsFolders;
};

TEST_F(ToolsMenuTest, EntriesOpenTheirWindowsModallyOverTheMainWindow)
{
    struct Entry {
        const char* what;
        std::function<QAction*()> action;
        const char* objectName;
        const char* title;
    };
    const Entry entries[] = {
        {"Tools 4", [this] { return part<QAction>(QStringLiteral("mnuToolsSub4")); }, "frmAVI2GIF", "AVI to GIF Converter"},
        {"Tools 5", [this] { return part<QAction>(QStringLiteral("mnuToolsSub5")); }, "frmGIF2AVI", "GIF to AVI Converter"},
        {"Tools 7", [this] { return part<QAction>(QStringLiteral("mnuToolsSub7")); }, "frmOptions", "Options"},
        {"Help 5", [this] { return part<QAction>(QStringLiteral("mnuHelpSub5")); }, "frmAbout", "About Pictoreel"},
        {"toolbar Option", [this] { return part<QAction>(QStringLiteral("Toolbar1_options")); }, "frmOptions", "Options"},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.what);
        shown.clear();
        QAction* action = e.action();
        ASSERT_NE(action, nullptr);
        action->trigger();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].objectName + u'|' + shown[0].title, QLatin1String(e.objectName) + u'|' + QLatin1String(e.title));
        EXPECT_TRUE(shown[0].parent == window.get() && dialogs.calls.empty());
    }
}

TEST_F(ToolsMenuTest, EveryShowingStartsAfreshFromTheMainWindowsValues)
{
    trigger(QStringLiteral("mnuToolsSub7"));
    window->context().setTempFolder(path(QStringLiteral("other")));
    trigger(QStringLiteral("mnuToolsSub7"));
    ASSERT_EQ(optionsFolders.size(), 2);
    EXPECT_NE(optionsFolders[0], optionsFolders[1]);
    EXPECT_EQ(optionsFolders[1], path(QStringLiteral("other/")));
    EXPECT_TRUE(window->findChildren<OptionsDialog*>().isEmpty());  // each went when its showing ended
}

TEST_F(ToolsMenuTest, WithoutARunnerAWindowIsModalToTheMainWindowAndTheCommandReturnsAtOnce)
{
    window->setWindowRunner({});
    trigger(QStringLiteral("mnuToolsSub5"));  // would hang the test if it waited for the window
    auto* converter = window->findChild<QDialog*>(QStringLiteral("frmGIF2AVI"));
    ASSERT_NE(converter, nullptr);
    EXPECT_TRUE(converter->isVisible());
    EXPECT_EQ(converter->windowModality(), Qt::WindowModal);
    const QPointer<QDialog> watch(converter);
    converter->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

TEST_F(ToolsMenuTest, TheExtractorIsModelessAndOneInstanceWhileItIsOpen)
{
    trigger(QStringLiteral("mnuToolsSub3"));
    ExtractorWindow* first = window->extractorWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible() && first->windowModality() == Qt::NonModal && window->isEnabled());
    EXPECT_TRUE(shown.empty());  // not through the modal runner

    first->hide();
    trigger(QStringLiteral("mnuToolsSub3"));
    EXPECT_EQ(window->extractorWindow(), first);
    EXPECT_TRUE(first->isVisible());

    first->close();  // closing it ends it; the next opening makes a new one
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->extractorWindow(), nullptr);
    trigger(QStringLiteral("mnuToolsSub3"));
    ASSERT_NE(window->extractorWindow(), nullptr);
    EXPECT_TRUE(window->extractorWindow()->isVisible());

    // A window of its own: closing the main window by its close box leaves it open.
    QPointer<ExtractorWindow> extractor = window->extractorWindow();
    EXPECT_EQ(extractor->parentWidget(), nullptr);
    EXPECT_TRUE(window->close() && !window->isVisible());
    ASSERT_FALSE(extractor.isNull());
    EXPECT_TRUE(extractor->isVisible());
    window.reset();  // the program's end takes it along
    EXPECT_TRUE(extractor.isNull());
}

}  // namespace
}  // namespace pictoreel::testing
