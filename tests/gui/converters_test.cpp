// The AVI and GIF converter twins: the "..." buttons with their dialogs and the proposed target
// name, the checks before converting, the progress handling, a real conversion both ways and a
// failed one that leaves the window ready again.
#include "gui/support/gui_test.h"
#include "core/media/player_component.h"
#include "gui/avi_to_gif_window.h"
#include "gui/gif_to_avi_window.h"

namespace pictoreel::testing {
namespace {

enum class Twin { AviToGif, GifToAvi };

class ConvertersTest : public ::testing::Test {
protected:
    std::unique_ptr<ConverterWindow> open(Twin twin)
    {
        std::unique_ptr<ConverterWindow> w;
        if (twin == Twin::AviToGif)
            w = std::make_unique<AviToGifWindow>(dialogs);
        else
            w = std::make_unique<GifToAviWindow>(dialogs);
        w->show();
        return w;
    }

    QString path(const QString& name) const { return dir.path() + u'/' + name; }

    static std::string twinName(Twin twin) { return twin == Twin::AviToGif ? "frmAVI2GIF" : "frmGIF2AVI"; }

    // Ready for the next conversion: the bar hidden, both buttons enabled.
    static void expectReady(const ConverterWindow& w)
    {
        EXPECT_TRUE(w.pbPer->isHidden() && w.cmdConvert->isEnabled() && w.cmdClose->isEnabled() && !w.isConverting());
    }

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
};

TEST_F(ConvertersTest, TwinsDifferInCaptionsGroupsAndTheirBoxesPlaces)
{
    struct Expected {
        Twin twin;
        const char* caption;
        const char* group1;
        const char* group2;
        bool aviInFrame1;
        int heightTwips;
    };
    const Expected twins[] = {
        {Twin::AviToGif, "AVI to GIF Converter", "Open AVI File", "Set GIF File", true, 3045},
        {Twin::GifToAvi, "GIF to AVI Converter", "Open GIF File", "Set AVI File", false, 3030},
    };
    for (const Expected& e : twins) {
        SCOPED_TRACE(twinName(e.twin));
        auto w = open(e.twin);
        EXPECT_EQ(w->objectName(), QString::fromStdString(twinName(e.twin)));
        EXPECT_EQ(w->windowTitle(), QLatin1String(e.caption));
        EXPECT_EQ(w->size(), QSize(twipsToPixels(6135), twipsToPixels(e.heightTwips)));
        EXPECT_EQ(w->Frame1->title(), QLatin1String(e.group1));
        EXPECT_EQ(w->Frame2->title(), QLatin1String(e.group2));
        EXPECT_EQ(w->Frame1->geometry(), twipsRect(240, 240, 5655, 855));
        EXPECT_EQ(w->Frame2->geometry(), twipsRect(240, 1320, 5655, 855));
        QGroupBox* aviGroup = e.aviInFrame1 ? w->Frame1 : w->Frame2;
        QGroupBox* gifGroup = e.aviInFrame1 ? w->Frame2 : w->Frame1;
        EXPECT_EQ(w->txtAVI->parentWidget(), aviGroup);
        EXPECT_EQ(w->cmdAVI->parentWidget(), aviGroup);
        EXPECT_EQ(w->txtGIF->parentWidget(), gifGroup);
        EXPECT_EQ(w->cmdGIF->parentWidget(), gifGroup);
        EXPECT_EQ(w->sourceBox()->parentWidget(), w->Frame1);
        EXPECT_EQ(w->cmdConvert->text(), QStringLiteral("&Convert"));
        EXPECT_EQ(w->cmdClose->text(), QStringLiteral("Close"));
        EXPECT_TRUE(w->pbPer->isHidden());
        for (QGroupBox* g : {w->Frame1, w->Frame2})
            for (QWidget* child : g->findChildren<QWidget*>())
                EXPECT_TRUE(g->rect().contains(child->geometry())) << child->objectName().toStdString();
    }
}

TEST_F(ConvertersTest, ChoosingASourceProposesTheTargetAndCancelsChangeNothing)
{
    struct Case {
        Twin twin;
        const char* chosen;
        const char* proposed;
    };
    const Case cases[] = {
        {Twin::AviToGif, "/v/clip.AVI", "/v/clip.gif"},
        {Twin::AviToGif, "/v/clip.mpg", "/v/clip.mpg.gif"},
        {Twin::AviToGif, "/v/movie.GIF", "/v/movie.gif"},
        {Twin::GifToAvi, "/v/anim.Gif", "/v/anim.avi"},
        {Twin::GifToAvi, "/v/anim.AVI", "/v/anim.avi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        auto w = open(c.twin);
        const bool toGif = c.twin == Twin::AviToGif;
        QPushButton* sourceButton = toGif ? w->cmdAVI : w->cmdGIF;
        QPushButton* targetButton = toGif ? w->cmdGIF : w->cmdAVI;

        // The target chosen first is replaced by the proposal.
        dialogs.clear();
        dialogs.answerFile(QStringLiteral("/elsewhere/chosen.x"));
        targetButton->click();
        EXPECT_EQ(w->targetBox()->text(), QStringLiteral("/elsewhere/chosen.x"));
        dialogs.answerFile(QLatin1String(c.chosen));
        sourceButton->click();
        EXPECT_EQ(w->sourceBox()->text(), QLatin1String(c.chosen));
        EXPECT_EQ(w->targetBox()->text(), QLatin1String(c.proposed));

        // Cancelling either dialog leaves both boxes.
        dialogs.answerCancel();
        sourceButton->click();
        dialogs.answerCancel();
        targetButton->click();
        EXPECT_EQ(w->sourceBox()->text(), QLatin1String(c.chosen));
        EXPECT_EQ(w->targetBox()->text(), QLatin1String(c.proposed));

        ASSERT_EQ(dialogs.calls.size(), 4u);
        const QString aviFilter = toGif ? QStringLiteral("AVI Files(*.avi)|*.avi")
                                        : QStringLiteral("Animated AVI File(*.avi)|*.avi");
        const QString gifFilter = QStringLiteral("Animated GIF File(*.gif)|*.gif");
        EXPECT_EQ(dialogs.calls[0].kind, DialogCall::Kind::SaveFile);
        EXPECT_EQ(dialogs.calls[0].request.filter, toGif ? gifFilter : aviFilter);
        EXPECT_EQ(dialogs.calls[1].kind, DialogCall::Kind::OpenFile);
        EXPECT_EQ(dialogs.calls[1].request.filter, toGif ? aviFilter : gifFilter);
        EXPECT_TRUE(dialogs.messages().empty());
    }
}

TEST_F(ConvertersTest, ConvertChecksTheBoxesAndTheSourceFileFirst)
{
    const QString missing = path(QStringLiteral("missing.avi"));
    struct Case {
        Twin twin;
        QString source;
        QString target;
        QString message;
    };
    const Case cases[] = {
        {Twin::AviToGif, {}, {}, QStringLiteral("Please open an avi file")},
        {Twin::AviToGif, QStringLiteral("a.avi"), {}, QStringLiteral("Please set a gif file")},
        {Twin::AviToGif, missing, QStringLiteral("b.gif"), QStringLiteral("The following file does not exist!\r\n") + missing},
        {Twin::AviToGif, dir.path(), QStringLiteral("b.gif"),  // a folder is no file
         QStringLiteral("The following file does not exist!\r\n") + dir.path()},
        {Twin::GifToAvi, {}, {}, QStringLiteral("Please open a gif file")},
        {Twin::GifToAvi, QStringLiteral("a.gif"), {}, QStringLiteral("Please set an AVI file")},
        // Blanks are content: a blank name is looked for as a file.
        {Twin::GifToAvi, QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("The following file does not exist!\r\n ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(twinName(c.twin) + " " + c.source.toStdString() + " -> " + c.target.toStdString());
        auto w = open(c.twin);
        w->sourceBox()->setText(c.source);
        w->targetBox()->setText(c.target);
        dialogs.clear();
        w->cmdConvert->click();
        EXPECT_EQ(dialogs.boxes(), QStringList{box(c.message)});
        expectReady(*w);
        EXPECT_FALSE(QFile::exists(c.target.trimmed().isEmpty() ? QString() : c.target));
    }
}

TEST_F(ConvertersTest, ProgressBelowAHundredDisablesTheWindowAndAHundredEndsIt)
{
    auto w = open(Twin::GifToAvi);
    w->PlayGif1_ConvertProgress(40);
    EXPECT_TRUE(w->pbPer->isVisible());
    EXPECT_EQ(w->pbPer->value(), 40);
    EXPECT_FALSE(w->cmdConvert->isEnabled());
    EXPECT_FALSE(w->cmdClose->isEnabled());
    EXPECT_TRUE(dialogs.calls.empty());

    w->PlayGif1_ConvertProgress(101);
    expectReady(*w);
    EXPECT_EQ(dialogs.boxes(), QStringList{box("Converted Successfully", MessageIcon::None)});
}

TEST_F(ConvertersTest, AFailedConversionIsToldOnceAndTheWindowIsReadyAgain)
{
    const QString notVideo = path(QStringLiteral("not-a-video.avi"));
    const QString notGif = path(QStringLiteral("not-a-gif.gif"));
    for (const QString& file : {notVideo, notGif})
        writeFile(file, "these bytes are no video and no picture");
    for (Twin twin : {Twin::AviToGif, Twin::GifToAvi}) {
        SCOPED_TRACE(twinName(twin));
        auto w = open(twin);
        const QString target = twin == Twin::AviToGif ? path(QStringLiteral("out.gif")) : path(QStringLiteral("out.avi"));
        w->sourceBox()->setText(twin == Twin::AviToGif ? notVideo : notGif);
        w->targetBox()->setText(target);
        dialogs.clear();
        w->cmdConvert->click();
        ASSERT_EQ(dialogs.messages().size(), 1u);
        const QString text = dialogs.messages()[0].text;
        EXPECT_EQ(dialogs.boxes()[0], box(text, MessageIcon::Exclamation));
        EXPECT_TRUE(text.contains(QStringLiteral("could not be converted"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral(" - ")));  // the error's number and description
        expectReady(*w);
        EXPECT_FALSE(QFile::exists(target));
    }
}

TEST_F(ConvertersTest, ConvertsAnAviToAGifAndBackToAnAvi)
{
    const QString avi = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/synthetic/avi/uncompressed_bgr24_64x48_10f.avi");
    if (!QFile::exists(avi))
        GTEST_SKIP() << "sample video not found: " << avi.toStdString();
    const QString gif = path(QStringLiteral("clip.gif"));

    auto toGif = open(Twin::AviToGif);
    dialogs.answerFile(avi);
    toGif->cmdAVI->click();
    dialogs.answerFile(gif);
    toGif->cmdGIF->click();
    toGif->cmdConvert->click();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Converted Successfully")});
    expectReady(*toGif);
    PlayerComponent check;
    ASSERT_TRUE(check.LoadGif(gif).ok());
    EXPECT_EQ(QSize(check.GifWidth(), check.GifHeight()), QSize(64, 48));
    EXPECT_EQ(check.FrameCount(), 10);

    const QString back = path(QStringLiteral("back.avi"));
    auto toAvi = open(Twin::GifToAvi);
    toAvi->txtGIF->setText(gif);
    toAvi->txtAVI->setText(back);
    dialogs.clear();
    toAvi->cmdConvert->click();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Converted Successfully")});
    expectReady(*toAvi);
    const QString again = path(QStringLiteral("again.gif"));
    ASSERT_TRUE(check.AviToGif(back, again).ok());
    ASSERT_TRUE(check.LoadGif(again).ok());
    EXPECT_EQ(QSize(check.GifWidth(), check.GifHeight()), QSize(64, 48));
    EXPECT_GE(check.FrameCount(), 10);
}

}  // namespace
}  // namespace pictoreel::testing
