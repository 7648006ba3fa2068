#include "core/media/animation_assembler.h"

#include "core/media/gif_reader.h"
#include "core/media/gif_writer.h"
#include "core/media/giflib_adapter.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>
#include <utility>

namespace pictoreel {

namespace {

constexpr int kMaxGifValue = 65535;

// A screen pixel: 0 is transparent, anything else an opaque colour 0xFFBBGGRR. Pictures are
// compared through this form, so two transparent pixels are equal whatever colour they carry.
using Pixel = std::uint32_t;
constexpr Pixel kTransparent = 0;

Pixel packPixel(const std::uint8_t* rgba)
{
    if (rgba[3] == 0)
        return kTransparent;
    return 0xFF000000u | (Pixel{rgba[2]} << 16) | (Pixel{rgba[1]} << 8) | Pixel{rgba[0]};
}

Rgb unpackPixel(Pixel p)
{
    return Rgb{static_cast<std::uint8_t>(p & 0xFF), static_cast<std::uint8_t>((p >> 8) & 0xFF),
               static_cast<std::uint8_t>((p >> 16) & 0xFF)};
}

// A whole screen of pixels, rows top to bottom.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    // When the picture's file stores exactly these pixels as one image covering the whole screen:
    // that image as stored, so it can be copied without compressing it again.
    std::shared_ptr<const GifStoredImage> stored;
    // False while `pixels` is not filled yet: the picture is still the file's bytes, decoded only
    // when a pixel is needed (a photo copied whole after a picture with none of its colours never is).
    bool decoded = true;
    QByteArray bytes;
    int position = 0;
    QString path;

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, kTransparent) {}
    Pixel at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    Pixel* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
    const Pixel* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

// Half-open rectangle [left, right) x [top, bottom).
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    Rect united(const Rect& other) const
    {
        if (empty())
            return other;
        if (other.empty())
            return *this;
        return Rect{std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                    std::max(bottom, other.bottom)};
    }
};

// Bounding box of the pixels for which `test(a, b)` holds, comparing two pictures of one size.
template <class Test>
Rect boundingBox(const Picture& a, const Picture& b, Test test)
{
    Rect box{a.width, a.height, 0, 0};
    for (int y = 0; y < a.height; ++y) {
        const Pixel* ra = a.row(y);
        const Pixel* rb = b.row(y);
        int first = -1, last = -1;
        for (int x = 0; x < a.width; ++x)
            if (test(ra[x], rb[x])) {
                first = x;
                break;
            }
        if (first < 0)
            continue;
        for (int x = a.width - 1; x >= first; --x)
            if (test(ra[x], rb[x])) {
                last = x;
                break;
            }
        box.left = std::min(box.left, first);
        box.right = std::max(box.right, last + 1);
        box.top = std::min(box.top, y);
        box.bottom = y + 1;
    }
    return box.empty() ? Rect{} : box;
}

// Unchanged pixels count towards a cheaper encoding only in runs of at least this many: scattered
// ones (a photo's colours matching by chance) cost as much left transparent as drawn.
constexpr int kKeptRun = 16;

// Bounding box of the pixels that differ between two pictures of one size, and how many pixels
// stay as they are in runs of kKeptRun or more along a row.
Rect changedBox(const Picture& a, const Picture& b, std::size_t& keptInRuns)
{
    Rect box{a.width, a.height, 0, 0};
    keptInRuns = 0;
    auto keep = [&](int run) { keptInRuns += run >= kKeptRun ? static_cast<std::size_t>(run) : 0; };
    const std::size_t rowBytes = static_cast<std::size_t>(a.width) * sizeof(Pixel);
    for (int y = 0; y < a.height; ++y) {
        const Pixel* ra = a.row(y);
        const Pixel* rb = b.row(y);
        if (std::memcmp(ra, rb, rowBytes) == 0) {
            keep(a.width);
            continue;
        }
        int first = 0;
        while (ra[first] == rb[first])
            ++first;
        int last = a.width - 1;
        while (ra[last] == rb[last])
            --last;
        keep(first);
        keep(a.width - 1 - last);
        int run = 0;
        for (int x = first; x <= last; ++x) {
            if (ra[x] != rb[x]) {
                keep(run);
                run = 0;
            } else {
                ++run;
            }
        }
        box.left = std::min(box.left, first);
        box.right = std::max(box.right, last + 1);
        box.top = std::min(box.top, y);
        box.bottom = y + 1;
    }
    return box.empty() ? Rect{} : box;
}

Error frameError(const Error& cause, int position, const QString& path)
{
    return makeError(cause.code, QStringLiteral("Frame %1 (%2) cannot be used: %3").arg(position).arg(path, cause.message));
}

// Screen pixel of every index of a stored image: transparent, its colour, or opaque black
// beyond the palette (as the GIF reader shows it).
std::array<Pixel, 256> pixelsOfIndices(const std::vector<Rgb>& palette, int transparentIndex)
{
    std::array<Pixel, 256> lut{};
    for (std::size_t i = 0; i < lut.size(); ++i) {
        const Rgb c = i < palette.size() ? palette[i] : Rgb{};
        lut[i] = 0xFF000000u | (Pixel{c.b} << 16) | (Pixel{c.g} << 8) | Pixel{c.r};
    }
    if (transparentIndex >= 0 && transparentIndex < 256)
        lut[std::size_t(transparentIndex)] = kTransparent;
    return lut;
}

// `picture` made width x height, reusing its buffer; every pixel transparent when `clear`.
void resetPicture(Picture& picture, int width, int height, bool clear)
{
    const std::size_t count = static_cast<std::size_t>(width) * height;
    picture.width = width;
    picture.height = height;
    picture.stored.reset();
    if (picture.pixels.size() != count || clear)
        picture.pixels.assign(count, kTransparent);
}

