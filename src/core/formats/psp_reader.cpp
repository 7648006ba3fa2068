#include "core/formats/psp_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace pictoreel {

namespace {

using Bytes = HeaderBytes;

// A file starts with this signature, padded with zeros to 32 bytes, and its major and minor
// version. Paint Shop Pro 5 writes major version 3; its block headers carry one more length and
// its information chunks have fixed sizes instead of a length of their own.
const char* const kSignature = "Paint Shop Pro Image File\n\x1A";
constexpr std::size_t kFileHeaderSize = 36;
constexpr unsigned kFirstChunkedVersion = 4;

enum BlockId : unsigned {
    kImageAttributes = 0,
    kPalette = 2,
    kLayerBank = 3,
    kLayer = 4,
    kChannel = 5,
    kCompositeImage = 9,
    kCompositeBank = 16,
    kCompositeAttributes = 17,
    kJpegComposite = 18,
};

enum Compression : unsigned { kUncompressed = 0, kRunLength = 1, kDeflate = 2 };

// What a channel holds: its bitmap type says whose colour (channel type 0 the palette index, 1 to 3
// red, green and blue) or transparency mask it is; user masks, selections, alpha channels and
// thumbnails are not read.
enum BitmapType : unsigned { kLayerColour = 0, kLayerMask = 1, kCompositeColour = 8, kCompositeMask = 9 };

struct Block {
    unsigned id = 0;
    std::size_t data = 0;  // the first byte after the header
    std::size_t end = 0;
};

struct Rgba {
    std::uint8_t r, g, b, a;
};

// A bitmap painted on the picture: a layer or the composite image.
struct Bitmap {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    unsigned opacity = 255;
    unsigned depth = 24;
    unsigned compression = kUncompressed;
};

bool supportedDepth(unsigned depth) { return depth == 1 || depth == 4 || depth == 8 || depth == 24; }

std::int64_t signed32(std::uint32_t v) { return static_cast<std::int32_t>(v); }

// Paints `c` with `alpha` over the pixel at `d` (neither premultiplied).
void paintOver(std::uint8_t* d, Rgba c, unsigned alpha)
{
    if (alpha == 0)
        return;
    const unsigned below = d[3] * (255 - alpha);  // what shows through, times 255
    const unsigned total = alpha * 255 + below;
    const std::array<unsigned, 3> colour = {c.r, c.g, c.b};
    for (int k = 0; k < 3; ++k)
        d[k] = static_cast<std::uint8_t>((colour[k] * alpha * 255 + d[k] * below + total / 2) / total);
    d[3] = static_cast<std::uint8_t>((total + 127) / 255);
}

class PspReader {
public:
    explicit PspReader(const Bytes& b) : b_(b) {}

    Result<RgbaImage> read()
    {
        if (!b_.has(0, kFileHeaderSize) || !looksLikePsp(b_))
            return corrupt("the header is incomplete");
        chunked_ = b_.le16(32) >= kFirstChunkedVersion;
        // The attributes block comes first.
        std::size_t at = kFileHeaderSize;
        const std::optional<Block> first = next(at, b_.size);
        if (!error_ && (!first || first->id != kImageAttributes))
            fail("the picture's attributes are missing");
        if (!error_)
            readAttributes(*first);
        if (error_)
            return *error_;
        std::optional<Block> layers, composites;
        while (const std::optional<Block> block = next(at, b_.size)) {
            if (block->id == kPalette)
                palette_ = readPalette(*block);
            else if (block->id == kLayerBank)
                layers = block;
            else if (block->id == kCompositeBank && chunked_)
                composites = block;
        }
        if (error_)
            return *error_;
        if (Status s = checkPictureSize(width_, height_); !s)
            return s.error();
        RgbaImage picture(static_cast<int>(width_), static_cast<int>(height_));
        if (!(composites && paintComposite(picture, *composites)) && !error_) {
            if (!layers)
                return corrupt("it has no layers");
            std::size_t layerAt = layers->data;
            while (const std::optional<Block> layer = next(layerAt, layers->end))
                if (layer->id == kLayer)
                    paintLayer(picture, *layer);
        }
        if (error_)
            return *error_;
        return picture;
    }

private:
    // The block whose header is at `at`, which has to end by `end`; `at` moves past it. nullopt at
    // `end` and where no block starts: bytes after the last block are not read.
    std::optional<Block> next(std::size_t& at, std::size_t end)
    {
        const std::size_t headerSize = chunked_ ? 10 : 14;
        if (error_ || at >= end || end - at < headerSize || !b_.startsWith(at, "~BK") || b_.u8(at + 3) != 0)
            return std::nullopt;
        Block block{b_.le16(at + 4), at + headerSize, 0};
        const std::uint32_t length = b_.le32(at + headerSize - 4);
        if (length > end - block.data) {
            fail("a block reaches beyond its end");
            return std::nullopt;
        }
        block.end = block.data + length;
        at = block.end;
        return block;
    }

