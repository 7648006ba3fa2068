// What every window test includes: GoogleTest, Qt's test and widget classes, the scripted
// dialogs, the test files, the named parts of a window and a check of the captions they show.
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
#include <stdexcept>
#include <vector>

namespace pictoreel::testing {

// The part of `parent` of this object name and type, found as the acceptance run finds it; the
// test fails when there is none. Then a click on such a button, and the text such a label or box shows.
template <class W = QWidget>
W* child(const QObject* parent, const QString& name)
{
    W* found = parent->findChild<W*>(name);
    return found ? found : throw std::runtime_error("no part named " + name.toStdString());
}
inline void click(const QObject* parent, const QString& button) { child<QAbstractButton>(parent, button)->click(); }
inline QString shownText(const QObject* parent, const QString& name) { return child(parent, name)->property("text").toString(); }

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