// The common case of a frame file: one image at the top left corner covering the file's screen
// exactly, not interlaced. Such a file shows just that image, so it is decoded straight into
// the picture. False when the file is not of that kind or cannot be decoded this way (the
// general decoder then deals with it).
bool decodeWholeImage(const QByteArray& bytes, const GifStoredImage& stored, int& width, int& height, Picture& picture)
{
    const GifDecodeLimits limits;
    const int screenWidth = static_cast<std::uint8_t>(bytes[6]) | (static_cast<std::uint8_t>(bytes[7]) << 8);
    const int screenHeight = static_cast<std::uint8_t>(bytes[8]) | (static_cast<std::uint8_t>(bytes[9]) << 8);
    if (stored.left != 0 || stored.top != 0 || stored.interlaced || stored.width != screenWidth ||
        stored.height != screenHeight || stored.width < 1 || stored.height < 1 || stored.width > limits.maxScreenSide ||
        stored.height > limits.maxScreenSide || std::int64_t{stored.width} * stored.height > limits.maxScreenPixels)
        return false;

    giflib::MemorySource source(bytes);
    auto reader = giflib::GifBlockReader::open(source);
    if (!reader)
        return false;
    for (;;) {
        Result<giflib::GifRecord> record = reader.value()->readRecordType();
        if (!record || record.value() == giflib::GifRecord::Trailer)
            return false;
        if (record.value() == giflib::GifRecord::Image)
            break;
        if (!reader.value()->readExtension())
            return false;
    }
    if (!reader.value()->readImageHeader())
        return false;

    if (width == 0) {
        width = stored.width;
        height = stored.height;
    }
    const bool covers = stored.width >= width && stored.height >= height;
    resetPicture(picture, width, height, !covers);
    const std::array<Pixel, 256> lut = pixelsOfIndices(stored.palette, stored.transparentIndex);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(stored.width));
    const int w = std::min(width, stored.width);
    const int h = std::min(height, stored.height);
    for (int y = 0; y < h; ++y) {
        if (!reader.value()->readPixelRow(row.data(), stored.width))
            return false;
        Pixel* out = picture.row(y);
        for (int x = 0; x < w; ++x)
            out[x] = lut[row[std::size_t(x)]];
    }
    // Rows below the screen are not shown, but a damaged file must still be refused.
    for (int y = h; y < stored.height; ++y)
        if (!reader.value()->readPixelRow(row.data(), stored.width))
            return false;
    return true;
}

// Decodes a frame file's bytes into `picture`, placed at the top left corner of a width x height
// screen (a width of 0 takes the file's screen size). `stored` is the file's first image as
// stored, when found; the result tells whether the picture shows exactly that image, whole.
Result<bool> decodeFrame(const QByteArray& bytes, const GifStoredImage* stored, int& width, int& height, Picture& picture,
                         int position, const QString& path)
{
    if (stored && decodeWholeImage(bytes, *stored, width, height, picture))
        return true;
    auto decoder = GifDecoder::openMemory(bytes);
    if (!decoder)
        return frameError(decoder.error(), position, path);
    std::optional<GifFrame> frame = decoder.value().nextFrame();
    if (!frame)
        return frameError(makeError(ErrorCode::EmptyImage, QStringLiteral("the file holds no image")), position, path);
    if (!frame->complete)
        return frameError(makeError(ErrorCode::CorruptData, QStringLiteral("the image data is cut short or damaged")),
                          position, path);
    const RgbaImage& image = frame->image;
    if (width == 0) {
        width = image.width;
        height = image.height;
    }
    resetPicture(picture, width, height, true);
    const int w = std::min(width, image.width);
    const int h = std::min(height, image.height);
    for (int y = 0; y < h; ++y) {
        Pixel* out = picture.row(y);
        const std::uint8_t* in = image.pixel(0, y);
        for (int x = 0; x < w; ++x, in += 4)
            out[x] = packPixel(in);
    }
    // The general decoder drew the stored image whole only when it is where the fast path
    // would have taken it; anything else is not copied.
    const GifFrame& f = *frame;
    return stored && f.index == 0 && f.left == stored->left && f.top == stored->top && f.width == stored->width &&
           f.height == stored->height && !f.interlaced && f.transparentIndex == stored->transparentIndex &&
           image.width >= width && image.height >= height;
}

// Whether `s` can be copied as the whole picture of a width x height screen.
bool copiable(const GifStoredImage& s, int width, int height)
{
    const int codeSize = s.pixels.minCodeSize;
    return s.left == 0 && s.top == 0 && s.width == width && s.height == height && !s.interlaced && codeSize >= 2 &&
           codeSize <= 8 && !s.palette.empty() && s.palette.size() <= 256 &&
           s.transparentIndex < std::max(static_cast<int>(s.palette.size()), 1 << codeSize);
}

// Fills in the pixels of a picture read without decoding.
Status ensureDecoded(Picture& picture)
{
    if (picture.decoded)
        return {};
    const std::shared_ptr<const GifStoredImage> stored = picture.stored;
    int width = picture.width, height = picture.height;
    Result<bool> shown = decodeFrame(picture.bytes, stored.get(), width, height, picture, picture.position, picture.path);
    if (!shown)
        return shown.error();
    picture.stored = shown.value() ? stored : nullptr;
    picture.decoded = true;
    picture.bytes.clear();
    return {};
}

