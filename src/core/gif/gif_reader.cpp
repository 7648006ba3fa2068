#include "core/gif/gif_reader.h"

#include "core/formats/gif_blocks.h"
#include "core/gif/giflib_adapter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pictoreel {

namespace {

constexpr int kApplicationLabel = 0xFF;

Error limitExceeded(const QString& message) { return makeError(ErrorCode::LimitExceeded, message); }

// Where an image is in the data and what its graphic control block said.
struct ImageRecord {
    qint64 offset = 0;  // of the image separator
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int delayCentiseconds = 0;
    GifDisposal disposal = GifDisposal::Unspecified;
    int transparentIndex = -1;
    bool controlled = false;  // a graphic control block came before it
};

struct GraphicControl {
    int delayCentiseconds = 0;
    GifDisposal disposal = GifDisposal::Unspecified;
    int transparentIndex = -1;
};

std::optional<GraphicControl> parseGraphicControl(const giflib::GifExtension& extension)
{
    if (extension.first.size() < 4)
        return std::nullopt;
    const std::uint8_t packed = extension.first[0];
    GraphicControl control;
    const int disposal = (packed >> 2) & 0x07;
    // Methods 4..7 are undefined; they behave as "no disposal".
    control.disposal = disposal <= 3 ? static_cast<GifDisposal>(disposal) : GifDisposal::Unspecified;
    control.delayCentiseconds = extension.first[1] | (extension.first[2] << 8);
    control.transparentIndex = (packed & 0x01) != 0 ? extension.first[3] : -1;
    return control;
}

std::optional<int> parseLoopCount(const giflib::GifExtension& extension)
{
    static const char netscape[] = "NETSCAPE2.0";
    static const char animexts[] = "ANIMEXTS1.0";
    const auto& id = extension.first;
    const auto is = [&id](const char* name) {
        return id.size() == 11 && std::memcmp(id.data(), name, 11) == 0;
    };
    if (!is(netscape) && !is(animexts))
        return std::nullopt;
    const auto& data = extension.second;
    if (data.size() < 3 || data[0] != 1)
        return std::nullopt;
    return data[1] | (data[2] << 8);
}

// Row numbers of an image in the order its data stores them.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    static constexpr std::array<std::array<int, 2>, 4> passes{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
    for (const auto& [start, step] : passes)
        for (int y = start; y < height; y += step)
            rows.push_back(y);
    return rows;
}

}  // namespace

struct GifDecoder::Impl {
    std::unique_ptr<giflib::ByteSource> source;
    std::unique_ptr<giflib::GifBlockReader> reader;
    GifDecodeLimits limits;
    GifInfo info;
    bool gif87a = false;
    bool hasLoopBlock = false;  // a NETSCAPE2.0 or ANIMEXTS1.0 block: the file is an animation
    std::vector<ImageRecord> images;
    // Frame k shows images lastImage[k - 1] + 1 to lastImage[k] drawn in turn.
    std::vector<int> lastImage;

    // Playback state.
    int next = 0;
    RgbaImage canvas;
    RgbaImage saved;  // the screen before the last image, when that image restores to previous
    const ImageRecord* previous = nullptr;
    std::vector<std::uint8_t> row;

    Status scan();
    void groupImagesIntoFrames();
    void applyDisposal(const ImageRecord& image);
    bool draw(const ImageRecord& image);
    // Decodes the next frame into the canvas; the caller has checked that there is one.
    GifFrame decodeNext(bool wantImage);
    void reset()
    {
        next = 0;
        previous = nullptr;
        canvas = RgbaImage();
        saved = RgbaImage();
    }
};

