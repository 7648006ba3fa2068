// Our LZW encoder against giflib's decoder, the one most programs that open our GIFs trust, and
// its size estimate against what it writes.
#include "core/gif/lzw_encoder.h"

#include <gif_lib.h>

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <random>
#include <vector>

using namespace pictoreel;

namespace {

// A minimal GIF around the compressed pixels (no colour table: the decoder only needs the codes).
QByteArray gifAround(int width, int height, int minCodeSize, const QByteArray& pixels)
{
    QByteArray gif("GIF89a");
    auto word = [&](int v) { gif.append(char(v & 0xFF)).append(char(v >> 8)); };
    word(width), word(height);
    gif.append(char(0)).append(char(0)).append(char(0));
    gif.append(char(0x2C)), word(0), word(0), word(width), word(height), gif.append(char(0));
    gif.append(char(minCodeSize)).append(pixels).append(char(0x3B));
    return gif;
}

std::vector<std::uint8_t> decodeWithGiflib(const QByteArray& gifBytes)
{
    QTemporaryFile file;
    EXPECT_TRUE(file.open() && file.write(gifBytes) == gifBytes.size() && file.flush());
    int error = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(file.fileName()).constData(), &error);
    std::vector<std::uint8_t> out;
    if (gif && DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1)
        out.assign(gif->SavedImages[0].RasterBits, gif->SavedImages[0].RasterBits + gif->SWidth * gif->SHeight);
    else
        ADD_FAILURE() << "giflib error " << (gif ? gif->Error : error);
    DGifCloseFile(gif, &error);
    return out;
}

}  // namespace

TEST(LzwEncoder, GiflibDecodesExactlyWhatWasEncoded)
{
    struct Case {
        const char* name;
        int width, height, minCodeSize, colours;
        bool noise;  // random indices (many codes, table resets) or long runs and repeats
    };
    const Case cases[] = {
        {"one pixel", 1, 1, 2, 1, false},
        {"two colours, runs", 97, 31, 2, 2, false},
        {"16 colours, noise across resets", 300, 200, 4, 16, true},
        {"256 colours, noise across many resets", 640, 480, 8, 256, true},
        {"256 colours, gradients", 640, 480, 8, 256, false},
        {"7 colours in a 3-bit table, noise", 129, 77, 3, 7, true},
    };
    std::mt19937 random(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> indices(std::size_t(c.width) * c.height);
        for (std::size_t i = 0; i < indices.size(); ++i)
            indices[i] = std::uint8_t(c.noise ? random() % unsigned(c.colours) : (i / 5 + i / 640) % unsigned(c.colours));
        const QByteArray pixels = compressGifPixels(indices.data(), indices.size(), c.minCodeSize);
        // Sub-blocks of at most 255 bytes, ended by the empty block.
        qsizetype at = 0, payload = 0;
        while (at < pixels.size() && pixels[at] != 0) {
            payload += std::uint8_t(pixels[at]);
            at += 1 + std::uint8_t(pixels[at]);
        }
        EXPECT_EQ(at, pixels.size() - 1);
        // The size estimate counts exactly the bits written, and stops early past its limit.
        const std::size_t bits = gifCodedBits(indices.data(), indices.size(), c.minCodeSize);
        EXPECT_EQ(qsizetype((bits + 7) / 8), payload);
        EXPECT_LE(gifCodedBits(indices.data(), indices.size(), c.minCodeSize, bits / 2), bits / 2 + 12);
        EXPECT_EQ(decodeWithGiflib(gifAround(c.width, c.height, c.minCodeSize, pixels)), indices);
    }
}