// A frame file's first image as a viewer shows it on that file's screen, placed at the top left
// corner of a width x height screen: clipped, or padded with transparency. A width of 0 takes the
// file's screen size. `reuse` lends its buffer. The picture keeps the image as stored when that
// image alone makes every pixel of the screen. An opaque image stored that way is not decoded
// here: ensureDecoded does that when its pixels are needed.
Result<Picture> readFramePicture(const QString& path, int position, int width, int height, Picture reuse)
{
    // The file is read once; the decoders and the block walk share its bytes.
    QFile file(path);
    if (!file.exists())
        return frameError(makeError(ErrorCode::FileNotFound, QStringLiteral("File not found: %1").arg(path)), position, path);
    if (!file.open(QIODevice::ReadOnly))
        return frameError(makeError(ErrorCode::FileReadFailed, QStringLiteral("Cannot open %1: %2").arg(path, file.errorString())),
                          position, path);
    const QByteArray bytes = file.readAll();
    file.close();
    std::optional<GifStoredImage> stored = findFirstStoredImage(bytes);

    Picture picture = std::move(reuse);
    if (stored && stored->transparentIndex < 0) {
        const GifDecodeLimits limits;
        const int screenWidth = static_cast<std::uint8_t>(bytes[6]) | (static_cast<std::uint8_t>(bytes[7]) << 8);
        const int screenHeight = static_cast<std::uint8_t>(bytes[8]) | (static_cast<std::uint8_t>(bytes[9]) << 8);
        const int w = width == 0 ? stored->width : width;
        const int h = width == 0 ? stored->height : height;
        if (stored->width == screenWidth && stored->height == screenHeight && stored->width <= limits.maxScreenSide &&
            stored->height <= limits.maxScreenSide &&
            std::int64_t{stored->width} * stored->height <= limits.maxScreenPixels && copiable(*stored, w, h)) {
            picture.width = w;
            picture.height = h;
            picture.stored = std::make_shared<const GifStoredImage>(std::move(*stored));
            picture.decoded = false;
            picture.bytes = bytes;
            picture.position = position;
            picture.path = path;
            return picture;
        }
    }
    Result<bool> shown = decodeFrame(bytes, stored ? &*stored : nullptr, width, height, picture, position, path);
    if (!shown)
        return shown.error();
    picture.decoded = true;
    picture.bytes.clear();
    if (stored && shown.value() && copiable(*stored, width, height))
        picture.stored = std::make_shared<const GifStoredImage>(std::move(*stored));
    return picture;
}

// Number of bits the GIF LZW coder produces for `data`; ranks candidate encodings of one frame.
// Counting stops once it passes `limit`: such a candidate has lost already.
std::size_t lzwCodedBits(const std::vector<std::uint8_t>& data, int minCodeSize,
                         std::size_t limit = std::numeric_limits<std::size_t>::max())
{
    if (data.empty())
        return 0;
    constexpr int kTableBits = 13;
    constexpr std::uint32_t kTableMask = (1u << kTableBits) - 1;
    // A slot is in use when its stamp is the current generation, so starting the table again is
    // one increment instead of clearing it.
    struct Table {
        std::array<std::uint32_t, std::size_t{1} << kTableBits> keys{};
        std::array<std::uint32_t, std::size_t{1} << kTableBits> stamps{};
        std::array<std::uint16_t, std::size_t{1} << kTableBits> codes{};
        std::uint32_t generation = 0;
    };
    thread_local Table table;
    auto restart = [&] {
        if (++table.generation == 0) {
            table.stamps.fill(0);
            table.generation = 1;
        }
    };
    restart();

    const int clearCode = 1 << minCodeSize;
    int width = minCodeSize + 1;
    int nextCode = clearCode + 2;
    std::size_t bits = static_cast<std::size_t>(width);  // the leading clear code
    std::uint32_t prefix = data[0];
    const std::size_t size = data.size();
    for (std::size_t i = 1; i < size; ++i) {
        const std::uint32_t key = (prefix << 8) | data[i];
        std::uint32_t slot = (key * 2654435761u) >> (32 - kTableBits);
        bool found = false;
        while (table.stamps[slot] == table.generation) {
            if (table.keys[slot] == key) {
                found = true;
                break;
            }
            slot = (slot + 1) & kTableMask;
        }
        if (found) {
            prefix = table.codes[slot];
            continue;
        }
        bits += static_cast<std::size_t>(width);
        if (bits > limit)
            return bits;
        if (nextCode < 4096) {
            table.stamps[slot] = table.generation;
            table.keys[slot] = key;
            table.codes[slot] = static_cast<std::uint16_t>(nextCode);
            if (nextCode == (1 << width) && width < 12)
                ++width;
            ++nextCode;
        } else {
            bits += static_cast<std::size_t>(width);  // clear code, table starts again
            restart();
            width = minCodeSize + 1;
            nextCode = clearCode + 2;
        }
        prefix = data[i];
    }
    return bits + 2 * static_cast<std::size_t>(width);  // last prefix and end code
}

int tableSizeFor(int count)
{
    int size = 2;
    while (size < count)
        size *= 2;
    return size;
}

int minCodeSizeFor(int paletteSize)
{
    int bits = 2;
    while ((1 << bits) < paletteSize)
        ++bits;
    return bits;
}

// Colour -> palette index for up to 256 opaque colours: open addressing in a table four times
// that size, so a look-up is a multiply and (almost always) one probe.
class ColourIndex {
public:
    static constexpr int kNone = -1;

    int find(Pixel colour) const
    {
        for (std::uint32_t slot = hash(colour);; slot = (slot + 1) & kMask) {
            if (keys_[slot] == colour)
                return values_[slot];
            if (keys_[slot] == kTransparent)
                return kNone;
        }
    }
    // Adds `colour` (opaque, not yet present) with `index`.
    void insert(Pixel colour, std::uint8_t index)
    {
        std::uint32_t slot = hash(colour);
        while (keys_[slot] != kTransparent)
            slot = (slot + 1) & kMask;
        keys_[slot] = colour;
        values_[slot] = index;
    }

private:
    static constexpr int kBits = 10;
    static constexpr std::uint32_t kMask = (1u << kBits) - 1;
    static std::uint32_t hash(Pixel colour) { return (colour * 2654435761u) >> (32 - kBits); }
    std::array<Pixel, 1u << kBits> keys_{};  // kTransparent marks a free slot
    std::array<std::uint8_t, 1u << kBits> values_{};
};

