#include "gui/widgets/button_toolbar.h"

#include "gui/widgets/toolbar_icons.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QToolBar>

namespace pictoreel {

QToolBar* addButtonToolbar(QMainWindow& window, std::span<const ToolbarButton> buttons, int heightPixels)
{
    QToolBar* bar = window.addToolBar(QCoreApplication::translate("pictoreel::ButtonToolbar", "Toolbar"));
    bar->setObjectName(QStringLiteral("Toolbar1"));
    bar->setAccessibleName(QCoreApplication::translate("pictoreel::ButtonToolbar", "Toolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(16, 16));
    bar->setFixedHeight(heightPixels);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setStyleSheet(QStringLiteral("QToolBar { padding: 0px; spacing: 0px; border: 0px; }"
                                      "QToolButton { padding: 0px 1px; margin: 0px; }"));
    // The captions and tips are marked for translation in the window that lists them.
    const char* const context = window.metaObject()->className();
    for (const ToolbarButton& b : buttons) {
        if (!b.key) {
            bar->addSeparator();
            continue;
        }
        const QString key = QLatin1String(b.key);
        QAction* action = bar->addAction(toolbarIcon(key), QCoreApplication::translate(context, b.caption));
        action->setObjectName(QStringLiteral("Toolbar1_") + key);
        action->setData(key);
        action->setToolTip(QCoreApplication::translate(context, b.tooltip));
    }
    return bar;
}

QAction* toolbarButton(const QToolBar& toolbar, const char* key)
{
    return toolbar.findChild<QAction*>(QStringLiteral("Toolbar1_") + QLatin1String(key), Qt::FindDirectChildrenOnly);
}

}  // namespace pictoreel
