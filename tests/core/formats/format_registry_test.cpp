// The format table: its rows agreeing with one another (the add dialog's filter built from it is a
// golden case, tests/data/golden/add-dialog-filter.txt), and the GIF size peek over the block
// walker on whole and cut-short files.
#include "core/formats/picture_formats.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <set>

using namespace pictoreel;

// Every extension belongs to one row, every pattern a row offers names that row's format, and
// every row that is read has one decoder and a way to be recognised.
TEST(FormatRegistry, RowsAgree)
{
    std::set<std::string> extensions;
    for (const PictureFormatRow& row : pictureFormatTable()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(pictureFormatRow(row.format), &row);
        for (const char* extension : row.extensions)
            EXPECT_TRUE(extensions.insert(extension).second) << extension;
        for (const FileTypeEntry& entry : row.fileTypes)
            for (const QString& pattern : QString::fromLatin1(entry.patterns).split(u';'))
                EXPECT_EQ(pictureFormatForExtension(pattern.mid(2).toUpper()), row.format) << entry.patterns;
        const bool read = row.ownReader || row.magick.coder;
        EXPECT_FALSE(row.ownReader && row.magick.coder);
        EXPECT_EQ(read, row.sniff || row.namedByExtension);
    }
}

TEST(FormatRegistry, GifSizeTakesInTheFirstImageAndStopsWhereTheBytesEnd)
{
    // Screen 4 x 3 with a two-colour table; a comment in two sub-blocks; a graphic control
    // block; an image of 5 x 4 at (3, 2) with a local table; a second image further out.
    QByteArray gif("GIF89a\x04\x00\x03\x00\x80\x00\x00" "\x00\x00\x00\xff\xff\xff", 19);
    gif += QByteArray("\x21\xfe\x02hi\x01!\x00", 8);
    gif += QByteArray("\x21\xf9\x04\x01\x00\x00\x01\x00", 8);
    const qsizetype descriptor = gif.size();
    gif += QByteArray("\x2c\x03\x00\x02\x00\x05\x00\x04\x00\x80" "\x00\x00\x00\x01\x01\x01" "\x02\x02\x4c\x01\x00", 21);
    gif += QByteArray("\x2c\x00\x00\x00\x00\x09\x00\x09\x00\x00\x02\x02\x4c\x01\x00\x3b", 16);
    const auto peekAt = [&](qsizetype cut) {
        return peekPictureSize(reinterpret_cast<const std::uint8_t*>(gif.constData()), std::size_t(cut), PictureFormat::Gif);
    };
    for (qsizetype cut = 0; cut <= gif.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::optional<PictureSize> size = peekAt(cut);
        ASSERT_EQ(size.has_value(), cut >= 13);
        if (!size)
            continue;
        EXPECT_EQ(std::pair(size->width, size->height), cut >= descriptor + 10 ? std::pair(8, 6) : std::pair(4, 3));  // image seen
    }
    // A block that is no block ends the walk with the screen's size.
    gif[descriptor] = 'x';
    EXPECT_EQ(peekAt(gif.size())->width, 4);
}