Status GifDecoder::Impl::scan()
{
    std::array<std::uint8_t, 6> signature{};
    gif87a = source->read(signature.data(), 6) == 6 && std::memcmp(signature.data(), "GIF87a", 6) == 0;
    if (!source->seek(0))
        return makeError(ErrorCode::FileReadFailed, QStringLiteral("The GIF cannot be read from its start"));
    auto opened = giflib::GifBlockReader::open(*source);
    if (!opened)
        return opened.error();
    reader = std::move(opened).value();

    info.width = reader->screenWidth();
    info.height = reader->screenHeight();
    const auto& global = reader->globalPalette();
    if (!global.empty()) {
        info.backgroundIndex = reader->backgroundIndex();
        if (info.backgroundIndex >= 0 && info.backgroundIndex < static_cast<int>(global.size()))
            info.backgroundColor = global[static_cast<std::size_t>(info.backgroundIndex)];
    }

    std::optional<GraphicControl> control;
    std::int64_t totalPixels = 0;
    for (;;) {
        const qint64 offset = source->position();
        auto record = reader->readRecordType();
        if (!record) {
            info.truncated = true;
            break;
        }
        if (record.value() == giflib::GifRecord::Trailer)
            break;
        if (record.value() == giflib::GifRecord::Extension) {
            auto extension = reader->readExtension();
            if (!extension) {
                info.truncated = true;
                break;
            }
            if (extension.value().label == gif::kGraphicControlLabel) {
                // Of several graphic control blocks before one image, the last counts.
                if (auto parsed = parseGraphicControl(extension.value()))
                    control = parsed;
            } else if (extension.value().label == kApplicationLabel) {
                const std::optional<int> loop = parseLoopCount(extension.value());
                if (!info.loopCount)
                    info.loopCount = loop;
                hasLoopBlock = hasLoopBlock || loop.has_value();
            }
            continue;
        }

        auto header = reader->readImageHeader();
        if (!header) {  // the data ends inside the description
            info.truncated = true;
            break;
        }
        const auto& h = header.value();
        const std::int64_t area = std::int64_t{h.width} * h.height;
        if (area > limits.maxFramePixels)
            return limitExceeded(QStringLiteral("A GIF frame of %1 x %2 pixels is too large").arg(h.width).arg(h.height));
        totalPixels += area;
        if (totalPixels > limits.maxTotalFramePixels)
            return limitExceeded(QStringLiteral("The GIF frames hold too many pixels"));
        if (static_cast<int>(images.size()) >= limits.maxFrames)
            return limitExceeded(QStringLiteral("The GIF has more than %1 frames").arg(limits.maxFrames));

        ImageRecord image;
        image.offset = offset;
        image.left = h.left;
        image.top = h.top;
        image.width = h.width;
        image.height = h.height;
        image.interlaced = h.interlaced;
        if (control) {
            image.delayCentiseconds = control->delayCentiseconds;
            image.disposal = control->disposal;
            image.transparentIndex = control->transparentIndex;
            image.controlled = true;
        }
        control.reset();
        images.push_back(image);
        // A frame whose data is cut short still counts: its decodable rows are shown.
        if (!reader->skipImageData()) {
            info.truncated = true;
            break;
        }
    }

    if (images.empty()) {
        if (info.truncated)
            return makeError(ErrorCode::CorruptData, QStringLiteral("The GIF ends before its first picture"));
        return makeError(ErrorCode::EmptyImage, QStringLiteral("The GIF holds no pictures"));
    }
    // A screen of no size takes the extent of the first frame that has one, as browsers do.
    if (info.width == 0 || info.height == 0) {
        const auto sized = std::find_if(images.begin(), images.end(),
                                        [](const ImageRecord& f) { return f.width > 0 && f.height > 0; });
        if (sized == images.end())
            return makeError(ErrorCode::EmptyImage, QStringLiteral("The GIF has no size"));
        info.width = std::max(info.width, sized->left + sized->width);
        info.height = std::max(info.height, sized->top + sized->height);
    }
    // Only the area counts: a strip of 65535 x 1 pixels is as cheap to hold as any small picture.
    if (std::int64_t{info.width} * info.height > limits.maxScreenPixels)
        return limitExceeded(QStringLiteral("A GIF of %1 x %2 pixels is too large; at most %3 megapixels are accepted")
                                 .arg(info.width)
                                 .arg(info.height)
                                 .arg(megapixelsText(limits.maxScreenPixels)));
    groupImagesIntoFrames();
    info.frameCount = static_cast<int>(lastImage.size());
    return {};
}

