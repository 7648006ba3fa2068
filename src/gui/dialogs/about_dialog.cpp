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

// The window's places, in twips; the controls stand inside Frame1.
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

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(twipsRect(kFrameLeft, kFrameTop, kClientWidth - 2 * kFrameLeft, kClientHeight - 2 * kFrameTop));
    Frame1->setMouseTracking(true);

    PlayGif1 = new GifView(Frame1);
    PlayGif1->setObjectName(QStringLiteral("PlayGif1"));
    PlayGif1->setAccessibleName(tr("Logo"));
    PlayGif1->move(twipsToPixels(120), twipsToPixels(240));

    Label4 = makeLabel(Frame1, "Label4", tr("How Beautiful :)"), 720, 1440);
    lblName = makeLabel(Frame1, "lblName", QString(), 2520, 360);
    lblVer = makeLabel(Frame1, "lblVer", QString(), 4800, 360);
    Label1 = makeLabel(Frame1, "Label1", tr("Website"), 2520, 840);
    lblWeb = makeLabel(Frame1, "lblWeb", QString(), 3360, 840);
    Label3 = makeLabel(Frame1, "Label3", tr("Support"), 2520, 1200);
    lblSupp = makeLabel(Frame1, "lblSupp", QString(), 3360, 1200);
    QFont title = lblName->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    lblName->setFont(title);
    lblVer->setFont(title);

    // Loading: the logo first, then the captions, then the links' pointer.
    loadLogo(logoFile);
    const std::pair<QLabel*, QString> captions[] = {{lblName, QLatin1String(kProgramName)},
                                                    {lblVer, QLatin1String(kProgramVersion)},
                                                    {lblWeb, QLatin1String(kWebsiteAddress)},
                                                    {lblSupp, QLatin1String(kSupportAddress)}};
    for (const auto& [label, text] : captions) {
        label->setText(text);
        label->adjustSize();
    }
    for (QLabel* link : {lblWeb, lblSupp}) {
        makeLink(link);
        link->installEventFilter(this);
    }
    Frame1->installEventFilter(this);

    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    HighlightLink(nullptr);
}

void AboutDialog::loadLogo(const QString& logoFile)
{
    PlayGif1->component().BackColor(kLogoBackColor);
    PlayGif1->setTransparencyShown(false);  // the logo lies on the window's own colour
    if (!PlayGif1->LoadGif(logoFile)) {
        PlayGif1->hide();  // no logo: the box shows without it
        return;
    }
    PlayGif1->LoopPlayback(true);
    PlayGif1->resize(PlayGif1->GifWidth(), PlayGif1->GifHeight());
    PlayGif1->Play();
}

void AboutDialog::HighlightLink(QLabel* link)
{
    for (QLabel* label : {lblWeb, lblSupp}) {
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
    if (watched == lblWeb || watched == lblSupp) {
        auto* link = static_cast<QLabel*>(watched);
        const auto follow = [this, link] { link == lblWeb ? visitWebsite() : writeToSupport(); };
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
    } else if (watched == Frame1 && (type == QEvent::MouseMove || type == QEvent::Enter)) {
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