// Colours of one stored rectangle and their palette indices.
class PaletteBuilder {
public:
    // False once more than `limit` colours were seen.
    bool add(Pixel colour, std::size_t limit)
    {
        if (colour == last_)
            return true;
        if (index_.find(colour) == ColourIndex::kNone) {
            if (colours_.size() >= limit)
                return false;
            index_.insert(colour, static_cast<std::uint8_t>(colours_.size()));
            colours_.push_back(colour);
        }
        last_ = colour;
        return true;
    }
    std::size_t size() const { return colours_.size(); }
    // The colour's index, or ColourIndex::kNone.
    int find(Pixel colour) const { return index_.find(colour); }
    std::uint8_t indexOf(Pixel colour)
    {
        if (colour != lastLookup_) {
            lastLookup_ = colour;
            lastIndex_ = static_cast<std::uint8_t>(index_.find(colour));
        }
        return lastIndex_;
    }
    std::vector<Rgb> palette() const
    {
        std::vector<Rgb> result;
        result.reserve(colours_.size() + 1);
        for (Pixel p : colours_)
            result.push_back(unpackPixel(p));
        return result;
    }

private:
    ColourIndex index_;
    std::vector<Pixel> colours_;
    Pixel last_ = kTransparent;  // transparent is never added, so it is a safe "none"
    Pixel lastLookup_ = kTransparent;
    std::uint8_t lastIndex_ = 0;
};

// Bytes the image data of `indices` takes: the coded bits, with the sub-blocks' length bytes.
std::size_t estimatedDataBytes(const std::vector<std::uint8_t>& indices, int minCodeSize,
                               std::size_t limitBytes = std::numeric_limits<std::size_t>::max() / 16)
{
    const std::size_t bytes = (lzwCodedBits(indices, minCodeSize, limitBytes * 8) + 7) / 8;
    return 1 + bytes + bytes / 255 + 2;
}

// One way of storing a frame's rectangle, and what it is expected to cost in the file.
struct Candidate {
    IndexedImage image;
    bool useGlobalPalette = false;
    std::shared_ptr<const GifStoredImage> copied;  // set: the stored image is copied as it is
    std::size_t estimatedBytes = 0;
};

// `limitBytes`: the best candidate so far; counting stops once this one is larger.
Candidate makeCandidate(std::vector<std::uint8_t> indices, std::vector<Rgb> palette, int transparentIndex,
                        const Rect& rect, std::size_t limitBytes = std::numeric_limits<std::size_t>::max() / 16)
{
    Candidate c;
    c.image.width = rect.width();
    c.image.height = rect.height();
    c.image.palette = std::move(palette);
    c.image.transparentIndex = transparentIndex;
    const int paletteSize = static_cast<int>(c.image.palette.size());
    const std::size_t tableBytes = 3 * std::size_t(tableSizeFor(paletteSize));
    c.estimatedBytes = estimatedDataBytes(indices, minCodeSizeFor(paletteSize),
                                          limitBytes > tableBytes ? limitBytes - tableBytes : 0) + tableBytes;
    c.image.indices = std::move(indices);
    return c;
}

// The global colour table: the first picture's stored table, which later frames use instead of a
// table of their own wherever their colours are all in it.
class GlobalPalette {
public:
    explicit GlobalPalette(std::vector<Rgb> palette) : palette_(std::move(palette))
    {
        tableSize_ = tableSizeFor(static_cast<int>(palette_.size()));
        // The table as written: padded with black. The first of equal colours is the one used.
        for (int i = 0; i < tableSize_; ++i) {
            const Rgb c = i < static_cast<int>(palette_.size()) ? palette_[std::size_t(i)] : Rgb{};
            const Pixel p = 0xFF000000u | (Pixel{c.b} << 16) | (Pixel{c.g} << 8) | Pixel{c.r};
            if (index_.find(p) == ColourIndex::kNone)
                index_.insert(p, static_cast<std::uint8_t>(i));
        }
    }
    const std::vector<Rgb>& palette() const { return palette_; }

    // `local` with its indices into the global table, when every colour it uses is there.
    // `limitBytes`: counting stops once the remapped image codes larger than this.
    std::optional<Candidate> remap(const Candidate& local, std::size_t limitBytes) const
    {
        const IndexedImage& image = local.image;
        std::array<std::uint8_t, 256> toGlobal{};
        std::array<bool, 256> taken{};
        for (std::size_t i = 0; i < image.palette.size(); ++i) {
            if (static_cast<int>(i) == image.transparentIndex)
                continue;
            const Rgb c = image.palette[i];
            const int g = index_.find(0xFF000000u | (Pixel{c.b} << 16) | (Pixel{c.g} << 8) | Pixel{c.r});
            if (g == ColourIndex::kNone)
                return std::nullopt;
            toGlobal[i] = static_cast<std::uint8_t>(g);
            taken[std::size_t(g)] = true;
        }
        Candidate c;
        c.useGlobalPalette = true;
        c.image.width = image.width;
        c.image.height = image.height;
        c.image.transparentIndex = -1;
        if (image.transparentIndex >= 0) {
            // At most 255 colours besides the transparent one, so some entry is free for it.
            int free = 0;
            while (free < tableSize_ && taken[std::size_t(free)])
                ++free;
            if (free == tableSize_)
                return std::nullopt;
            toGlobal[std::size_t(image.transparentIndex)] = static_cast<std::uint8_t>(free);
            c.image.transparentIndex = free;
        }
        c.image.indices.resize(image.indices.size());
        std::transform(image.indices.begin(), image.indices.end(), c.image.indices.begin(),
                       [&](std::uint8_t i) { return toGlobal[i]; });
        c.estimatedBytes = estimatedDataBytes(c.image.indices, minCodeSizeFor(tableSize_), limitBytes);
        return c;
    }

private:
    std::vector<Rgb> palette_;
    int tableSize_ = 2;
    ColourIndex index_;
};

