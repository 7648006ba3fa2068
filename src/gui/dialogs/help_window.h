// The manual in a window of the program's own, for a desktop without a browser to open it in: a
// text browser over the HTML manual's pages (links between them followed, outside links handed to
// the desktop), with Back, Forward and Home.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace pictoreel {

class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    // Shows `page` (an HTML file of the manual).
    explicit HelpWindow(const QString& page, QWidget* parent = nullptr);

    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace pictoreel
