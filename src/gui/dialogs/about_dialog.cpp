#include "gui/dialogs/about_dialog.h"

#include "gui/widgets/compact_font.h"
#include "gui/widgets/gif_view.h"
#include "gui/app/shell.h"
#include "gui/widgets/twips.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>

namespace pictoreel {

namespace {

// The window's places, in twips; the controls stand inside the sunken frame `Frame1`.
constexpr int kClientWidth = 6840;
constexpr int kClientHeight = 2160;
constexpr int kFrameLeft = 120;
constexpr int kFrameTop = 60;
// The logo's background, RGB(212, 208, 200) as 0x00BBGGRR.
constexpr std::int32_t kLogoBackColor = 0xC8D0D4;

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(twipsToPixels(left), twipsToPixels(top));
    label->adjustSize();
    return label;
}

// Blue text, the pointing hand, and mouse events for the window to see.
void makeLink(QLabel* label)
{
    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(blue);
    label->setCursor(Qt::PointingHandCursor);
    label->setFocusPolicy(Qt::StrongFocus);  // Tab reaches it, and Enter or Space follows it
    label->setMouseTracking(true);
}

}  // namespace

AboutDialog::AboutDialog(const QString& logoFile, Shell& shell, QWidget* parent) : QDialog(parent), shell_(shell)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Pictoreel"));
    setAccessibleName(tr("About Pictoreel"));
    applyCompactFont(this);
    setMouseTracking(true);

    frame_ = new QFrame(this);
    frame_->setObjectName(QStringLiteral("Frame1"));
    frame_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame_->setGeometry(twipsRect(kFrameLeft, kFrameTop, kClientWidth - 2 * kFrameLeft, kClientHeight - 2 * kFrameTop));
    frame_->setMouseTracking(true);

    logo_ = new GifView(frame_);
    logo_->setObjectName(QStringLiteral("PlayGif1"));
    logo_->setAccessibleName(tr("Logo"));
    logo_->move(twipsToPixels(120), twipsToPixels(240));

    makeLabel(frame_, "Label4", tr("How Beautiful :)"), 720, 1440);
    nameLabel_ = makeLabel(frame_, "lblName", QString(), 2520, 360);
    versionLabel_ = makeLabel(frame_, "lblVer", QString(), 4800, 360);
    makeLabel(frame_, "Label1", tr("Website"), 2520, 840);
    websiteLink_ = makeLabel(frame_, "lblWeb", QString(), 3360, 840);
    makeLabel(frame_, "Label3", tr("Support"), 2520, 1200);
    supportLink_ = makeLabel(frame_, "lblSupp", QString(), 3360, 1200);
    QFont title = nameLabel_->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    nameLabel_->setFont(title);
    versionLabel_->setFont(title);

    // Loading: the logo first, then the captions, then the links' pointer.
    loadLogo(logoFile);
    const std::pair<QLabel*, QString> captions[] = {{nameLabel_, QLatin1String(kProgramName)},
                                                    {versionLabel_, QLatin1String(kProgramVersion)},
                                                    {websiteLink_, QLatin1String(kWebsiteAddress)},
                                                    {supportLink_, QLatin1String(kSupportAddress)}};
    for (const auto& [label, text] : captions) {
        label->setText(text);
        label->adjustSize();
    }
    for (QLabel* link : {websiteLink_, supportLink_}) {
        makeLink(link);
        link->installEventFilter(this);
    }
    frame_->installEventFilter(this);

    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    HighlightLink(nullptr);
}

void AboutDialog::loadLogo(const QString& logoFile)
{
    logo_->component().BackColor(kLogoBackColor);
    logo_->setTransparencyShown(false);  // the logo lies on the window's own colour
    if (!logo_->LoadGif(logoFile)) {
        logo_->hide();  // no logo: the box shows without it
        return;
    }
    logo_->LoopPlayback(true);
    logo_->resize(logo_->GifWidth(), logo_->GifHeight());
    logo_->Play();
}

void AboutDialog::HighlightLink(QLabel* link)
{
    for (QLabel* label : {websiteLink_, supportLink_}) {
        QFont face = label->font();
        face.setUnderline(label == link);
        label->setFont(face);
    }
}

void AboutDialog::visitWebsite() { (void)shell_.open(QLatin1String(kWebsiteAddress)); }

void AboutDialog::writeToSupport() { (void)shell_.open(QStringLiteral("mailto:") + QLatin1String(kSupportAddress)); }

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (watched == websiteLink_ || watched == supportLink_) {
        auto* link = static_cast<QLabel*>(watched);
        const auto follow = [this, link] { link == websiteLink_ ? visitWebsite() : writeToSupport(); };
        const auto followKey = [](QEvent* e) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
        };
        if (type == QEvent::Enter || type == QEvent::FocusIn) {
            HighlightLink(link);
        } else if (type == QEvent::KeyPress && followKey(event)) {
            follow();
            return true;
        } else if (type == QEvent::MouseMove) {
            HighlightLink(link);
            return true;  // a label passes moves on to the frame, which would take the underline away
        } else if (type == QEvent::MouseButtonRelease
                   && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
                   && link->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            follow();
        }
    } else if (watched == frame_ && (type == QEvent::MouseMove || type == QEvent::Enter)) {
        HighlightLink(nullptr);
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::mouseMoveEvent(QMouseEvent* event)
{
    HighlightLink(nullptr);  // the window's background
    QDialog::mouseMoveEvent(event);
}

}  // namespace pictoreel