// The smallest stored image that turns `shown` into `target` inside `rect`, or nullopt when no
// single image can (more colours than a palette holds).
//
// Pixels that change must be drawn in their colour. Pixels that stay may be drawn in their colour
// or left transparent; three ways of choosing are tried and the one that codes smallest is kept:
// all left transparent, kept in colour where that continues a run of the same index, and all
// drawn in colour.
// Candidates estimated above `limitBytes` (a cost another encoding already has) are dropped.
// With a global table, each way is also tried with the global table where its colours are there.
std::optional<Candidate> encodeRect(const Picture& shown, const Picture& target, const Rect& rect,
                                    const GlobalPalette* global,
                                    std::size_t limitBytes = std::numeric_limits<std::size_t>::max() / 16)
{
    const std::size_t area = static_cast<std::size_t>(rect.width()) * rect.height();

    PaletteBuilder changedColours;
    PaletteBuilder allColours;
    bool changedFits = true;
    bool allFit = true;
    bool anyUnchanged = false;
    bool anyTransparent = false;
    for (int y = rect.top; y < rect.bottom; ++y) {
        const Pixel* s = shown.row(y);
        const Pixel* t = target.row(y);
        for (int x = rect.left; x < rect.right; ++x) {
            const Pixel p = t[x];
            if (p == kTransparent)
                anyTransparent = true;
            else if (allFit)
                allFit = allColours.add(p, 256);
            if (p == s[x])
                anyUnchanged = true;
            else if (changedFits)
                changedFits = changedColours.add(p, 256);
        }
    }
    // Changed pixels are always opaque: the screen is transparent wherever the target is.
    changedFits = changedFits && changedColours.size() + (anyUnchanged ? 1 : 0) <= 256;
    allFit = allFit && allColours.size() + (anyTransparent ? 1 : 0) <= 256;

    std::optional<Candidate> best;
    auto limit = [&] { return best ? best->estimatedBytes : limitBytes; };
    auto consider = [&](Candidate c) {
        std::optional<Candidate> remapped = global ? global->remap(c, std::min(limit(), c.estimatedBytes)) : std::nullopt;
        if (!best || c.estimatedBytes < best->estimatedBytes)
            best = std::move(c);
        if (remapped && remapped->estimatedBytes < best->estimatedBytes)
            best = std::move(remapped);
    };

    if (changedFits) {
        const int transparentIndex = anyUnchanged ? static_cast<int>(changedColours.size()) : -1;
        std::vector<Rgb> palette = changedColours.palette();
        if (anyUnchanged)
            palette.push_back(Rgb{});
        const auto transparent = static_cast<std::uint8_t>(std::max(transparentIndex, 0));

        std::vector<std::uint8_t> leftTransparent(area);
        std::vector<std::uint8_t> runKept(anyUnchanged ? area : 0);
        std::size_t i = 0;
        std::uint8_t previous = transparent;
        for (int y = rect.top; y < rect.bottom; ++y) {
            const Pixel* s = shown.row(y);
            const Pixel* t = target.row(y);
            for (int x = rect.left; x < rect.right; ++x, ++i) {
                if (t[x] != s[x]) {
                    leftTransparent[i] = changedColours.indexOf(t[x]);
                    if (anyUnchanged)
                        runKept[i] = leftTransparent[i];
                } else {
                    leftTransparent[i] = transparent;
                    if (anyUnchanged) {
                        runKept[i] = transparent;
                        if (t[x] != kTransparent && previous != transparent && changedColours.find(t[x]) == previous)
                            runKept[i] = previous;
                    }
                }
                if (anyUnchanged)
                    previous = runKept[i];
            }
        }
        if (anyUnchanged)
            consider(makeCandidate(std::move(runKept), palette, transparentIndex, rect, limit()));
        consider(makeCandidate(std::move(leftTransparent), std::move(palette), transparentIndex, rect, limit()));
    }

    if (allFit && (anyUnchanged || !changedFits)) {
        const int transparentIndex = anyTransparent ? static_cast<int>(allColours.size()) : -1;
        std::vector<Rgb> palette = allColours.palette();
        if (anyTransparent)
            palette.push_back(Rgb{});
        std::vector<std::uint8_t> indices(area);
        std::size_t i = 0;
        for (int y = rect.top; y < rect.bottom; ++y) {
            const Pixel* t = target.row(y);
            for (int x = rect.left; x < rect.right; ++x, ++i)
                indices[i] = t[x] == kTransparent ? static_cast<std::uint8_t>(transparentIndex)
                                                  : allColours.indexOf(t[x]);
        }
        consider(makeCandidate(std::move(indices), std::move(palette), transparentIndex, rect, limit()));
    }
    return best;
}

// Works out the stored image for one frame and keeps track of what a viewer shows.
class FramePlanner {
public:
    FramePlanner(int width, int height, const GlobalPalette* global) : shown_(width, height), global_(global) {}

