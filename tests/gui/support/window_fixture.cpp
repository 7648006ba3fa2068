#include "gui/support/window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QtCore/qtestsupport_core.h>

namespace pictoreel::testing {

void WindowTest::SetUp()
{
    ASSERT_TRUE(root_.isValid());
    ASSERT_TRUE(QDir().mkpath(programFolder()));
    ASSERT_TRUE(QDir().mkpath(picturesFolder()));
    startWindow();
}

void WindowTest::TearDown()
{
    if (window) {
        window->setProgramEndHandler({});
        window->hide();
    }
    window.reset();
}

void WindowTest::startWindow()
{
    window.reset();
    window = std::make_unique<MainWindow>(ProgramFolders{programFolder(), programFolder()}, dialogs, shell);
    window->setProgramEndHandler({});
    panel = part<PropertyPanel>(QStringLiteral("SSTab1"));
    window->show();
}

QString WindowTest::makePicture(const QString& name, int width, int height, QColor colour) const
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    const QString file = picturesFolder() + name;
    EXPECT_TRUE(image.save(file, "PNG")) << file.toStdString();
    return file;
}

void WindowTest::addPictures(const QStringList& names, int width, int height)
{
    QStringList paths;
    for (const QString& name : names)
        paths.append(makePicture(name, width, height));
    dialogs.answerFiles(paths);
    window->AddFrames();  // what File, "&Add Image Files ..." runs
    window->applyAutoSizeRule();
}

QStringList WindowTest::rowTexts(int row) const
{
    const QAbstractItemModel* model = listView()->model();
    QStringList texts;
    for (int c = 0; c < model->columnCount(); ++c)
        texts.append(model->index(row - 1, c).data().toString());
    return texts;
}

bool WindowTest::rowChecked(int row) const
{
    return listView()->model()->index(row - 1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>()
           == Qt::Checked;
}

QString WindowTest::panelValues() const
{
    const Qt::CheckState loop = panel->chkLoop->checkState();
    const QString loopBox = loop == Qt::Checked ? QStringLiteral("ticked")
                            : loop == Qt::Unchecked ? QStringLiteral("unticked")
                                                    : QStringLiteral("greyed");
    return QStringLiteral("%1x%2 loop %3 %4 %5 out=%6 | %7 %8 %9")
        .arg(panel->txtWidth->text(), panel->txtHeight->text(), panel->txtLoop->text(), loopBox,
             panel->txtLoop->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"), panel->txtOutputFile->text(),
             panel->txtInterval->text(), panel->chkTrans->isChecked() ? QStringLiteral("YES") : QStringLiteral("NO"),
             QString::number(panel->transColor()));
}

int WindowTest::rowCount() const { return listView()->model()->rowCount(); }

void WindowTest::setRowChecked(int row, bool checked)
{
    QAbstractItemModel* model = listView()->model();
    ASSERT_TRUE(model->setData(model->index(row - 1, 0), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole));
}

void WindowTest::trigger(const QString& name) const
{
    if (QAction* action = part<QAction>(name))
        action->trigger();
}

WindowRunner WindowTest::lookAndClose(std::function<void(QDialog&)> look)
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

}  // namespace pictoreel::testing