// Which images make one frame. A GIF may draw one picture from several images: tiles with local
// palettes of their own (more than 256 colours in one picture), or images over one another. In a
// GIF89a file an image without a graphic control block has no delay, no disposal and no
// transparency: nothing makes it a frame of an animation, so it is drawn into the frame of the
// image after it (when one follows). An image with a graphic control block is a frame, even of
// delay 0: browsers show such frames for a tenth of a second, animations whose delays are all 0
// rely on it, and so does our own maker, whose frames may be given a delay of 0. Every image of a
// GIF87a file, which has no graphic control blocks, is a frame as well. A frame keeps the delay of
// its last image, which is the sum of the delays of its images (the others have none). A file with
// a loop block says it is an animation: there every image is a frame, as players show them, those
// without a graphic control block for a delay of 0.
void GifDecoder::Impl::groupImagesIntoFrames()
{
    lastImage.clear();
    const int count = static_cast<int>(images.size());
    for (int i = 0; i < count; ++i)
        if (gif87a || hasLoopBlock || i + 1 == count || images[static_cast<std::size_t>(i)].controlled)
            lastImage.push_back(i);
}

void GifDecoder::Impl::applyDisposal(const ImageRecord& frame)
{
    if (frame.disposal == GifDisposal::RestorePrevious) {
        if (!saved.empty())
            std::swap(canvas, saved);
        return;
    }
    if (frame.disposal != GifDisposal::RestoreBackground)
        return;
    // Restoring to the background clears the frame's rectangle to transparent.
    const int x0 = std::min(frame.left, canvas.width);
    const int x1 = std::min(frame.left + frame.width, canvas.width);
    const int y1 = std::min(frame.top + frame.height, canvas.height);
    for (int y = std::min(frame.top, canvas.height); y < y1; ++y)
        std::fill(canvas.pixel(x0, y), canvas.pixel(x0, y) + 4 * (x1 - x0), std::uint8_t{0});
}

bool GifDecoder::Impl::draw(const ImageRecord& frame)
{
    if (!source->seek(frame.offset))
        return false;
    auto record = reader->readRecordType();
    if (!record || record.value() != giflib::GifRecord::Image)
        return false;
    auto header = reader->readImageHeader();
    if (!header)
        return false;
    if (frame.width == 0 || frame.height == 0)
        return true;

    const auto& local = header.value().localPalette;
    const auto& palette = local.empty() ? reader->globalPalette() : local;
    const int x0 = std::min(frame.left, canvas.width);
    const int x1 = std::min(frame.left + frame.width, canvas.width);
    // Rows below the screen, and a whole image beside it, are not decoded: an image far larger
    // than its screen costs no more than the part of it that shows.
    int rowsOnScreen = x0 < x1 ? std::clamp(canvas.height - frame.top, 0, frame.height) : 0;
    row.resize(static_cast<std::size_t>(frame.width));
    for (const int r : rowOrder(frame.height, frame.interlaced)) {
        if (rowsOnScreen == 0)
            break;
        // Pixels decoded before the data ends or breaks are drawn; the rest show what was there.
        const int got = static_cast<int>(reader->readPixels(row.data(), row.size()));
        const int y = frame.top + r;
        if (y >= canvas.height) {
            if (got < frame.width)
                return false;
            continue;
        }
        --rowsOnScreen;
        std::uint8_t* out = canvas.pixel(x0, y);
        const int end = std::min(x1, frame.left + got);
        for (int x = x0; x < end; ++x, out += 4) {
            const int index = row[static_cast<std::size_t>(x - frame.left)];
            if (index == frame.transparentIndex)
                continue;
            const Rgb colour = index < static_cast<int>(palette.size()) ? palette[static_cast<std::size_t>(index)] : Rgb{};
            out[0] = colour.r;
            out[1] = colour.g;
            out[2] = colour.b;
            out[3] = 255;
        }
        if (got < frame.width)
            return false;
    }
    return true;
}

