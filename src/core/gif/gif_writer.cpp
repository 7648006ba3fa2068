#include "core/gif/gif_writer.h"

#include "core/gif/giflib_adapter.h"
#include "core/base/replacing_file.h"

#include <algorithm>

namespace pictoreel {

namespace {

constexpr int kMaxGifSide = 65535;  // the format stores sizes and positions in 16 bits

Error invalid(const QString& message) { return makeError(ErrorCode::InvalidArgument, message); }

// giflib output goes into the temporary file of a ReplacingFile.
class SaveFileSink final : public giflib::ByteSink {
public:
    explicit SaveFileSink(ReplacingFile& file) : file_(file) {}

protected:
    bool write(const std::uint8_t* data, int count) override
    {
        return file_.write(reinterpret_cast<const char*>(data), count);
    }

private:
    ReplacingFile& file_;
};

Status checkScreen(const GifScreen& screen)
{
    if (screen.width < 1 || screen.width > kMaxGifSide || screen.height < 1 || screen.height > kMaxGifSide)
        return invalid(QStringLiteral("GIF size %1 x %2 is outside 1..65535").arg(screen.width).arg(screen.height));
    if (screen.loopCount && (*screen.loopCount < 0 || *screen.loopCount > 65535))
        return invalid(QStringLiteral("GIF loop count %1 is outside 0..65535").arg(*screen.loopCount));
    if (screen.globalPalette.size() > 256)
        return invalid(QStringLiteral("GIF global palette has %1 colours, not 1..256").arg(screen.globalPalette.size()));
    return {};
}

// Sub-blocks are length-prefixed chunks of 1..255 bytes ending with a zero-length block.
bool wellFormedSubBlocks(const QByteArray& bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto length = static_cast<std::uint8_t>(bytes[i]);
        if (length == 0)
            return i + 1 == bytes.size();
        i += 1 + length;
    }
    return false;
}

Status checkFrame(const GifFrameDescription& frame, const GifScreen& screen)
{
    const IndexedImage& image = frame.image;
    if (image.width < 1 || image.width > kMaxGifSide || image.height < 1 || image.height > kMaxGifSide)
        return invalid(QStringLiteral("GIF frame size %1 x %2 is outside 1..65535").arg(image.width).arg(image.height));
    if (frame.left < 0 || frame.top < 0 || frame.left > screen.width - image.width ||
        frame.top > screen.height - image.height)
        return invalid(QStringLiteral("GIF frame %1 x %2 at (%3, %4) does not fit the %5 x %6 screen")
                           .arg(image.width)
                           .arg(image.height)
                           .arg(frame.left)
                           .arg(frame.top)
                           .arg(screen.width)
                           .arg(screen.height));
    if (frame.useGlobalPalette && screen.globalPalette.empty())
        return invalid(QStringLiteral("GIF frame uses a global colour table the GIF does not have"));
    const int paletteSize = static_cast<int>(frame.useGlobalPalette ? screen.globalPalette.size() : image.palette.size());
    if (paletteSize < 1 || paletteSize > 256)
        return invalid(QStringLiteral("GIF palette has %1 colours, not 1..256").arg(paletteSize));
    // Indices name colours of the palette; with the global table they may also name its padding
    // (black) entries, which gives a frame a spare index to be transparent.
    const int indexLimit = frame.useGlobalPalette ? giflib::colorTableSize(paletteSize) : paletteSize;
    if (frame.compressed) {
        const int codeSize = frame.compressed->minCodeSize;
        if (codeSize < 2 || codeSize > 8)
            return invalid(QStringLiteral("GIF LZW code size %1 is outside 2..8").arg(codeSize));
        if (!wellFormedSubBlocks(frame.compressed->subBlocks))
            return invalid(QStringLiteral("Compressed GIF pixel data is not a chain of sub-blocks"));
    }
    if (image.transparentIndex < -1 || image.transparentIndex >= indexLimit)
        return invalid(QStringLiteral("GIF transparent index %1 is outside the palette of %2 colours")
                           .arg(image.transparentIndex)
                           .arg(paletteSize));
    if (!frame.compressed) {
        if (image.indices.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
            return invalid(QStringLiteral("GIF frame holds %1 pixels instead of %2 x %3")
                               .arg(image.indices.size())
                               .arg(image.width)
                               .arg(image.height));
        if (indexLimit < 256) {
            // The value, not where it is: a loop the compiler vectorises.
            std::uint8_t highest = 0;
            for (const std::uint8_t index : image.indices)
                highest = std::max(highest, index);
            if (highest >= indexLimit)
                return invalid(QStringLiteral("GIF pixel index %1 is outside the palette of %2 colours")
                                   .arg(highest)
                                   .arg(paletteSize));
        }
    }
    if (frame.delayCentiseconds < 0 || frame.delayCentiseconds > 65535)
        return invalid(QStringLiteral("GIF frame delay %1 is outside 0..65535").arg(frame.delayCentiseconds));
    const int disposal = static_cast<int>(frame.disposal);
    if (disposal < 0 || disposal > 3)
        return invalid(QStringLiteral("Unknown GIF disposal method %1").arg(disposal));
    return {};
}

}  // namespace

struct GifStreamWriter::Impl {
    // Destroyed in reverse order: giflib may still write its trailer into the sink, and the
    // ReplacingFile then drops its temporary file unless it was committed.
    ReplacingFile file;
    SaveFileSink sink{file};
    std::unique_ptr<giflib::GifBlockWriter> writer;
    GifScreen screen;
    int frameCount = 0;
    std::optional<Error> failure;  // set once writing failed; every later call reports it