    // The image block that makes the screen show `target`. `next` is the picture of the following
    // frame (nullptr for the last one): where it is transparent and `target` is not, this frame is
    // disposed "restore to background" over a rectangle covering those pixels.
    Result<GifFrameDescription> plan(Picture& target, Picture* next, bool firstFrame, int position)
    {
        // An opaque picture stored whole that has next to none of its colours on the screen
        // changes (nearly) every pixel: it is copied as stored, and none of the pictures needs
        // decoding for that. Distinct photos share a few exact colours by chance (black, white);
        // a frame that keeps part of the screen shares most of its colours with it.
        const bool nextOpaque = !next || next == &target || opaque(*next);
        if (opaque(target) && nextOpaque && shownColours_) {
            const std::vector<Pixel> colours = coloursOf(*target.stored);
            if (sharedColours(*shownColours_, colours) * kChanceShares < colours.size())
                return copyWhole(target);
        }

        if (Status s = ensureDecoded(target); !s)
            return s.error();
        if (shownPending_) {
            Picture pending = std::move(*shownPending_);
            shownPending_.reset();
            pending.pixels.swap(shown_.pixels);
            if (Status s = ensureDecoded(pending); !s)
                return s.error();
            shown_ = std::move(pending);
        }
        std::size_t keptInRuns = 0;
        const Rect changed = changedBox(target, shown_, keptInRuns);
        Rect needsClearing;
        if (!nextOpaque) {
            if (Status s = ensureDecoded(*next); !s)
                return s.error();
            needsClearing = boundingBox(target, *next, [](Pixel t, Pixel n) { return t != kTransparent && n == kTransparent; });
        }

        GifFrameDescription frame;
        frame.disposal = needsClearing.empty() ? GifDisposal::DoNotDispose : GifDisposal::RestoreBackground;
        Rect rect = changed.united(needsClearing);
        if (rect.empty())
            rect = Rect{0, 0, 1, 1};

        const Rect whole{0, 0, target.width, target.height};
        const std::size_t area = static_cast<std::size_t>(target.width) * target.height;
        // The first frame covers the whole screen, for viewers that paint the uncovered part of
        // the first frame in a background colour; when that takes too many colours it shrinks to
        // the pixels that need it.
        const bool wholeScreen = firstFrame || (rect.width() == whole.width() && rect.height() == whole.height());

        std::optional<Candidate> best;
        auto consider = [&](std::optional<Candidate> c) {
            if (c && (!best || c->estimatedBytes < best->estimatedBytes))
                best = std::move(c);
        };
        // A picture stored whole can be copied as its file holds it: it draws every pixel of the
        // picture and leaves the transparent ones to the screen, which is transparent there.
        if (wholeScreen && target.stored)
            consider(copiedCandidate(target.stored));
        // Working out other encodings only pays when a quarter of the screen or more stays as it
        // is in long runs.
        const bool tryOthers = !best || keptInRuns * 4 > area;
        if (tryOthers) {
            const std::size_t limit = best ? best->estimatedBytes : std::numeric_limits<std::size_t>::max() / 16;
            if (wholeScreen) {
                std::optional<Candidate> c = encodeRect(shown_, target, whole, global_, limit);
                if (c) {
                    rect = whole;
                    consider(std::move(c));
                } else if (!best) {
                    consider(encodeRect(shown_, target, rect, global_));
                }
            } else {
                consider(encodeRect(shown_, target, rect, global_, limit));
            }
        }
        if (!best)
            return makeError(ErrorCode::LimitExceeded,
                             QStringLiteral("Frame %1 needs more than 256 colours in one image").arg(position));
        if (best->copied) {
            rect = whole;
            frame.image.width = best->copied->width;
            frame.image.height = best->copied->height;
            frame.image.transparentIndex = best->copied->transparentIndex;
            if (!best->useGlobalPalette)
                frame.image.palette = best->copied->palette;
            frame.compressed = best->copied->pixels;
        } else {
            frame.image = std::move(best->image);
        }
        frame.useGlobalPalette = best->useGlobalPalette;
        frame.left = rect.left;
        frame.top = rect.top;

        // What a viewer shows before the next frame: this frame's picture, its rectangle cleared
        // when it is disposed to background.
        const bool copiedWhole = best->copied && frame.disposal == GifDisposal::DoNotDispose;
        shownColours_ = copiedWhole ? std::optional<std::vector<Pixel>>(coloursOf(*best->copied)) : std::nullopt;
        for (int y = rect.top; y < rect.bottom; ++y) {
            Pixel* s = shown_.row(y);
            if (frame.disposal == GifDisposal::RestoreBackground)
                std::fill(s + rect.left, s + rect.right, kTransparent);
            else
                std::copy(target.row(y) + rect.left, target.row(y) + rect.right, s + rect.left);
        }
        return frame;
    }

private:
    // Known to have no transparent pixel without looking at them.
    static bool opaque(const Picture& p) { return p.stored && p.stored->transparentIndex < 0; }

    // Every colour an image stored whole can show, sorted: its palette, and black when its codes
    // reach beyond the palette.
    static std::vector<Pixel> coloursOf(const GifStoredImage& stored)
    {
        std::vector<Pixel> colours;
        colours.reserve(stored.palette.size() + 2);
        for (const Rgb& c : stored.palette)
            colours.push_back(0xFF000000u | (Pixel{c.b} << 16) | (Pixel{c.g} << 8) | Pixel{c.r});
        if (stored.palette.size() < (std::size_t{1} << stored.pixels.minCodeSize))
            colours.push_back(0xFF000000u);
        if (stored.transparentIndex >= 0)
            colours.push_back(kTransparent);
        std::sort(colours.begin(), colours.end());
        return colours;
    }

    // Pictures sharing fewer than one colour in this many with the screen are copied whole.
    static constexpr std::size_t kChanceShares = 16;

