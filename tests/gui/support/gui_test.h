// What every window test includes: GoogleTest, Qt's test and widget classes, the scripted
// dialogs, the test files and a check of the captions the named parts of a window show.
#pragma once

#include "gui/support/scripted_dialogs.h"
#include "gui/support/test_files.h"
#include "gui/widgets/twips.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pictoreel::testing {

// Expects each part of `root` of the given object name (or `root` itself) to show its caption:
// the text of a button, label, box or action, the title of a group box or window.
inline void expectCaptions(const QWidget& root, std::initializer_list<std::pair<const char*, const char*>> table)
{
    for (const auto& [name, caption] : table) {
        const QObject* o = root.objectName() == QLatin1String(name) ? &root : root.findChild<QObject*>(QLatin1String(name));
        QString text = QStringLiteral("<missing>");
        if (const auto* b = qobject_cast<const QAbstractButton*>(o))
            text = b->text();
        else if (const auto* l = qobject_cast<const QLabel*>(o))
            text = l->text();
        else if (const auto* e = qobject_cast<const QLineEdit*>(o))
            text = e->text();
        else if (const auto* g = qobject_cast<const QGroupBox*>(o))
            text = g->title();
        else if (const auto* a = qobject_cast<const QAction*>(o))
            text = a->text();
        else if (const auto* w = qobject_cast<const QWidget*>(o))
            text = w->windowTitle();
        EXPECT_EQ(text, QString::fromUtf8(caption)) << name;
    }
}

}  // namespace pictoreel::testing
