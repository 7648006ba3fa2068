#include "core/media/animation_assembler.h"

#include "core/media/gif_reader.h"
#include "core/media/gif_writer.h"

#include <algorithm>
#include <cstdint>
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

Error frameError(const Error& cause, int position, const QString& path)
{
    return makeError(cause.code, QStringLiteral("Frame %1 (%2) cannot be used: %3").arg(position).arg(path, cause.message));
}

// The first image of a one-image GIF, as a viewer shows it on that file's screen.
Result<RgbaImage> readFramePicture(const QString& path, int position)
{
    auto decoder = GifDecoder::openFile(path);
    if (!decoder)
        return frameError(decoder.error(), position, path);
    std::optional<GifFrame> frame = decoder.value().nextFrame();
    if (!frame)
        return frameError(makeError(ErrorCode::EmptyImage, QStringLiteral("the file holds no image")), position, path);
    if (!frame->complete)
        return frameError(makeError(ErrorCode::CorruptData, QStringLiteral("the image data is cut short or damaged")),
                          position, path);
    return std::move(frame->image);
}

// `image` at the top left corner of a width x height screen: clipped, or padded with transparency.
Picture placeOnScreen(const RgbaImage& image, int width, int height)
{
    Picture picture(width, height);
    const int w = std::min(width, image.width);
    const int h = std::min(height, image.height);
    for (int y = 0; y < h; ++y) {
        Pixel* out = picture.row(y);
        for (int x = 0; x < w; ++x)
            out[x] = packPixel(image.pixel(x, y));
    }
    return picture;
}

// Number of bits the GIF LZW coder produces for `data`; ranks candidate encodings of one frame.
std::size_t lzwCodedBits(const std::vector<std::uint8_t>& data, int minCodeSize)
{
    if (data.empty())
        return 0;
    constexpr int kTableBits = 13;
    constexpr std::uint32_t kTableMask = (1u << kTableBits) - 1;
    constexpr std::int32_t kFree = -1;
    std::vector<std::int32_t> keys(std::size_t{1} << kTableBits, kFree);
    std::vector<std::uint16_t> codes(std::size_t{1} << kTableBits, 0);

    const int clearCode = 1 << minCodeSize;
    int width = minCodeSize + 1;
    int nextCode = clearCode + 2;
    std::size_t bits = static_cast<std::size_t>(width);  // the leading clear code
    std::int32_t prefix = data[0];
    for (std::size_t i = 1; i < data.size(); ++i) {
        const std::int32_t key = (prefix << 8) | data[i];
        std::uint32_t slot = (static_cast<std::uint32_t>(key) * 2654435761u) >> (32 - kTableBits);
        while (keys[slot] != kFree && keys[slot] != key)
            slot = (slot + 1) & kTableMask;
        if (keys[slot] == key) {
            prefix = codes[slot];
            continue;
        }
        bits += static_cast<std::size_t>(width);
        if (nextCode < 4096) {
            keys[slot] = key;
            codes[slot] = static_cast<std::uint16_t>(nextCode);
            if (nextCode == (1 << width) && width < 12)
                ++width;
            ++nextCode;
        } else {
            bits += static_cast<std::size_t>(width);  // clear code, table starts again
            std::fill(keys.begin(), keys.end(), kFree);
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

// Colours of one stored rectangle and their palette indices.
class PaletteBuilder {
public:
    // False once more than `limit` colours were seen.
    bool add(Pixel colour, std::size_t limit)
    {
        if (colour == last_)
            return true;
        if (index_.find(colour) == index_.end()) {
            if (colours_.size() >= limit)
                return false;
            index_.emplace(colour, static_cast<std::uint8_t>(colours_.size()));
            colours_.push_back(colour);
        }
        last_ = colour;
        return true;
    }
    std::size_t size() const { return colours_.size(); }
    bool contains(Pixel colour) const { return index_.find(colour) != index_.end(); }
    std::uint8_t indexOf(Pixel colour)
    {
        if (colour != lastLookup_) {
            lastLookup_ = colour;
            lastIndex_ = index_.at(colour);
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
    std::unordered_map<Pixel, std::uint8_t> index_;
    std::vector<Pixel> colours_;
    Pixel last_ = kTransparent;  // transparent is never added, so it is a safe "none"
    Pixel lastLookup_ = kTransparent;
    std::uint8_t lastIndex_ = 0;
};

struct Candidate {
    IndexedImage image;
    std::size_t estimatedBytes = 0;
};

Candidate makeCandidate(std::vector<std::uint8_t> indices, std::vector<Rgb> palette, int transparentIndex,
                        const Rect& rect)
{
    Candidate c;
    c.image.width = rect.width();
    c.image.height = rect.height();
    c.image.palette = std::move(palette);
    c.image.transparentIndex = transparentIndex;
    const int paletteSize = static_cast<int>(c.image.palette.size());
    c.estimatedBytes = lzwCodedBits(indices, minCodeSizeFor(paletteSize)) / 8 + 3 * std::size_t(tableSizeFor(paletteSize));
    c.image.indices = std::move(indices);
    return c;
}

// The smallest stored image that turns `shown` into `target` inside `rect`, or nullopt when no
// single image can (more colours than a palette holds).
//
// Pixels that change must be drawn in their colour. Pixels that stay may be drawn in their colour
// or left transparent; three ways of choosing are tried and the one that codes smallest is kept:
// all left transparent, kept in colour where that continues a run of the same index, and all
// drawn in colour.
std::optional<IndexedImage> encodeRect(const Picture& shown, const Picture& target, const Rect& rect)
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
    auto consider = [&](Candidate c) {
        if (!best || c.estimatedBytes < best->estimatedBytes)
            best = std::move(c);
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
                        if (t[x] != kTransparent && changedColours.contains(t[x]) &&
                            changedColours.indexOf(t[x]) == previous)
                            runKept[i] = previous;
                    }
                }
                if (anyUnchanged)
                    previous = runKept[i];
            }
        }
        if (anyUnchanged)
            consider(makeCandidate(std::move(runKept), palette, transparentIndex, rect));
        consider(makeCandidate(std::move(leftTransparent), std::move(palette), transparentIndex, rect));
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
        consider(makeCandidate(std::move(indices), std::move(palette), transparentIndex, rect));
    }

    if (!best)
        return std::nullopt;
    return std::move(best->image);
}

