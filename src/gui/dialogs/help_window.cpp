#include "gui/dialogs/help_window.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace pictoreel {

HelpWindow::HelpWindow(const QString& page, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(tr("Pictoreel Help"));
    setAccessibleName(tr("Pictoreel Help"));
    setAttribute(Qt::WA_DeleteOnClose);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("txtHelp"));
    browser_->setAccessibleName(tr("Manual"));
    browser_->setOpenLinks(false);
    // Pages of the manual open here; web and mail addresses in the desktop's programs.
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() || url.isLocalFile())
            browser_->setSource(browser_->source().resolved(url));
        else
            QDesktopServices::openUrl(url);
    });

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(QString(caption).remove(u'&'));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* back = button("cmdHelpBack", tr("&Back"));
    QPushButton* forward = button("cmdHelpForward", tr("&Forward"));
    QPushButton* home = button("cmdHelpHome", tr("&Home"));
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(home);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);

    browser_->setSource(QUrl::fromLocalFile(page));
    resize(760, 600);
}

}  // namespace pictoreel
