// The About box: name, version, the logo "vimo.gif" of the help folder playing at its own size,
// and two blue links that are underlined one at a time under the pointer and open the web site
// or a mail to support through the shell.
#include "gui/support/gui_test.h"
#include "gui/about_dialog.h"
#include "gui/gif_view.h"
#include "gui/support/window_fixture.h"

#include <QFrame>

namespace pictoreel::testing {
namespace {

class AboutTest : public WindowTest {
protected:
    // Help, "About Pictoreel ...", with `script` working the box while it is shown.
    void withAbout(const std::function<void(AboutDialog&)>& script)
    {
        window->setWindowRunner([&](QDialog& w) {
            auto* about = qobject_cast<AboutDialog*>(&w);
            ASSERT_NE(about, nullptr);
            about->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
            script(*about);
        });
        trigger(QStringLiteral("mnuHelpSub5"));
    }


    static bool underlined(const QLabel* label) { return label->font().underline(); }
    // Which links are underlined: "web", "support", both or "".
    static QString underlines(const AboutDialog& a)
    {
        return QStringList({underlined(a.lblWeb) ? "web" : "", underlined(a.lblSupp) ? "support" : ""}).join(u' ').trimmed();
    }
};

TEST_F(AboutTest, ShowsNameVersionLinksAndPlaysTheLogoFromTheHelpFolder)
{
    writeFlatGif(programFolder() + QStringLiteral("/vimo.gif"), {30, 20}, {10, 10});  // the logo beside the program
    withAbout([](AboutDialog& a) {
        EXPECT_EQ(a.windowTitle(), QStringLiteral("About Pictoreel"));
        struct Place {
            QWidget* control;
            int left, top;
            const char* text;
        };
        const Place places[] = {
            {a.PlayGif1, 120, 240, nullptr},          {a.Label4, 720, 1440, "How Beautiful :)"},
            {a.lblName, 2520, 360, "Pictoreel"},      {a.lblVer, 4800, 360, "1.40"},
            {a.Label1, 2520, 840, "Website"},         {a.lblWeb, 3360, 840, "https://www.example.org/pictoreel/"},
            {a.Label3, 2520, 1200, "Support"},        {a.lblSupp, 3360, 1200, "support@example.org"},
        };
        for (const Place& p : places) {
            SCOPED_TRACE(p.control->objectName().toStdString());
            EXPECT_EQ(p.control->parentWidget(), a.Frame1);
            EXPECT_EQ(p.control->pos(), QPoint(twipsToPixels(p.left), twipsToPixels(p.top)));
            if (p.text) {
                EXPECT_EQ(static_cast<QLabel*>(p.control)->text(), QLatin1String(p.text));
            }
            EXPECT_TRUE(a.Frame1->rect().contains(p.control->geometry()));
        }
        for (QLabel* link : {a.lblWeb, a.lblSupp}) {
            EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        }
        EXPECT_EQ(underlines(a), QString());
        EXPECT_EQ(a.PlayGif1->size(), QSize(30, 20));
        EXPECT_TRUE(a.PlayGif1->isVisible() && a.PlayGif1->isAnimating() && a.PlayGif1->component().loopPlayback());
        EXPECT_EQ(a.PlayGif1->component().backColor(), 0xC8D0D4);  // RGB(212, 208, 200)
    });
}

TEST_F(AboutTest, AMissingOrBrokenLogoLeavesTheBoxWithoutIt)
{
    for (const QByteArray& contents : {QByteArray(), QByteArray("GIF89a broken")}) {
        if (!contents.isEmpty())
            writeFile(programFolder() + QStringLiteral("/vimo.gif"), contents);
        bool shown = false;
        withAbout([&](AboutDialog& a) {
            shown = true;
            EXPECT_FALSE(a.PlayGif1->isVisible());
            EXPECT_EQ(a.lblName->text(), QStringLiteral("Pictoreel"));
        });
        EXPECT_TRUE(shown);
        EXPECT_TRUE(dialogs.calls.empty());
    }
}

TEST_F(AboutTest, TheUnderlineFollowsThePointerFromLinkToLinkAndLeavesOnTheBackground)
{
    withAbout([](AboutDialog& a) {
        // Through the window system, as a real pointer: entering and leaving come with the moves.
        const auto hover = [&a](QWidget* w, QPoint at) { QTest::mouseMove(a.windowHandle(), w->mapTo(&a, at)); };
        const auto centre = [](QWidget* w) { return w->rect().center(); };
        hover(a.lblWeb, centre(a.lblWeb));
        EXPECT_EQ(underlines(a), QStringLiteral("web"));
        hover(a.lblWeb, centre(a.lblWeb) + QPoint(1, 0));  // moving on it keeps it
        EXPECT_EQ(underlines(a), QStringLiteral("web"));
        hover(a.lblSupp, centre(a.lblSupp));
        EXPECT_EQ(underlines(a), QStringLiteral("support"));
        hover(a.Frame1, QPoint(a.Frame1->width() - 8, a.Frame1->height() - 8));  // the frame
        EXPECT_EQ(underlines(a), QString());
        hover(a.lblSupp, centre(a.lblSupp));
        EXPECT_EQ(underlines(a), QStringLiteral("support"));
        hover(&a, QPoint(2, 2));  // the window's own background, outside the frame
        EXPECT_EQ(underlines(a), QString());
    });
}

TEST_F(AboutTest, ClickingALinkHandsItsAddressToTheShell)
{
    withAbout([this](AboutDialog& a) {
        QTest::mouseClick(a.lblSupp, Qt::LeftButton, {}, a.lblSupp->rect().center());
        QTest::mouseClick(a.lblWeb, Qt::LeftButton, {}, a.lblWeb->rect().center());
        QTest::mouseClick(a.Label1, Qt::LeftButton, {}, a.Label1->rect().center());  // no link
        EXPECT_EQ(shell.opened, (QStringList{QStringLiteral("mailto:support@example.org"),
                                             QStringLiteral("https://www.example.org/pictoreel/")}));
    });
}

}  // namespace
}  // namespace pictoreel::testing
