// The grid the property panel's tabs are laid out on, in twips, and the makers of its controls.
#pragma once

#include "gui/widgets/twips.h"
#include "gui/widgets/one_line_box.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pictoreel::panel_grid {

// The one grid of all three tabs, in twips.
inline constexpr int kRowTops[] = {120, 480, 840, 1200, 1560, 1920, 2280, 2640};
inline constexpr int kNameLeft = 120;
inline constexpr int kBoxLeft = 1560;
inline constexpr int kBoxHeight = 285;
inline constexpr int kButtonHeight = 315;
inline constexpr int kGap = 60;  // between a box and what stands beside it
inline constexpr int kContainerHeight = 3135;
inline constexpr int kDesignContainerWidth = 3990;  // the left pane's narrowest width less the margins
inline constexpr int kEllipsisWidth = 375;
inline constexpr int kRightMargin = 120;

inline void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(twipsRect(left, top, width, height));
}

// Rows are placed so that a box and its label share one middle line.
inline int rowTop(int row) { return kRowTops[row - 1]; }

inline QLabel* nameLabel(QWidget* parent, const char* name, const QString& caption, int row, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    place(label, kNameLeft, rowTop(row), kBoxLeft - kNameLeft - kGap, kBoxHeight);
    if (buddy) {
        label->setBuddy(buddy);
        // A box is named by its caption; a label that shows a value is read by its own text, the
        // value, and described by the caption.
        if (qobject_cast<QLabel*>(buddy))
            buddy->setAccessibleDescription(caption);
        else
            buddy->setAccessibleName(caption);
    }
    return label;
}

inline QLabel* unitLabel(QWidget* parent, const char* name, const QString& caption, int left, int row, int width = 615)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    place(label, left, rowTop(row), width, kBoxHeight);
    return label;
}

inline QLineEdit* textBox(QWidget* parent, const char* name, const QString& text, int row, int width)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    keepOnOneLine(box);
    place(box, kBoxLeft, rowTop(row), width, kBoxHeight);
    return box;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int row, int width,
                    const QString& accessibleName = {})
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    // Enter presses the button that has the focus, as Space does.
    b->setAutoDefault(true);
    place(b, left, rowTop(row) - (kButtonHeight - kBoxHeight) / 2, width, kButtonHeight);
    if (!accessibleName.isEmpty())
        b->setAccessibleName(accessibleName);
    return b;
}

inline QCheckBox* yesBox(QWidget* parent, const char* name, int row)
{
    auto* box = new QCheckBox(QCoreApplication::translate("pictoreel::PropertyPanel", "Yes"), parent);
    box->setObjectName(QLatin1String(name));
    place(box, kBoxLeft, rowTop(row), 1215, kBoxHeight);
    return box;
}

}  // namespace pictoreel::panel_grid
