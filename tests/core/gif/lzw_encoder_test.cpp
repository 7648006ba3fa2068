// Our LZW encoder against the decoders that open our GIFs (giflib, which most programs trust and
// our reader uses, ImageMagick's own, and ours for cached frames), and its size estimate against
// what it writes; our decoder against giflib's encoder, and on damaged data.
#include "core/gif/lzw_encoder.h"

#include "core/gif/lzw_decoder.h"

#include "core/gif/gif_reader.h"

#include <Magick++.h>
#include <gif_lib.h>

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <random>
#include <vector>

using namespace pictoreel;

namespace {

// A minimal GIF around the compressed pixels, with a grey colour table whose red is the index.
QByteArray gifAround(int width, int height, int minCodeSize, const QByteArray& pixels)
{
    QByteArray gif("GIF89a");
    auto word = [&](int v) { gif.append(char(v & 0xFF)).append(char(v >> 8)); };
    word(width), word(height);
    gif.append(char(0x80 | (minCodeSize - 1))).append(char(0)).append(char(0));
    for (int i = 0; i < (1 << minCodeSize); ++i)
        gif.append(3, char(i));
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

// The red of every pixel, as our reader and ImageMagick decode the GIF.
std::vector<std::uint8_t> redsWithOurReader(const QByteArray& gifBytes)
{
    Result<DecodedGif> gif = decodeGifMemory(gifBytes);
    std::vector<std::uint8_t> out;
    if (gif.ok() && gif.value().frames.size() == 1)
        for (std::size_t i = 0; i < gif.value().frames[0].image.pixels.size(); i += 4)
            out.push_back(gif.value().frames[0].image.pixels[i]);
    return out;
}

std::vector<std::uint8_t> redsWithImageMagick(const QByteArray& gifBytes, int width, int height)
{
    Magick::Image image;
    image.read(Magick::Blob(gifBytes.constData(), std::size_t(gifBytes.size())));
    std::vector<std::uint8_t> out(std::size_t(width) * height);
    image.write(0, 0, std::size_t(width), std::size_t(height), "R", Magick::CharPixel, out.data());
    return out;
}

}  // namespace

TEST(LzwEncoder, DecodersGetExactlyWhatWasEncoded)
{
    enum Picture { Runs, Noise, Gradient, RepeatedNoise, RepeatedThenNoise, NoiseThenRun };
    struct Case {
        const char* name;
        int width, height, minCodeSize, colours;
        Picture picture;
    };
    // Noise fills the string table again and again; repeated noise pays for keeping a full table,
    // until it gives way to new noise halfway down. Noise without index 0 leaves a full table that
    // codes a run of 0 a pixel a code, while a fresh table's last run string reaches past the
    // pixels it tries.
    const Case cases[] = {
        {"one pixel", 1, 1, 2, 1, Runs},
        {"two colours, runs", 97, 31, 2, 2, Runs},
        {"16 colours, noise", 300, 200, 4, 16, Noise},
        {"256 colours, noise", 640, 480, 8, 256, Noise},
        {"256 colours, gradients", 640, 480, 8, 256, Gradient},
        {"7 colours in a 3-bit table, noise", 129, 77, 3, 7, Noise},
        {"256 colours, long runs", 800, 600, 8, 256, Runs},
        {"one colour: one run of three million pixels", 3000, 1000, 2, 1, Runs},
        {"256 colours, repeated noise", 512, 512, 8, 256, RepeatedNoise},
        {"4 colours, repeated noise then noise", 700, 500, 2, 4, RepeatedThenNoise},
        {"256 colours, repeated noise then noise", 640, 480, 8, 256, RepeatedThenNoise},
        {"256 colours, noise without 0 then a run of 0", 640, 480, 8, 256, NoiseThenRun},
    };
    std::mt19937 random(7);
    std::vector<std::uint8_t> tile(16 * 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::uint8_t& t : tile)
            t = std::uint8_t(random() % unsigned(c.colours));
        std::vector<std::uint8_t> indices(std::size_t(c.width) * c.height);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            const std::size_t x = i % std::size_t(c.width), y = i / std::size_t(c.width);
            const bool repeats = c.picture == RepeatedNoise || (c.picture == RepeatedThenNoise && 2 * y < std::size_t(c.height));
            if (c.picture == Runs)
                indices[i] = std::uint8_t((i / 37 + y) % unsigned(c.colours));
            else if (c.picture == Gradient)
                indices[i] = std::uint8_t((i / 5 + i / 640) % unsigned(c.colours));
            else if (c.picture == NoiseThenRun)
                indices[i] = 5 * y < 2 * std::size_t(c.height) ? std::uint8_t(1 + random() % unsigned(c.colours - 1)) : 0;
            else
                indices[i] = repeats ? tile[y % 16 * 16 + x % 16] : std::uint8_t(random() % unsigned(c.colours));
        }
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
        const QByteArray gif = gifAround(c.width, c.height, c.minCodeSize, pixels);
        EXPECT_EQ(decodeWithGiflib(gif), indices);
        EXPECT_EQ(redsWithOurReader(gif), indices);
        EXPECT_EQ(redsWithImageMagick(gif, c.width, c.height), indices);
        std::vector<std::uint8_t> ours(indices.size());
        EXPECT_TRUE(decodeGifPixels({c.minCodeSize, pixels}, ours.data(), ours.size()));
        EXPECT_EQ(ours, indices);
    }
}

