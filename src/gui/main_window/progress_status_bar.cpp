#include "gui/main_window/progress_status_bar.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

namespace pictoreel {

ProgressStatusBar addProgressStatusBar(QMainWindow& window, int heightPixels, QObject* eventFilter)
{
    ProgressStatusBar s;
    s.bar = window.statusBar();
    s.bar->setObjectName(QStringLiteral("StatusBar1"));
    s.bar->setAccessibleName(QCoreApplication::translate("pictoreel::MainWindow", "Status"));
    s.bar->setFixedHeight(heightPixels);
    s.bar->setSizeGripEnabled(true);
    s.panel = new QLabel(s.bar);
    s.panel->setObjectName(QStringLiteral("StatusBar1Panel1"));
    s.panel->setAccessibleName(QCoreApplication::translate("pictoreel::MainWindow", "Status"));
    s.panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    s.bar->addWidget(s.panel, 1);
    s.progress = new QProgressBar(s.bar);
    s.progress->setObjectName(QStringLiteral("pbPer"));
    s.progress->setAccessibleName(QCoreApplication::translate("pictoreel::MainWindow", "Progress"));
    s.progress->setRange(0, 100);
    s.progress->setValue(0);
    s.progress->setTextVisible(false);
    s.progress->raise();
    s.bar->installEventFilter(eventFilter);
    s.panel->installEventFilter(eventFilter);
    return s;
}

}  // namespace pictoreel