    explicit Impl(const QString& path) : file(path) {}

    Status fail(Error error)
    {
        // A write the file system refused is told as it said it ("No space left on device").
        if (file.writeFailed())
            error = makeError(ErrorCode::FileWriteFailed,
                              QStringLiteral("Cannot write %1: %2").arg(file.targetPath(), file.errorString()));
        writer.reset();
        file.cancel();
        failure = error;
        return error;
    }
};

GifStreamWriter::GifStreamWriter() = default;
GifStreamWriter::~GifStreamWriter() = default;

Status GifStreamWriter::open(const QString& path, const GifScreen& screen, const QByteArrayList& comments)
{
    if (impl_)
        return invalid(QStringLiteral("The GIF writer is already open"));
    if (path.isEmpty())
        return invalid(QStringLiteral("No file name for the GIF"));
    if (Status s = checkScreen(screen); !s)
        return s;

    auto impl = std::make_unique<Impl>(path);
    impl->screen = screen;
    if (!impl->file.open())
        return makeError(ErrorCode::FileWriteFailed,
                         QStringLiteral("Cannot write %1: %2").arg(path, impl->file.errorString()));
    auto writer = giflib::GifBlockWriter::open(impl->sink);
    if (!writer)
        return writer.error();
    impl->writer = std::move(writer).value();
    if (Status s = impl->writer->putScreen(screen.width, screen.height, screen.globalPalette); !s)
        return s;
    if (screen.loopCount)
        if (Status s = impl->writer->putLoopBlock(*screen.loopCount); !s)
            return s;
    for (const QByteArray& comment : comments)
        if (Status s = impl->writer->putComment(comment); !s)
            return s;
    impl_ = std::move(impl);
    return {};
}

// The writer is open, has not failed and is not finished yet.
Status GifStreamWriter::checkWritable() const
{
    if (!impl_)
        return invalid(QStringLiteral("The GIF writer is not open"));
    if (impl_->failure)
        return *impl_->failure;
    if (!impl_->writer)
        return invalid(QStringLiteral("The GIF is already finished"));
    return {};
}

Status GifStreamWriter::addFrame(const GifFrameDescription& frame)
{
    if (Status s = checkWritable(); !s)
        return s;
    // A frame with bad arguments is refused before anything is written, so the file stays good.
    if (Status s = checkFrame(frame, impl_->screen); !s)
        return s;
    if (Status s = impl_->writer->putGraphicControl(static_cast<int>(frame.disposal), frame.delayCentiseconds,
                                                    frame.image.transparentIndex);
        !s)
        return impl_->fail(s.error());
    const IndexedImage& image = frame.image;
    Status written = frame.compressed
                         ? impl_->writer->putCompressedImage(frame.left, frame.top, image.width, image.height,
                                                             frame.useGlobalPalette ? std::vector<Rgb>{} : image.palette,
                                                             frame.compressed->minCodeSize, frame.compressed->subBlocks)
                         : impl_->writer->putImage(frame.left, frame.top, image, frame.useGlobalPalette);
    if (!written)
        return impl_->fail(written.error());
    ++impl_->frameCount;
    return {};
}

Status GifStreamWriter::finish()
{
    if (Status s = checkWritable(); !s)
        return s;
    if (impl_->frameCount == 0)
        return impl_->fail(makeError(ErrorCode::EmptyImage, QStringLiteral("A GIF needs at least one frame")));
    if (Status s = impl_->writer->close(); !s)
        return impl_->fail(s.error());
    impl_->writer.reset();
    if (!impl_->file.commit())
        return impl_->fail(makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2")
                                                                     .arg(impl_->file.targetPath(),
                                                                          impl_->file.errorString())));
    return {};
}

Status writeSingleImageGif(const QString& path, const IndexedImage& image, const QByteArrayList& comments)
{
    GifScreen screen;
    screen.width = image.width;
    screen.height = image.height;
    GifFrameDescription frame;
    frame.image = image;
    GifStreamWriter writer;
    if (Status s = writer.open(path, screen, comments); !s)
        return s;
    if (Status s = writer.addFrame(frame); !s)
        return s;
    return writer.finish();
}

}  // namespace pictoreel
