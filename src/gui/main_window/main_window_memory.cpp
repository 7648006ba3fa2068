// The main window's place from one start to the next: the first start lays the window out as it
// always did; closing it keeps its size, position, maximised state, the left pane's width and the
// list's column widths in pictoreel.ini ([Window]), and later starts bring them back. Maximised,
// the left pane grows until the list's columns fit (within half the window), and shrinks back
// to its width from before when the window is restored.
#include "gui/main_window/main_window.h"

#include "core/project/ini_document.h"
#include "core/project/settings_store.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/widgets/twips.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include <algorithm>

namespace pictoreel {

namespace {

const QString kSection = QStringLiteral("Window");
const QString kGeometry = QStringLiteral("Geometry");
const QString kLeftPane = QStringLiteral("Left Pane");
const QString kColumns = QStringLiteral("Columns");

}  // namespace

void MainWindow::restoreWindowPlace()
{
    const QString file = context_.settingsFile();
    const QByteArray geometry = QByteArray::fromBase64(ReadIniKey(kSection, kGeometry, QString(), file).toLatin1());
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        return;  // the first start: as always
    const QStringList widths = ReadIniKey(kSection, kColumns, QString(), file).split(u',');
    for (int c = 0; c < kFrameColumnCount && c < widths.size(); ++c)
        if (const int width = widths[c].toInt(); width > 0)
            frameList_->header()->resizeSection(c, width);
    bool ok = false;
    int x = ReadIniKey(kSection, kLeftPane, QString(), file).toInt(&ok);
    if (ok) {
        leftPaneTwips_ = x;
        SizeControls(x);
    }
}

void MainWindow::rememberWindowPlace()
{
    QStringList widths;
    for (int c = 0; c < kFrameColumnCount; ++c)
        widths.append(QString::number(frameList_->header()->sectionSize(c)));
    const int pane = isMaximized() && paneBeforeMaximised_ > 0 ? paneBeforeMaximised_ : leftPaneTwips_;
    editIniFile(context_.settingsFile(), [&](IniDocument& ini) {
        ini.writeKey(kSection, kGeometry, QString::fromLatin1(saveGeometry().toBase64()));
        ini.writeKey(kSection, kLeftPane, QString::number(pane));
        ini.writeKey(kSection, kColumns, widths.join(u','));
    });
}

int MainWindow::listColumnsWidthTwips() const
{
    int width = frameList_->frameWidth() * 2 + frameList_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < kFrameColumnCount; ++c)
        width += frameList_->header()->sectionSize(c);
    return pixelsToTwips(width);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const bool wasMaximised = static_cast<QWindowStateChangeEvent*>(event)->oldState().testFlag(Qt::WindowMaximized);
    if (isMaximized() && !wasMaximised) {
        paneBeforeMaximised_ = leftPaneTwips_;
        wantedPaneTwips_ = std::max(leftPaneTwips_, listColumnsWidthTwips());
    } else if (!isMaximized() && wasMaximised && paneBeforeMaximised_ > 0) {
        wantedPaneTwips_ = paneBeforeMaximised_;
        paneBeforeMaximised_ = 0;
    } else {
        return;
    }
    // The frame's new size comes with a resize, before or after this; should none come, a moment later.
    QTimer::singleShot(100, this, [this] { takeWantedPaneWidth(); });
}

void MainWindow::takeWantedPaneWidth()
{
    if (wantedPaneTwips_ <= 0)
        return;
    // Maximised, at most half the frame goes to the list.
    int x = isMaximized() ? std::max(leftPaneTwips_, std::min(wantedPaneTwips_, frameWidthTwips() / 2)) : wantedPaneTwips_;
    wantedPaneTwips_ = 0;
    SizeControls(x);
}

}  // namespace pictoreel