    // Where the information chunk at the start of `block` ends, when it has at least `needed`
    // bytes: its own length says so from Paint Shop Pro 6 on, before that it is `fixedSize` long.
    std::optional<std::size_t> chunkEnd(const Block& block, std::size_t fixedSize, std::size_t needed)
    {
        const std::uint64_t size = chunked_ ? b_.le32(block.data) : fixedSize;
        if (size < needed || size > block.end - block.data) {
            fail("an information chunk is broken");
            return std::nullopt;
        }
        return block.data + size;
    }

    void readAttributes(const Block& block)
    {
        const std::size_t at = block.data + (chunked_ ? 4 : 0);
        if (!chunkEnd(block, 38, at - block.data + 38))
            return;
        width_ = signed32(b_.le32(at));
        height_ = signed32(b_.le32(at + 4));
        compression_ = b_.le16(at + 17);
        depth_ = b_.le16(at + 19);
        if (compression_ > kDeflate || !supportedDepth(depth_))
            error_ = makeError(ErrorCode::UnsupportedFormat,
                               QStringLiteral("This kind of Paint Shop Pro picture is not supported."));
    }

    std::vector<Rgba> readPalette(const Block& block)
    {
        const std::optional<std::size_t> entries = chunkEnd(block, 4, chunked_ ? 8 : 4);
        const std::uint32_t count = b_.le32(block.data + (chunked_ ? 4 : 0));
        if (!entries || count > 256 || std::size_t{count} * 4 > block.end - *entries) {
            fail("the palette is broken");
            return {};
        }
        std::vector<Rgba> palette(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t e = *entries + i * 4;  // blue, green, red, unused
            palette[i] = {static_cast<std::uint8_t>(b_.u8(e + 2)), static_cast<std::uint8_t>(b_.u8(e + 1)),
                          static_cast<std::uint8_t>(b_.u8(e)), 255};
        }
        return palette;
    }

    // Paints the first full-size composite image of the bank. JPEG composites are left alone: the
    // layers hold the same picture without JPEG's losses. false when the bank has no composite
    // image to paint.
    bool paintComposite(RgbaImage& picture, const Block& bank)
    {
        std::optional<std::size_t> at = chunkEnd(bank, 0, 8);
        std::vector<Block> attributes;
        std::size_t images = 0;
        while (at) {
            const std::optional<Block> block = next(*at, bank.end);
            if (!block)
                break;
            if (block->id == kCompositeAttributes) {
                attributes.push_back(*block);
            } else if (block->id == kCompositeImage || block->id == kJpegComposite) {
                const std::size_t index = images++;
                if (index >= attributes.size() || block->id != kCompositeImage)
                    continue;
                const std::size_t a = attributes[index].data;  // after its chunk length
                const bool fullSize = attributes[index].end - a >= 24 && b_.le16(a + 22) == 0 &&
                                      signed32(b_.le32(a + 4)) == width_ && signed32(b_.le32(a + 8)) == height_;
                const Bitmap composite{0, 0, width_, height_, 255, b_.le16(a + 12), b_.le16(a + 14)};
                if (!fullSize || !supportedDepth(composite.depth) || composite.compression > kDeflate)
                    continue;
                const std::optional<std::size_t> channels = chunkEnd(*block, 0, 8);
                return channels && paint(picture, composite, *channels, block->end);
            }
        }
        return false;
    }