// Works out the stored image for one frame and keeps track of what a viewer shows.
class FramePlanner {
public:
    FramePlanner(int width, int height) : shown_(width, height) {}

    // The image block that makes the screen show `target`. `next` is the picture of the following
    // frame (nullptr for the last one): where it is transparent and `target` is not, this frame is
    // disposed "restore to background" over a rectangle covering those pixels.
    Result<GifFrameDescription> plan(const Picture& target, const Picture* next, bool firstFrame, int position)
    {
        const Rect changed = boundingBox(target, shown_, [](Pixel t, Pixel s) { return t != s; });
        Rect needsClearing;
        if (next && next != &target)
            needsClearing = boundingBox(target, *next, [](Pixel t, Pixel n) { return t != kTransparent && n == kTransparent; });

        GifFrameDescription frame;
        frame.disposal = needsClearing.empty() ? GifDisposal::DoNotDispose : GifDisposal::RestoreBackground;
        Rect rect = changed.united(needsClearing);
        if (rect.empty())
            rect = Rect{0, 0, 1, 1};

        std::optional<IndexedImage> image;
        // The first frame covers the whole screen, for viewers that paint the uncovered part of
        // the first frame in a background colour; when that takes too many colours it shrinks to
        // the pixels that need it.
        if (firstFrame) {
            const Rect whole{0, 0, target.width, target.height};
            image = encodeRect(shown_, target, whole);
            if (image)
                rect = whole;
        }
        if (!image)
            image = encodeRect(shown_, target, rect);
        if (!image)
            return makeError(ErrorCode::LimitExceeded,
                             QStringLiteral("Frame %1 needs more than 256 colours in one image").arg(position));
        frame.image = std::move(*image);
        frame.left = rect.left;
        frame.top = rect.top;

        // What a viewer shows before the next frame: this frame's picture, its rectangle cleared
        // when it is disposed to background.
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
    Picture shown_;
};

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
    Result<RgbaImage> firstPicture = readFramePicture(firstWithPicture->fileName, firstIndex + 1);
    if (!firstPicture)
        return firstPicture.error();
    const int width = firstPicture.value().width;
    const int height = firstPicture.value().height;

    GifScreen screen;
    screen.width = width;
    screen.height = height;
    screen.loopCount = settings_.loopCount;
    GifStreamWriter writer;
    if (Status s = writer.open(outputPath, screen); !s)
        return s;

    auto pictureOf = [&](int k) -> Result<Picture> {
        if (k == firstIndex) {
            Picture p = placeOnScreen(firstPicture.value(), width, height);
            firstPicture = RgbaImage{};  // used once; no need to hold it any longer
            return p;
        }
        Result<RgbaImage> image = readFramePicture(frames_[std::size_t(k)].fileName, k + 1);
        if (!image)
            return image.error();
        return placeOnScreen(image.value(), width, height);
    };

    // Frames before the first picture show an empty screen.
    Picture current(width, height);
    if (firstIndex == 0) {
        Result<Picture> p = pictureOf(0);
        if (!p)
            return p.error();
        current = std::move(p).value();
    }

    FramePlanner planner(width, height);
    int reported = -1;
    for (int k = 0; k < count; ++k) {
        // One frame of lookahead: a frame without picture repeats the current one.
        Picture next;
        const Picture* nextPicture = nullptr;
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

        if (nextPicture == &next)
            current = std::move(next);

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