    static std::size_t sharedColours(const std::vector<Pixel>& a, const std::vector<Pixel>& b)
    {
        std::size_t shared = 0;
        for (auto i = a.begin(), j = b.begin(); i != a.end() && j != b.end();) {
            if (*i == *j) {
                ++shared;
                ++i;
                ++j;
            } else if (*i < *j) {
                ++i;
            } else {
                ++j;
            }
        }
        return shared;
    }

    // `target` copied as its file stores it over the whole screen, which then shows it.
    GifFrameDescription copyWhole(Picture& target)
    {
        const Candidate best = copiedCandidate(target.stored);
        GifFrameDescription frame;
        frame.disposal = GifDisposal::DoNotDispose;
        frame.image.width = best.copied->width;
        frame.image.height = best.copied->height;
        frame.image.transparentIndex = best.copied->transparentIndex;
        if (!best.useGlobalPalette)
            frame.image.palette = best.copied->palette;
        frame.compressed = best.copied->pixels;
        frame.useGlobalPalette = best.useGlobalPalette;
        shownColours_ = coloursOf(*target.stored);
        if (target.decoded) {
            shownPending_.reset();
            shown_.pixels = target.pixels;
        } else {
            Picture pending;
            pending.width = target.width;
            pending.height = target.height;
            pending.stored = target.stored;
            pending.decoded = false;
            pending.bytes = target.bytes;
            pending.position = target.position;
            pending.path = target.path;
            shownPending_ = std::move(pending);
        }
        return frame;
    }

    Candidate copiedCandidate(const std::shared_ptr<const GifStoredImage>& stored) const
    {
        Candidate c;
        c.copied = stored;
        c.useGlobalPalette = global_ && stored->palette == global_->palette() &&
                             tableSizeFor(static_cast<int>(stored->palette.size())) ==
                                 std::max(static_cast<int>(stored->palette.size()), 1 << stored->pixels.minCodeSize);
        const int tableSize = std::max(tableSizeFor(static_cast<int>(stored->palette.size())), 1 << stored->pixels.minCodeSize);
        c.estimatedBytes = 1 + static_cast<std::size_t>(stored->pixels.subBlocks.size()) +
                           (c.useGlobalPalette ? 0 : 3 * static_cast<std::size_t>(tableSize));
        return c;
    }

    Picture shown_;
    // Set: what the screen shows is this picture, not yet decoded into shown_.
    std::optional<Picture> shownPending_;
    // Every colour the screen can show, sorted, when known cheaply; the empty screen is transparent.
    std::optional<std::vector<Pixel>> shownColours_ = std::vector<Pixel>{kTransparent};
    const GlobalPalette* global_;
};

// Flat graphics whose frames change to colours the first frame's table lacks would carry a
// table of their own in nearly every frame. When one table holds every colour most frames
// change to, and that saves more than the first frame's own table then costs, it becomes the
// global table: the colours the most frames change to. Nullopt when it does not pay, or when
// the first two pictures share too few colours for it to (photos: each has colours of its own;
// their pictures are then not read twice).
std::optional<std::vector<Rgb>> sharedChangeTable(const std::vector<AnimationFrameSource>& frames, int firstIndex,
                                                  const Picture& first, int width, int height)
{
    constexpr int kTableSize = 256;
    const int count = static_cast<int>(frames.size());
    if (!first.stored || firstIndex + 1 >= count || frames[std::size_t(firstIndex + 1)].fileName.isEmpty())
        return std::nullopt;
    QFile secondFile(frames[std::size_t(firstIndex + 1)].fileName);
    if (!secondFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<GifStoredImage> second = findFirstStoredImage(secondFile.readAll());
    if (!second)
        return std::nullopt;
    const std::vector<Rgb>& a = first.stored->palette;
    const auto shared = std::count_if(second->palette.begin(), second->palette.end(),
                                      [&](const Rgb& c) { return std::find(a.begin(), a.end(), c) != a.end(); });
    if (shared * 2 < static_cast<std::ptrdiff_t>(std::max(a.size(), second->palette.size())))
        return std::nullopt;

    // The colours each frame changes to, and in how many frames each colour is one of them.
    Picture shown = first;
    if (!ensureDecoded(shown))
        return std::nullopt;
    std::vector<std::vector<Pixel>> changes;
    std::unordered_map<Pixel, int> framesChangingTo;
    Picture spare;
    for (int k = firstIndex + 1; k < count; ++k) {
        const QString& file = frames[std::size_t(k)].fileName;
        if (file.isEmpty())
            continue;
        Result<Picture> read = readFramePicture(file, k + 1, width, height, std::move(spare));
        if (!read || !ensureDecoded(read.value()))
            return std::nullopt;
        Picture target = std::move(read).value();
        std::vector<Pixel> colours;
        std::size_t changed = 0;
        for (std::size_t i = 0; i < target.pixels.size(); ++i)
            if (target.pixels[i] != shown.pixels[i]) {
                ++changed;
                if (target.pixels[i] != kTransparent)
                    colours.push_back(target.pixels[i]);
            }
        // Only frames that change little store small rectangles whose table matters; a picture
        // that changes most of the screen is copied with its own table.
        if (changed * 4 <= target.pixels.size()) {
            std::sort(colours.begin(), colours.end());
            colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
            for (Pixel c : colours)
                ++framesChangingTo[c];
            changes.push_back(std::move(colours));
        }
        spare = std::move(shown);
        shown = std::move(target);
    }

    std::vector<std::pair<Pixel, int>> ranked(framesChangingTo.begin(), framesChangingTo.end());
    std::sort(ranked.begin(), ranked.end(), [](const auto& x, const auto& y) {
        return x.second != y.second ? x.second > y.second : x.first < y.first;
    });
    if (ranked.size() > std::size_t(kTableSize))
        ranked.resize(std::size_t(kTableSize));
    std::vector<Pixel> table;
    for (const auto& [colour, uses] : ranked)
        table.push_back(colour);
    std::sort(table.begin(), table.end());
    std::size_t saved = 0;
    for (const std::vector<Pixel>& colours : changes)
        if (!colours.empty() && std::includes(table.begin(), table.end(), colours.begin(), colours.end()))
            saved += 3 * std::size_t(tableSizeFor(static_cast<int>(colours.size()) + 1));
    if (saved <= 3 * std::size_t(tableSizeFor(static_cast<int>(a.size()))) + 3 * std::size_t(kTableSize))
        return std::nullopt;
    std::vector<Rgb> palette;
    for (Pixel c : table)
        palette.push_back(unpackPixel(c));
    return palette;
}

}  // namespace