    void paintLayer(RgbaImage& picture, const Block& layer)
    {
        // The name: 256 bytes before Paint Shop Pro 6, later its length and its letters.
        const std::size_t fields = chunked_ ? layer.data + 6 + b_.le16(layer.data + 4) : layer.data + 256;
        const std::optional<std::size_t> infoEnd = chunkEnd(layer, 375, fields - layer.data + 36);
        if (!infoEnd)
            return;
        // Type, image rectangle, saved rectangle (the part stored), opacity, blend mode, flags.
        const unsigned type = b_.u8(fields);
        const Bitmap bitmap{signed32(b_.le32(fields + 17)), signed32(b_.le32(fields + 21)),
                            signed32(b_.le32(fields + 25)), signed32(b_.le32(fields + 29)), b_.u8(fields + 33),
                            depth_, compression_};
        const bool visible = b_.u8(fields + 35) & 1;
        // Later versions number their layer kinds: 1 raster, 2 floating selection; vector, group,
        // adjustment and mask layers carry no pixels of their own. Blend modes other than Normal
        // are painted as Normal.
        const bool raster = !chunked_ || type == 1 || type == 2;
        if (!raster || !visible || bitmap.right <= bitmap.left || bitmap.bottom <= bitmap.top)
            return;
        std::size_t at = *infoEnd;
        if (chunked_) {
            // The layer bitmap chunk (its length, bitmap and channel counts) before the channels.
            const std::uint32_t size = b_.le32(at);
            if (size < 8 || size > layer.end - at)
                return fail("a layer's bitmap chunk is broken");
            at += size;
        }
        paint(picture, bitmap, at, layer.end);
    }

    // Paints the bitmap whose channels (and palette) are the blocks of [from, end); false when it
    // has no colour channels.
    bool paint(RgbaImage& picture, const Bitmap& bitmap, std::size_t from, std::size_t end)
    {
        const std::int64_t width = bitmap.right - bitmap.left, height = bitmap.bottom - bitmap.top;
        if (width <= 0 || height <= 0)
            return false;
        if (Status s = checkPictureLimits(width, height); !s) {
            error_ = s.error();
            return false;
        }
        const auto w = static_cast<int>(width), h = static_cast<int>(height);
        std::vector<Rgba> palette = palette_;
        std::array<std::vector<std::uint8_t>, 4> colour;  // palette index, red, green, blue
        std::vector<std::uint8_t> mask;
        while (const std::optional<Block> block = next(from, end)) {
            if (block->id == kPalette) {
                palette = readPalette(*block);
                continue;
            }
            if (block->id != kChannel)
                continue;
            const std::optional<std::size_t> data = chunkEnd(*block, 12, chunked_ ? 16 : 12);
            if (!data)
                return false;
            const std::size_t info = block->data + (chunked_ ? 4 : 0);
            const std::uint32_t length = b_.le32(info);
            const unsigned bitmapType = b_.le16(info + 8), channelType = b_.le16(info + 10);
            if (length > block->end - *data) {
                fail("a channel reaches beyond its block");
                return false;
            }
            if ((bitmapType == kLayerColour || bitmapType == kCompositeColour) && channelType < colour.size())
                colour[channelType] = channel(*data, length, w, h, bitmap.depth == 24 ? 8 : bitmap.depth, bitmap.compression);
            else if (bitmapType == kLayerMask || bitmapType == kCompositeMask)
                mask = channel(*data, length, w, h, 8, bitmap.compression);
        }
        const bool rgb = bitmap.depth == 24;
        if (error_ || (rgb ? colour[1].empty() || colour[2].empty() || colour[3].empty() : colour[0].empty()))
            return false;
        const std::int64_t x0 = std::max<std::int64_t>(bitmap.left, 0), x1 = std::min<std::int64_t>(bitmap.right, picture.width);
        const std::int64_t y0 = std::max<std::int64_t>(bitmap.top, 0), y1 = std::min<std::int64_t>(bitmap.bottom, picture.height);
        for (std::int64_t y = y0; y < y1; ++y) {
            for (std::int64_t x = x0; x < x1; ++x) {
                const std::size_t i = std::size_t(y - bitmap.top) * w + std::size_t(x - bitmap.left);
                const Rgba c = rgb ? Rgba{colour[1][i], colour[2][i], colour[3][i], 255} : paletteColour(palette, colour[0][i], bitmap.depth);
                const unsigned alpha = mask.empty() ? 255 : mask[i];
                paintOver(picture.pixel(int(x), int(y)), c, (alpha * bitmap.opacity + 127) / 255);
            }
        }
        return true;
    }

