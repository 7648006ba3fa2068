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

// Where a frame is in the data and what its graphic control block said.
struct FrameRecord {
    qint64 offset = 0;  // of the image separator
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int delayCentiseconds = 0;
    GifDisposal disposal = GifDisposal::Unspecified;
    int transparentIndex = -1;
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
    std::vector<FrameRecord> frames;

    // Playback state.
    int next = 0;
    RgbaImage canvas;
    RgbaImage saved;  // the screen before the last frame, when that frame restores to previous
    const FrameRecord* previous = nullptr;
    std::vector<std::uint8_t> row;

    Status scan();
    void applyDisposal(const FrameRecord& frame);
    bool draw(const FrameRecord& frame);
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
            } else if (extension.value().label == kApplicationLabel && !info.loopCount) {
                info.loopCount = parseLoopCount(extension.value());
            }
            continue;
        }

        auto header = reader->readImageHeader();
        if (!header) {
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
        if (static_cast<int>(frames.size()) >= limits.maxFrames)
            return limitExceeded(QStringLiteral("The GIF has more than %1 frames").arg(limits.maxFrames));

        FrameRecord frame;
        frame.offset = offset;
        frame.left = h.left;
        frame.top = h.top;
        frame.width = h.width;
        frame.height = h.height;
        frame.interlaced = h.interlaced;
        if (control) {
            frame.delayCentiseconds = control->delayCentiseconds;
            frame.disposal = control->disposal;
            frame.transparentIndex = control->transparentIndex;
        }
        control.reset();
        frames.push_back(frame);
        // A frame whose data is cut short still counts: its decodable rows are shown.
        if (!reader->skipImageData()) {
            info.truncated = true;
            break;
        }
    }

    if (frames.empty()) {
        if (info.truncated)
            return makeError(ErrorCode::CorruptData, QStringLiteral("The GIF ends before its first picture"));
        return makeError(ErrorCode::EmptyImage, QStringLiteral("The GIF holds no pictures"));
    }
    // A screen of no size takes the extent of the first frame that has one, as browsers do.
    if (info.width == 0 || info.height == 0) {
        const auto sized = std::find_if(frames.begin(), frames.end(),
                                        [](const FrameRecord& f) { return f.width > 0 && f.height > 0; });
        if (sized == frames.end())
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
    info.frameCount = static_cast<int>(frames.size());
    return {};
}

void GifDecoder::Impl::applyDisposal(const FrameRecord& frame)
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

bool GifDecoder::Impl::draw(const FrameRecord& frame)
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
    row.resize(static_cast<std::size_t>(frame.width));
    for (const int r : rowOrder(frame.height, frame.interlaced)) {
        if (!reader->readPixelRow(row.data(), frame.width))
            return false;
        const int y = frame.top + r;
        if (y >= canvas.height)
            continue;
        std::uint8_t* out = canvas.pixel(x0, y);
        for (int x = x0; x < x1; ++x, out += 4) {
            const int index = row[static_cast<std::size_t>(x - frame.left)];
            if (index == frame.transparentIndex)
                continue;
            const Rgb colour = index < static_cast<int>(palette.size()) ? palette[static_cast<std::size_t>(index)] : Rgb{};
            out[0] = colour.r;
            out[1] = colour.g;
            out[2] = colour.b;
            out[3] = 255;
        }
    }
    return true;
}

GifFrame GifDecoder::Impl::decodeNext(bool wantImage)
{
    const FrameRecord& frame = frames[static_cast<std::size_t>(next)];
    if (canvas.empty())
        canvas = RgbaImage(info.width, info.height);
    if (previous != nullptr)
        applyDisposal(*previous);
    if (frame.disposal == GifDisposal::RestorePrevious)
        saved = canvas;
    else
        saved = RgbaImage();

    GifFrame result;
    result.index = next;
    result.complete = draw(frame);
    result.left = frame.left;
    result.top = frame.top;
    result.width = frame.width;
    result.height = frame.height;
    result.delayCentiseconds = frame.delayCentiseconds;
    result.disposal = frame.disposal;
    result.transparentIndex = frame.transparentIndex;
    result.interlaced = frame.interlaced;
    if (wantImage)
        result.image = canvas;
    previous = &frame;
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

const GifInfo& GifDecoder::info() const { return impl_->info; }
int GifDecoder::nextFrameIndex() const { return impl_->next; }

int GifDecoder::storedDelay(int index) const
{
    if (index < 0 || index >= static_cast<int>(impl_->frames.size()))
        return 0;
    return impl_->frames[static_cast<std::size_t>(index)].delayCentiseconds;
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
        found.push_back(std::move(image));
        if (static_cast<int>(found.size()) >= maxImages)
            break;
        transparentIndex = -1;  // a graphic control block belongs to the image after it
    }
    return found;
}

}  // namespace pictoreel
