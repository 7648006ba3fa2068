// Files the window tests make and read, and animated GIFs of flat frames made by our own assembler.
#pragma once

#include "core/gif/gif_writer.h"
#include "core/media/player_component.h"

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace pictoreel::testing {

// Writes `contents` to `file`, replacing it; fails the test when it cannot.
inline void writeFile(const QString& file, const QByteArray& contents = "x")
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
    f.write(contents);
}
// The contents of a file; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline QString readTextFile(const QString& path) { return QString::fromUtf8(readFile(path)); }

// The colour of frame k of writeFlatGif: eight different ones, then round again.
inline QColor flatColour(int frame) { return {30 * (frame % 8), 255 - 30 * (frame % 8), 90}; }

// An animated GIF of `size`, one frame per delay (centiseconds), frame k all in flatColour(k).
// No loop count writes no loop block.
inline QString writeFlatGif(const QString& file, QSize size, const std::vector<int>& delays, std::optional<int> loops = 0)
{
    PlayerComponent assembler;
    assembler.ClearFrames();
    loops ? assembler.LoopCount(static_cast<std::int16_t>(*loops)) : assembler.LoopCount(std::int16_t{-1});
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
