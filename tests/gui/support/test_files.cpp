#include "gui/support/test_files.h"

#include "core/media/gif_writer.h"
#include "core/media/player_component.h"

#include <QFile>

#include <gtest/gtest.h>

namespace pictoreel::testing {

void writeFile(const QString& file, const QByteArray& contents)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
    f.write(contents);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString readTextFile(const QString& path) { return QString::fromUtf8(readFile(path)); }

QColor flatColour(int frame)
{
    const int k = frame % 8;
    return {30 * k, 255 - 30 * k, 90};
}

QString writeFlatGif(const QString& file, QSize size, const std::vector<int>& delays, std::optional<int> loops)
{
    PlayerComponent assembler;
    assembler.ClearFrames();
    if (loops)
        assembler.LoopCount(static_cast<std::int16_t>(*loops));
    else
        assembler.LoopCount(QString());
    for (std::size_t k = 0; k < delays.size(); ++k) {
        const QString one = file + QStringLiteral(".%1.gif").arg(k % 8);
        if (k < 8) {  // the later frames take the same files again
            const QColor c = flatColour(static_cast<int>(k));
            IndexedImage picture;
            picture.width = size.width();
            picture.height = size.height();
            picture.indices.assign(static_cast<std::size_t>(size.width() * size.height()), 0);
            picture.palette = {Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())}};
            EXPECT_TRUE(writeSingleImageGif(one, picture).ok());
        }
        assembler.AddFrame(one);
        EXPECT_TRUE(assembler.SetFrameDelay(static_cast<int>(k), delays[k]).ok());
    }
    EXPECT_TRUE(assembler.SaveAnimation(file).ok()) << file.toStdString();
    return file;
}

}  // namespace pictoreel::testing
