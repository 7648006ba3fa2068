#include "gui/support/window_fixture.h"

#include <QDir>
#include <QFile>
#include <QImage>

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
    window = std::make_unique<frmPictoreel>(ProgramFolders{programFolder(), programFolder()}, dialogs, shell);
    window->setProgramEndHandler({});
    panel = window->SSTab1;
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
    window->mnuFileSub_Click(7);
}

QStringList WindowTest::rowTexts(int row) const
{
    const QAbstractItemModel* model = window->ListView1->model();
    QStringList texts;
    for (int c = 0; c < model->columnCount(); ++c)
        texts.append(model->index(row - 1, c).data().toString());
    return texts;
}

bool WindowTest::rowChecked(int row) const
{
    return window->ListView1->model()->index(row - 1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>()
           == Qt::Checked;
}

int WindowTest::rowCount() const { return window->ListView1->model()->rowCount(); }

void WindowTest::setRowChecked(int row, bool checked)
{
    QAbstractItemModel* model = window->ListView1->model();
    ASSERT_TRUE(model->setData(model->index(row - 1, 0), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole));
}

QString readTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace pictoreel::testing