AnimationAssembler::AnimationAssembler(std::vector<AnimationFrameSource> frames, AnimationSettings settings)
    : frames_(std::move(frames)), settings_(settings)
{
}

Status AnimationAssembler::save(const QString& outputPath, const AssemblyProgress& progress) const
{
    const int count = static_cast<int>(frames_.size());
    if (count == 0)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("An animation needs at least one frame"));
    if (settings_.loopCount && (*settings_.loopCount < 0 || *settings_.loopCount > kMaxGifValue))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("Loop count %1 is outside 0..65535").arg(*settings_.loopCount));
    for (int k = 0; k < count; ++k) {
        const int delay = frames_[std::size_t(k)].delayCentiseconds;
        if (delay < 0 || delay > kMaxGifValue)
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("Delay %1 of frame %2 is outside 0..65535").arg(delay).arg(k + 1));
    }

    // The screen size comes from the first frame with a picture.
    const auto firstWithPicture =
        std::find_if(frames_.begin(), frames_.end(), [](const AnimationFrameSource& f) { return !f.fileName.isEmpty(); });
    if (firstWithPicture == frames_.end())
        return makeError(ErrorCode::EmptyImage, QStringLiteral("None of the %1 frames has a picture").arg(count));
    const int firstIndex = static_cast<int>(firstWithPicture - frames_.begin());
    Result<Picture> firstRead = readFramePicture(firstWithPicture->fileName, firstIndex + 1, 0, 0, Picture{});
    if (!firstRead)
        return firstRead.error();
    std::optional<Picture> firstPicture = std::move(firstRead).value();
    const int width = firstPicture->width;
    const int height = firstPicture->height;

    GifScreen screen;
    screen.width = width;
    screen.height = height;
    screen.loopCount = settings_.loopCount;
    // The first picture's table becomes the global one when that picture is copied as stored (so
    // it costs nothing: the first frame then carries no table of its own). Frames with the same
    // colours use it instead of a table of their own.
    std::unique_ptr<GlobalPalette> global;
    if (std::optional<std::vector<Rgb>> table = sharedChangeTable(frames_, firstIndex, *firstPicture, width, height)) {
        global = std::make_unique<GlobalPalette>(*table);
        screen.globalPalette = std::move(*table);
    } else if (firstIndex == 0 && firstPicture->stored) {
        const GifStoredImage& stored = *firstPicture->stored;
        if (tableSizeFor(static_cast<int>(stored.palette.size())) ==
            std::max(static_cast<int>(stored.palette.size()), 1 << stored.pixels.minCodeSize)) {
            global = std::make_unique<GlobalPalette>(stored.palette);
            screen.globalPalette = stored.palette;
        }
    }
    GifStreamWriter writer;
    if (Status s = writer.open(outputPath, screen); !s)
        return s;

    // Buffers of pictures no longer needed, lent to the next picture read.
    Picture spare;
    auto pictureOf = [&](int k) -> Result<Picture> {
        if (k == firstIndex) {
            Picture p = std::move(*firstPicture);
            firstPicture.reset();  // used once; no need to hold it any longer
            return p;
        }
        return readFramePicture(frames_[std::size_t(k)].fileName, k + 1, width, height, std::move(spare));
    };

    // Frames before the first picture show an empty screen.
    Picture current(width, height);
    if (firstIndex == 0) {
        Result<Picture> p = pictureOf(0);
        if (!p)
            return p.error();
        current = std::move(p).value();
    }

    FramePlanner planner(width, height, global.get());
    int reported = -1;
    for (int k = 0; k < count; ++k) {
        // One frame of lookahead: a frame without picture repeats the current one.
        Picture next;
        Picture* nextPicture = nullptr;
        if (k + 1 < count) {
            if (frames_[std::size_t(k + 1)].fileName.isEmpty()) {
                nextPicture = &current;
            } else {
                Result<Picture> p = pictureOf(k + 1);
                if (!p)
                    return p.error();
                next = std::move(p).value();
                nextPicture = &next;
            }
        }

        Result<GifFrameDescription> frame = planner.plan(current, nextPicture, k == 0, k + 1);
        if (!frame)
            return frame.error();
        frame.value().delayCentiseconds = frames_[std::size_t(k)].delayCentiseconds;
        if (Status s = writer.addFrame(frame.value()); !s)
            return s;

        if (nextPicture == &next) {
            std::swap(current, next);
            spare = std::move(next);
        }

        const int percent = static_cast<int>((static_cast<std::int64_t>(k) + 1) * 99 / count);
        if (progress && percent > reported) {
            reported = percent;
            if (!progress(percent))
                return makeError(ErrorCode::Cancelled, QStringLiteral("Writing the animation was cancelled"));
        }
    }

    if (Status s = writer.finish(); !s)
        return s;
    if (progress)
        progress(100);
    return {};
}

}  // namespace pictoreel