    // A palette picture without palette is a grey one.
    static Rgba paletteColour(const std::vector<Rgba>& palette, unsigned index, unsigned depth)
    {
        if (!palette.empty())
            return index < palette.size() ? palette[index] : Rgba{0, 0, 0, 255};
        const auto v = static_cast<std::uint8_t>(index * 255 / ((1u << depth) - 1));
        return {v, v, v, 255};
    }

    // One byte a pixel from the channel stored at [at, at + length) with `bits` a pixel: rows
    // padded to four bytes when stored plain, packed when compressed. Empty when it is damaged.
    std::vector<std::uint8_t> channel(std::size_t at, std::size_t length, int width, int height, unsigned bits,
                                      unsigned compression)
    {
        const std::size_t rowBytes = (std::size_t(width) * bits + 7) / 8, padded = (rowBytes + 3) & ~std::size_t{3};
        std::vector<std::uint8_t> stored(padded * height);
        std::size_t filled = 0;
        if (compression == kUncompressed) {
            filled = std::min(length, stored.size());
            std::memcpy(stored.data(), b_.data + at, filled);
        } else if (compression == kRunLength) {
            // A count above 128 repeats the next byte count - 128 times; others are that many bytes.
            for (std::size_t in = at, end = at + length; in < end && filled < stored.size();) {
                const unsigned count = b_.u8(in++);
                const std::size_t n = std::min<std::size_t>(count > 128 ? count - 128 : count, stored.size() - filled);
                if (end - in < (count > 128 ? 1 : count))
                    break;
                if (count > 128)
                    std::memset(stored.data() + filled, b_.data[in++], n);
                else
                    std::memcpy(stored.data() + filled, b_.data + std::exchange(in, in + count), n);
                filled += n;
            }
        } else {
            filled = inflated(at, length, stored);
        }
        if (filled < rowBytes * height) {
            fail("a channel ends early");
            return {};
        }
        const std::size_t stride = filled >= padded * height ? padded : rowBytes;
        std::vector<std::uint8_t> pixels(std::size_t(width) * height);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = stored.data() + y * stride;
            std::uint8_t* out = pixels.data() + std::size_t(y) * width;
            for (int x = 0; x < width; ++x)
                out[x] = bits == 8   ? row[x]
                         : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F
                                     : (row[x / 8] >> (7 - x % 8)) & 1;
        }
        return pixels;
    }

    // Inflates the zlib stream at [at, at + length) into `out`, at most its size; how many bytes
    // came out, 0 for a broken stream.
    std::size_t inflated(std::size_t at, std::size_t length, std::vector<std::uint8_t>& out)
    {
        z_stream z{};
        if (inflateInit(&z) != Z_OK)
            return 0;
        z.next_in = const_cast<Bytef*>(b_.data + at);
        z.avail_in = static_cast<uInt>(std::min<std::size_t>(length, UINT32_MAX));
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int status = inflate(&z, Z_FINISH);
        const std::size_t produced = z.total_out;
        inflateEnd(&z);
        return status == Z_STREAM_END || status == Z_BUF_ERROR ? produced : 0;
    }

    void fail(const char* what)
    {
        if (!error_)
            error_ = corrupt(what);
    }

    static Error corrupt(const char* what)
    {
        return makeError(ErrorCode::CorruptData,
                         QStringLiteral("The picture is damaged or unreadable: Paint Shop Pro file, %1.").arg(QLatin1String(what)));
    }

    Bytes b_;
    bool chunked_ = true;
    std::int64_t width_ = 0, height_ = 0;
    unsigned compression_ = 0, depth_ = 24;
    std::vector<Rgba> palette_;
    std::optional<Error> error_;
};

}  // namespace

bool looksLikePsp(const HeaderBytes& bytes) { return bytes.startsWith(0, kSignature); }

std::optional<PictureSize> pspSize(const HeaderBytes& b)
{
    // The attributes block comes first; its width and height are at 50 in every version (the
    // older block header is as much longer as the newer chunk's length).
    if (!looksLikePsp(b) || !b.startsWith(kFileHeaderSize, "~BK") || b.le16(kFileHeaderSize + 4) != kImageAttributes ||
        !b.has(50, 8))
        return std::nullopt;
    return PictureSize{static_cast<int>(signed32(b.le32(50))), static_cast<int>(signed32(b.le32(54)))};
}

Result<RgbaImage> decodePsp(const QByteArray& bytes)
{
    return PspReader(Bytes{reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())})
        .read();
}

}  // namespace pictoreel