GifFrame GifDecoder::Impl::decodeNext(bool wantImage)
{
    const std::size_t k = static_cast<std::size_t>(next);
    const int first = k == 0 ? 0 : lastImage[k - 1] + 1;
    if (canvas.empty())
        canvas = RgbaImage(info.width, info.height);
    GifFrame result;
    result.index = next;
    for (int i = first; i <= lastImage[k]; ++i) {
        const ImageRecord& image = images[static_cast<std::size_t>(i)];
        if (previous != nullptr)
            applyDisposal(*previous);
        if (image.disposal == GifDisposal::RestorePrevious)
            saved = canvas;
        else
            saved = RgbaImage();
        result.complete = draw(image) && result.complete;
        previous = &image;
        // The frame's rectangle takes in every image drawn into it that has pixels.
        if (image.width > 0 && image.height > 0) {
            const bool grow = result.width > 0 && result.height > 0;
            const int right = std::max(image.left + image.width, grow ? result.left + result.width : 0);
            const int bottom = std::max(image.top + image.height, grow ? result.top + result.height : 0);
            result.left = grow ? std::min(result.left, image.left) : image.left;
            result.top = grow ? std::min(result.top, image.top) : image.top;
            result.width = right - result.left;
            result.height = bottom - result.top;
        } else if (i == lastImage[k] && result.width == 0) {
            result.left = image.left, result.top = image.top, result.width = image.width, result.height = image.height;
        }
        result.delayCentiseconds = image.delayCentiseconds;
        result.disposal = image.disposal;
        result.transparentIndex = image.transparentIndex;
        result.interlaced = image.interlaced;
    }
    if (wantImage)
        result.image = canvas;
    ++next;
    return result;
}

GifDecoder::GifDecoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
GifDecoder::GifDecoder(GifDecoder&&) noexcept = default;
GifDecoder& GifDecoder::operator=(GifDecoder&&) noexcept = default;
GifDecoder::~GifDecoder() = default;

Result<GifDecoder> GifDecoder::scanAndWrap(std::unique_ptr<Impl> impl)
{
    if (Status s = impl->scan(); !s)
        return s.error();
    return GifDecoder(std::move(impl));
}

Result<GifDecoder> GifDecoder::openFile(const QString& path, const GifDecodeLimits& limits)
{
    auto source = giflib::FileSource::open(path);
    if (!source)
        return source.error();
    auto impl = std::make_unique<Impl>();
    impl->source = std::move(source).value();
    impl->limits = limits;
    return scanAndWrap(std::move(impl));
}

Result<GifDecoder> GifDecoder::openMemory(QByteArray bytes, const GifDecodeLimits& limits)
{
    auto impl = std::make_unique<Impl>();
    impl->source = std::make_unique<giflib::MemorySource>(std::move(bytes));
    impl->limits = limits;
    return scanAndWrap(std::move(impl));
}

std::function<Result<GifDecoder>()> GifDecoder::reopener() const
{
    // Held open here, and duplicated again for each call: the call may be made more than once.
    std::shared_ptr<giflib::ByteSource> source = impl_->source->duplicate();
    return [source, limits = impl_->limits]() -> Result<GifDecoder> {
        auto impl = std::make_unique<Impl>();
        impl->source = source ? source->duplicate() : nullptr;
        impl->limits = limits;
        if (!impl->source)
            return makeError(ErrorCode::FileReadFailed, QStringLiteral("The GIF cannot be opened again"));
        return scanAndWrap(std::move(impl));
    };
}

const GifInfo& GifDecoder::info() const { return impl_->info; }
int GifDecoder::nextFrameIndex() const { return impl_->next; }

int GifDecoder::storedDelay(int index) const
{
    if (index < 0 || index >= impl_->info.frameCount)
        return 0;
    return impl_->images[static_cast<std::size_t>(impl_->lastImage[static_cast<std::size_t>(index)])].delayCentiseconds;
}

std::optional<GifFrame> GifDecoder::nextFrame()
{
    if (impl_->next >= impl_->info.frameCount)
        return std::nullopt;
    return impl_->decodeNext(true);
}

Result<GifFrame> GifDecoder::frameAt(int index)
{
    if (index < 0 || index >= impl_->info.frameCount)
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("Frame %1 is not in a GIF of %2 frames").arg(index).arg(impl_->info.frameCount));
    if (index < impl_->next)
        rewind();
    while (impl_->next < index)
        impl_->decodeNext(false);
    return impl_->decodeNext(true);
}

void GifDecoder::rewind() { impl_->reset(); }

