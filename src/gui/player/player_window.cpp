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

    buttonStrip_ = new QWidget(this);
    buttonStrip_->setObjectName(QStringLiteral("Picture2"));
    playButton_ = makeButton(buttonStrip_, "OKButton", tr("&Play"), 120, 975);
    pauseButton_ = makeButton(buttonStrip_, "cmdPause", tr("Pa&use"), 1200, 975);
    loadButton_ = makeButton(buttonStrip_, "cmdLoad", tr("&Load File ..."), 2280, 1095);
    playButton_->setDefault(true);  // Enter in the file box plays it
    fileBox_ = new QLineEdit(buttonStrip_);
    fileBox_->setObjectName(QStringLiteral("txtPlay"));
    keepOnOneLine(fileBox_);
    fileBox_->setAccessibleName(tr("Animated GIF file"));

    pictureBox_ = new QWidget(this);
    pictureBox_->setObjectName(QStringLiteral("Picture1"));
    pictureBox_->setAccessibleName(tr("Animation"));
    player_ = new GifView(pictureBox_);
    player_->setObjectName(QStringLiteral("PlayGif1"));
    player_->setAccessibleName(tr("Animated GIF"));
    player_->hide();  // until the first play
    player_->offerScaleChoice();
    connect(player_, &GifView::fitChanged, this, &PlayerWindow::placeGif);
    frameLabel_ = new QLabel(this);
    frameLabel_->setObjectName(QStringLiteral("lblFrame"));
    frameLabel_->setAccessibleName(tr("Frame number"));
    connect(player_, &GifView::playbackChanged, this, &PlayerWindow::showFrameNumber);
    // The arrows step through the frames, except in the file box, where they move the cursor.
    for (const auto& arrow : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}})
        connect(new QShortcut(QKeySequence(arrow.first), this), &QShortcut::activated, this,
                [this, by = arrow.second] { stepFrame(by); });
    offerMadeGif(player_, [this] { return fileBox_->text(); });  // dragged out, or copied from its menu

    setTabOrder(playButton_, pauseButton_);
    setTabOrder(pauseButton_, loadButton_);
    setTabOrder(loadButton_, fileBox_);

    connect(playButton_, &QPushButton::clicked, this, &PlayerWindow::playFile);
    connect(pauseButton_, &QPushButton::clicked, this, &PlayerWindow::pause);
    connect(loadButton_, &QPushButton::clicked, this, &PlayerWindow::loadFile);

    setMinimumSize(twipsToPixels(kTxtPlayLeft + kLeastFileBoxWidth + 2 * kMargin), twipsToPixels(2 * kStripHeight));
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    layOut();
}

void PlayerWindow::setGifFile(const QString& gif) { fileBox_->setText(gif); }

void PlayerWindow::playFile()
{
    player_->show();
    (void)player_->LoadGif(fileBox_->text());  // nothing loaded: the steps below change nothing
    player_->LoopPlayback(true);
    const QSize gif(player_->GifWidth(), player_->GifHeight());
    if (player_->component().hasGif() && gif != sizedFor_) {
        sizedFor_ = gif;
        sizeForGif();
    }
    placeGif();
    player_->Play();
    showFrameNumber();
}

void PlayerWindow::placeGif() { player_->resize(player_->sizeWithin(pictureBox_->size())); }

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
    const PlayerComponent& player = player_->component();
    frameLabel_->setText(player.hasGif() ? tr("Frame %1 / %2").arg(player.currentFrameIndex() + 1).arg(player.FrameCount())
                                      : QString());
}

void PlayerWindow::stepFrame(int by)
{
    const int count = player_->component().FrameCount();
    if (!player_->component().hasGif() || count < 1)
        return;
    player_->Pause();
    player_->showFrame((player_->component().currentFrameIndex() + by + count) % count);
    showFrameNumber();
}

void PlayerWindow::pause() { player_->Pause(); }

void PlayerWindow::loadFile()
{
    const auto chosen =
        dialogs_.openFile(this, {QString(), QStringLiteral("Animated GIF Files(*.gif)|*.gif"), {}});
    if (!chosen || chosen->isEmpty())
        return;
    fileBox_->setText(*chosen);
    playFile();
}

void PlayerWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !fileBox_->text().trimmed().isEmpty())
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
    placeTwips(buttonStrip_, 0, 0, width, kStripHeight);
    // The file box runs to the window's right edge less the margin the buttons keep on the left.
    placeTwips(fileBox_, kTxtPlayLeft, kMargin, width - kTxtPlayLeft - 2 * kMargin, kRowHeight);
    // Docked to the left and the right edge: everything under the strip but the frame number's row.
    placeTwips(pictureBox_, 0, kStripHeight, width, height - kStripHeight - kRowHeight);
    placeTwips(frameLabel_, kMargin, height - kRowHeight, width - 2 * kMargin, kRowHeight);
    placeGif();
}

}  // namespace pictoreel