namespace {

// The image data giflib's encoder writes for `indices` (it empties a full table at once).
GifCompressedPixels encodeWithGiflib(std::vector<std::uint8_t> indices, int width, int minCodeSize)
{
    QByteArray written;
    const OutputFunc write = [](GifFileType* gif, const GifByteType* data, int length) {
        static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
        return length;
    };
    int error = 0;
    GifFileType* gif = EGifOpen(&written, write, &error);
    ColorMapObject* map = GifMakeMapObject(1 << minCodeSize, nullptr);
    const int height = int(indices.size()) / width;
    EXPECT_TRUE(gif && map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
                EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK &&
                EGifPutLine(gif, indices.data(), int(indices.size())) == GIF_OK);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    // The image data starts after the header, screen, colour table and image descriptor.
    const qsizetype start = 13 + 3 * (qsizetype(1) << minCodeSize) + 10;
    return {int(std::uint8_t(written[start])), written.mid(start + 1, written.size() - start - 2)};
}

}  // namespace

TEST(LzwDecoder, ReadsGiflibsCodesAndRefusesDamagedOnes)
{
    std::mt19937 random(11);
    for (int minCodeSize : {2, 5, 8}) {
        std::vector<std::uint8_t> indices(300 * 200);
        for (std::size_t i = 0; i < indices.size(); ++i)  // noise, then runs
            indices[i] = std::uint8_t(i < indices.size() / 2 ? random() % (1u << minCodeSize) : i / 41 % (1u << minCodeSize));
        const GifCompressedPixels pixels = encodeWithGiflib(indices, 300, minCodeSize);
        ASSERT_EQ(pixels.minCodeSize, std::max(minCodeSize, 2));
        std::vector<std::uint8_t> ours(indices.size());
        EXPECT_TRUE(decodeGifPixels(pixels, ours.data(), ours.size())) << minCodeSize;
        EXPECT_EQ(ours, indices) << minCodeSize;
        // Fewer pixels than asked for, or data cut off before its end block.
        std::vector<std::uint8_t> more(indices.size() + 1);
        EXPECT_FALSE(decodeGifPixels(pixels, more.data(), more.size()));
        EXPECT_FALSE(decodeGifPixels({pixels.minCodeSize, pixels.subBlocks.left(pixels.subBlocks.size() - 1)}, ours.data(), ours.size()));
    }
    // Three-bit codes, first bit first: clear (4), index 1, then 6, the code not yet in the table
    // (it becomes "11" as it is read); 7 where 6 is the next free code is damage.
    std::vector<std::uint8_t> out(4);
    const GifCompressedPixels known{2, QByteArray("\x02\x8C\x01\x00", 4)};
    EXPECT_TRUE(decodeGifPixels(known, out.data(), 3));
    EXPECT_EQ(out, std::vector<std::uint8_t>({1, 1, 1, 0}));
    const GifCompressedPixels beyond{2, QByteArray("\x02\xCC\x01\x00", 4)};
    EXPECT_FALSE(decodeGifPixels(beyond, out.data(), 3));
    EXPECT_FALSE(decodeGifPixels({9, known.subBlocks}, out.data(), 3));
}
