#include "gui/player/player_window.h"

#include "gui/app/dialogs.h"
#include "gui/widgets/gif_view.h"
#include "gui/widgets/made_gif_transfer.h"
#include "gui/widgets/one_line_box.h"
#include "gui/widgets/twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <utility>

namespace pictoreel {

namespace {

// The window's places, in twips.
constexpr int kClientWidth = 6495;
constexpr int kClientHeight = 4485;
constexpr int kStripHeight = 540;  // the buttons' row (120 + 300) with the same margin below
constexpr int kMargin = 120;
constexpr int kRowHeight = 300;
constexpr int kTxtPlayLeft = 3480;
// The narrowest the file box gets, about fifteen characters: a narrower window would push it,
// and the name in it, out of sight.
constexpr int kLeastFileBoxWidth = 1500;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int left, int width)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(QString(caption).remove(u'&'));
    placeTwips(button, left, kMargin, width, kRowHeight);
    return button;
}

}  // namespace

PlayerWindow::PlayerWindow(Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frmPlay"));
    setWindowTitle(tr("Player"));
    setAccessibleName(tr("Player"));

    Picture2 = new QWidget(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    OKButton = makeButton(Picture2, "OKButton", tr("&Play"), 120, 975);
    cmdPause = makeButton(Picture2, "cmdPause", tr("Pa&use"), 1200, 975);
    cmdLoad = makeButton(Picture2, "cmdLoad", tr("&Load File ..."), 2280, 1095);
    OKButton->setDefault(true);  // Enter in the file box plays it
    txtPlay = new QLineEdit(Picture2);
    txtPlay->setObjectName(QStringLiteral("txtPlay"));
    keepOnOneLine(txtPlay);
    txtPlay->setAccessibleName(tr("Animated GIF file"));

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(tr("Animation"));
    PlayGif1 = new GifView(Picture1);
    PlayGif1->setObjectName(QStringLiteral("PlayGif1"));
    PlayGif1->setAccessibleName(tr("Animated GIF"));
    PlayGif1->hide();  // until the first play
    PlayGif1->offerScaleChoice();
    connect(PlayGif1, &GifView::fitChanged, this, &PlayerWindow::placeGif);
    lblFrame = new QLabel(this);
    lblFrame->setObjectName(QStringLiteral("lblFrame"));
    lblFrame->setAccessibleName(tr("Frame number"));
    connect(PlayGif1, &GifView::playbackChanged, this, &PlayerWindow::showFrameNumber);
    // The arrows step through the frames, except in the file box, where they move the cursor.
    for (const auto& arrow : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}})
        connect(new QShortcut(QKeySequence(arrow.first), this), &QShortcut::activated, this,
                [this, by = arrow.second] { stepFrame(by); });
    offerMadeGif(PlayGif1, [this] { return txtPlay->text(); });  // dragged out, or copied from its menu

    setTabOrder(OKButton, cmdPause);
    setTabOrder(cmdPause, cmdLoad);
    setTabOrder(cmdLoad, txtPlay);

    connect(OKButton, &QPushButton::clicked, this, &PlayerWindow::playFile);
    connect(cmdPause, &QPushButton::clicked, this, &PlayerWindow::pause);
    connect(cmdLoad, &QPushButton::clicked, this, &PlayerWindow::loadFile);

    setMinimumSize(twipsToPixels(kTxtPlayLeft + kLeastFileBoxWidth + 2 * kMargin), twipsToPixels(2 * kStripHeight));
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    layOut();
}

void PlayerWindow::setGifFile(const QString& gif) { txtPlay->setText(gif); }

void PlayerWindow::playFile()
{
    PlayGif1->show();
    (void)PlayGif1->LoadGif(txtPlay->text());  // nothing loaded: the steps below change nothing
    PlayGif1->LoopPlayback(true);
    const QSize gif(PlayGif1->GifWidth(), PlayGif1->GifHeight());
    if (PlayGif1->component().hasGif() && gif != sizedFor_) {
        sizedFor_ = gif;
        sizeForGif();
    }
    placeGif();
    PlayGif1->Play();
    showFrameNumber();
}

void PlayerWindow::placeGif() { PlayGif1->resize(PlayGif1->sizeWithin(Picture1->size())); }

void PlayerWindow::sizeForGif()
{
    QSize wanted(std::max(minimumWidth(), sizedFor_.width()),
                 std::max(minimumHeight(), sizedFor_.height() + twipsToPixels(kStripHeight + kRowHeight)));
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        // Room for the window's frame and the desktop's panels is left around it.
        const QSize room = screen->availableGeometry().size() * 9 / 10;
        wanted = wanted.boundedTo(room).expandedTo(minimumSize());
    }
    resize(wanted);
}

void PlayerWindow::showFrameNumber()
{
    const PlayerComponent& player = PlayGif1->component();
    lblFrame->setText(player.hasGif() ? tr("Frame %1 / %2").arg(player.currentFrameIndex() + 1).arg(player.FrameCount())
                                      : QString());
}

void PlayerWindow::stepFrame(int by)
{
    const int count = PlayGif1->component().FrameCount();
    if (!PlayGif1->component().hasGif() || count < 1)
        return;
    PlayGif1->Pause();
    PlayGif1->showFrame((PlayGif1->component().currentFrameIndex() + by + count) % count);
    showFrameNumber();
}

void PlayerWindow::pause() { PlayGif1->Pause(); }

void PlayerWindow::loadFile()
{
    const auto chosen =
        dialogs_.openFile(this, {QString(), QStringLiteral("Animated GIF Files(*.gif)|*.gif"), {}});
    if (!chosen || chosen->isEmpty())
        return;
    txtPlay->setText(*chosen);
    playFile();
}

void PlayerWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !txtPlay->text().trimmed().isEmpty())
        playFile();
}

void PlayerWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layOut();
}

void PlayerWindow::layOut()
{
    const int width = pixelsToTwips(this->width());
    const int height = pixelsToTwips(this->height());
    placeTwips(Picture2, 0, 0, width, kStripHeight);
    // The file box runs to the window's right edge less the margin the buttons keep on the left.
    placeTwips(txtPlay, kTxtPlayLeft, kMargin, width - kTxtPlayLeft - 2 * kMargin, kRowHeight);
    // Docked to the left and the right edge: everything under the strip but the frame number's row.
    placeTwips(Picture1, 0, kStripHeight, width, height - kStripHeight - kRowHeight);
    placeTwips(lblFrame, kMargin, height - kRowHeight, width - 2 * kMargin, kRowHeight);
    placeGif();
}

}  // namespace pictoreel