namespace {

Result<DecodedGif> decodeAll(Result<GifDecoder> opened, const GifDecodeLimits& limits)
{
    if (!opened)
        return opened.error();
    GifDecoder& decoder = opened.value();
    const std::int64_t bytes = std::int64_t{decoder.frameCount()} * decoder.width() * decoder.height() * 4;
    if (bytes > limits.maxHeldBytes)
        return limitExceeded(QStringLiteral("The %1 frames of %2 x %3 pixels do not fit in memory")
                                 .arg(decoder.frameCount())
                                 .arg(decoder.width())
                                 .arg(decoder.height()));
    DecodedGif result;
    result.info = decoder.info();
    result.frames.reserve(static_cast<std::size_t>(decoder.frameCount()));
    while (auto frame = decoder.nextFrame())
        result.frames.push_back(std::move(*frame));
    return result;
}

}  // namespace

Result<DecodedGif> decodeGifFile(const QString& path, const GifDecodeLimits& limits)
{
    return decodeAll(GifDecoder::openFile(path, limits), limits);
}

Result<DecodedGif> decodeGifMemory(QByteArray bytes, const GifDecodeLimits& limits)
{
    return decodeAll(GifDecoder::openMemory(std::move(bytes), limits), limits);
}

namespace {

std::vector<Rgb> readColourTable(const QByteArray& bytes, std::size_t at, int entries)
{
    std::vector<Rgb> table(static_cast<std::size_t>(entries));
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData()) + at;
    for (int i = 0; i < entries; ++i, p += 3)
        table[std::size_t(i)] = Rgb{p[0], p[1], p[2]};
    return table;
}

}  // namespace

std::optional<GifStoredImage> findFirstStoredImage(const QByteArray& bytes)
{
    std::vector<GifStoredImage> images = findStoredImages(bytes, 1);
    if (images.empty())
        return std::nullopt;
    return std::move(images.front());
}

std::vector<GifStoredImage> findStoredImages(const QByteArray& bytes, int maxImages)
{
    std::vector<GifStoredImage> found;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    if (maxImages < 1 || !gif::hasGifSignature(data, size))
        return found;
    gif::BlockWalker walker(data, size);
    std::vector<Rgb> global;
    int transparentIndex = -1;
    // Blocks cut short end the search: the images before them are all there is.
    for (std::optional<gif::Block> block = walker.next(); block && block->complete; block = walker.next()) {
        if (block->kind == gif::BlockKind::Extension) {
            const std::size_t at = block->dataAt;  // the first sub-block: its length, then its bytes
            if (block->label == gif::kGraphicControlLabel && data[at] >= 4)
                transparentIndex = (data[at + 1] & 1) ? data[at + 4] : -1;
            continue;
        }
        if (block->kind != gif::BlockKind::Image)
            break;  // the trailer
        if (global.empty() && walker.screen().globalTableEntries > 0)
            global = readColourTable(bytes, walker.screen().globalTableAt, walker.screen().globalTableEntries);
        GifStoredImage image;
        image.offset = static_cast<qsizetype>(block->at);
        image.left = block->left;
        image.top = block->top;
        image.width = block->width;
        image.height = block->height;
        image.interlaced = block->interlaced;
        image.localPalette = block->localTableEntries > 0;
        image.palette = image.localPalette ? readColourTable(bytes, block->localTableAt, block->localTableEntries) : global;
        if (image.palette.empty())
            break;
        image.transparentIndex = transparentIndex;
        image.pixels.minCodeSize = block->minCodeSize;
        image.pixels.subBlocks = bytes.mid(static_cast<qsizetype>(block->dataAt), static_cast<qsizetype>(block->end - block->dataAt));
        image.end = static_cast<qsizetype>(block->end);
        found.push_back(std::move(image));
        if (static_cast<int>(found.size()) >= maxImages)
            break;
        transparentIndex = -1;  // a graphic control block belongs to the image after it
    }
    return found;
}

QString gifCutShortText(const QString& name, int frames)
{
    return QStringLiteral("%1 is cut short: it breaks off after %2 frame%3, the last of which may be incomplete")
        .arg(name)
        .arg(frames)
        .arg(frames == 1 ? QString() : QStringLiteral("s"));
}

}  // namespace pictoreel
