// A main window started in a program folder of its own, with scripted dialogs and a recording
// shell, plus helpers to make pictures and read what the frame list shows.
#pragma once

#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/main_window.h"
#include "gui/main_window/property_panel.h"
#include "gui/support/gui_test.h"
#include "gui/app/window_runner.h"

namespace pictoreel::testing {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid() && QDir().mkpath(programFolder()) && QDir().mkpath(picturesFolder()));
        startWindow();
    }
    void TearDown() override
    {
        if (window)
            window->setProgramEndHandler({});
        window.reset();
    }
    // Starts the window (again); a test may write pictoreel.ini before.
    void startWindow()
    {
        window.reset();
        window = std::make_unique<MainWindow>(ProgramFolders{programFolder(), programFolder()}, dialogs, shell);
        window->setProgramEndHandler({});
        panel = part<PropertyPanel>(QStringLiteral("SSTab1"));
        window->show();
    }

    QString programFolder() const { return root_.path() + QStringLiteral("/program"); }
    QString picturesFolder() const { return root_.path() + QStringLiteral("/pictures/"); }
    QString path(const QString& name) const { return root_.path() + u'/' + name; }

    // A PNG of one colour in the pictures folder; its full path.
    QString makePicture(const QString& name, int width, int height, QColor colour = Qt::red) const
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(picturesFolder() + name, "PNG")) << name.toStdString();
        return picturesFolder() + name;
    }
    // Adds pictures of the given names (made first, 40 x 30 unless told) through File / Add.
    void addPictures(const QStringList& names, int width = 40, int height = 30)
    {
        QStringList paths;
        for (const QString& name : names)
            paths.append(makePicture(name, width, height));
        dialogs.answerFiles(paths);
        trigger(QStringLiteral("mnuFileSub7"));
    }
    // File, "&New Project ...", the old project not saved and no pictures added; the dialogs'
    // record and the answers left stay as they were.
    void newProject()
    {
        const std::size_t calls = dialogs.calls.size(), answers = dialogs.messageAnswers.size();
        dialogs.messageAnswers.push_front(MessageAnswer::No);  // not asked for an unchanged project
        dialogs.fileAnswers.push_front({});
        trigger(QStringLiteral("mnuFileSub1"));
        dialogs.messageAnswers.erase(dialogs.messageAnswers.begin(), dialogs.messageAnswers.end() - std::ptrdiff_t(answers));
        dialogs.calls.resize(calls);
    }

    // What row `row` (1-based) shows, column by column, and whether it is checked.
    QStringList rowTexts(int row) const
    {
        QStringList texts;
        for (int c = 0; c < listView()->model()->columnCount(); ++c)
            texts.append(listView()->model()->index(row - 1, c).data().toString());
        return texts;
    }
    bool rowChecked(int row) const
    {
        return listView()->model()->index(row - 1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    }
    int rowCount() const { return listView()->model()->rowCount(); }
    void setRowChecked(int row, bool checked)
    {
        QAbstractItemModel* model = listView()->model();
        ASSERT_TRUE(model->setData(model->index(row - 1, 0), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole));
    }
    // The panel's boxes in one line: "100x75 loop 1 ticked off out= | 50 YES 16777215" (width x height,
    // loop box, check box, loop box enabled, output file | interval, transparency, transparent colour).
    QString panelValues() const
    {
        const Qt::CheckState loop = part<QCheckBox>("chkLoop")->checkState();
        return QStringLiteral("%1x%2 loop %3 %4 %5 out=%6 | %7 %8 %9")
            .arg(textOf("txtWidth"), textOf("txtHeight"), textOf("txtLoop"),
                 loop == Qt::Checked ? "ticked" : loop == Qt::Unchecked ? "unticked" : "greyed",
                 part("txtLoop")->isEnabled() ? "on" : "off", textOf("txtOutputFile"), textOf("txtInterval"),
                 part<QCheckBox>("chkTrans")->isChecked() ? "YES" : "NO", QString::number(panel->transColor()));
    }

    // A part of the main window found by its object name, as the acceptance run finds it.
    template <class T = QWidget>
    T* part(const QString& name) const { return child<T>(window.get(), name); }
    // The text of the main window's label or text box of this object name.
    QString textOf(const QString& name) const { return shownText(window.get(), name); }
    FrameListView* listView() const { return part<FrameListView>(QStringLiteral("ListView1")); }
    // Runs the menu entry or toolbar button of this object name ("mnuFileSub7", "Toolbar1_add").
    void trigger(const QString& name) const { part<QAction>(name)->trigger(); }

    // A window runner that shows the window, hands it to `look` once it is the active window,
    // and closes it, giving the activation back to the main window as a window manager does.
    WindowRunner lookAndClose(std::function<void(QDialog&)> look)
    {
        return [this, look = std::move(look)](QDialog& w) {
            w.show();
            w.activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &w; }));
            look(w);
            w.hide();
            window->activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));
        };
    }

    ScriptedDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    PropertyPanel* panel = nullptr;

private:
    QTemporaryDir root_;
};

}  // namespace pictoreel::testing
