// A main window started in a program folder of its own, with scripted dialogs and a recording
// shell, plus helpers to make pictures and read what the frame list shows.
#pragma once

#include "gui/frame_list_model.h"
#include "gui/main_window.h"
#include "gui/property_panel.h"
#include "gui/support/scripted_dialogs.h"
#include "gui/support/test_files.h"
#include "gui/window_runner.h"

#include <QColor>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace pictoreel::testing {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the window (again); a test may write pictoreel.ini before.
    void startWindow();

    QString programFolder() const { return root_.path() + QStringLiteral("/program"); }
    QString picturesFolder() const { return root_.path() + QStringLiteral("/pictures/"); }
    QString path(const QString& name) const { return root_.path() + u'/' + name; }

    // A PNG of one colour in the pictures folder; its full path.
    QString makePicture(const QString& name, int width, int height, QColor colour = Qt::red) const;
    // Adds pictures of the given names (made first, 40 x 30 unless told) through File / Add.
    void addPictures(const QStringList& names, int width = 40, int height = 30);

    // What row `row` (1-based) shows, column by column.
    QStringList rowTexts(int row) const;
    bool rowChecked(int row) const;
    int rowCount() const;
    // The panel's boxes in one line: "100x75 loop 1 ticked off out= | 50 YES 16777215" is width x
    // height, the loop box, its check box (ticked, unticked or greyed), whether the loop box is
    // enabled, the output file | interval, transparency and transparent colour.
    QString panelValues() const;
    void setRowChecked(int row, bool checked);

    // A part of the main window found by its object name, as the acceptance run finds it.
    template <class T = QWidget>
    T* part(const QString& name) const
    {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << "no " << name.toStdString();
        return found;
    }
    FrameListView* listView() const { return part<FrameListView>(QStringLiteral("ListView1")); }
    // Runs the menu entry or toolbar button of this object name ("mnuFileSub7", "Toolbar1_add") as
    // a click does.
    void trigger(const QString& name) const;

    // A window runner that shows the window, hands it to `look` once it is the active window,
    // and closes it, giving the activation back to the main window as a window manager does.
    WindowRunner lookAndClose(std::function<void(QDialog&)> look);

    ScriptedDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    PropertyPanel* panel = nullptr;

private:
    QTemporaryDir root_;
};

}  // namespace pictoreel::testing
