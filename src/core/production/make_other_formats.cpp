#include "core/production/make_other_formats.h"

#include "core/animation/animation_assembler.h"
#include "core/base/file_identity.h"
#include "core/base/replacing_file.h"
#include "core/production/animation_cache.h"
#include "core/formats/apng_writer.h"
#include "core/formats/webp_writer.h"
#include "core/imaging/composite.h"
#include "core/media/imaging_component.h"
#include "core/production/frame_cache.h"
#include "core/project/frame_values.h"
#include "core/production/frame_cache_names.h"

#include <QFileInfo>

#include <algorithm>
#include <future>
#include <memory>

namespace pictoreel {

namespace {

constexpr int kMillisecondsPerDelayUnit = 10;

struct LoadedFrame {
    enum class Outcome { Missing, Failed, Read };
    Outcome outcome = Outcome::Missing;
    RgbaImage canvas;
    Error error;
};

// The row's picture as its frame shows it, at full colour: loaded, shaped and scaled by the
// frame cache conversion's own loadShapedFrame, before it reduces the colours. Without transparency the picture is
// put on the row's colour, as in a GIF; with it, pixels of exactly that colour become transparent
// and the picture's own transparency is kept.
LoadedFrame loadFrame(const FrameConversion& c)
{
    LoadedFrame frame;
    if (c.picture.isEmpty() || !stampOf(c.picture))
        return frame;
    ImagingComponent worker;
    if (Status s = loadShapedFrame(worker, c.picture, c.size, c.style, c.shaping); !s) {
        frame.outcome = LoadedFrame::Outcome::Failed;
        frame.error = s.error();
        return frame;
    }
    frame.outcome = LoadedFrame::Outcome::Read;
    if (!c.transparent) {
        frame.canvas = compositeOverColour(worker.image(), c.transColor);
        // Clear bars stay clear whatever the row's transparency.
        if (const std::optional<FitRect> inside = worker.clearBarsAround()) {
            for (int y = 0; y < frame.canvas.height; ++y)
                for (int x = 0; x < frame.canvas.width; ++x)
                    if ((x < inside->x || y < inside->y || x >= inside->x + inside->width || y >= inside->y + inside->height) &&
                        worker.image().pixel(x, y)[3] == 0)  // what is drawn over them shows
                        std::fill_n(frame.canvas.pixels.data() + (std::size_t(y) * frame.canvas.width + x) * 4, 4, std::uint8_t{0});
        }
        return frame;
    }
    frame.canvas = worker.image();
    const Rgb key = rgbFromColorRef(c.transColor);
    for (std::size_t i = 0; i < frame.canvas.pixels.size(); i += 4) {
        std::uint8_t* p = frame.canvas.pixels.data() + i;
        if (p[3] == 0 || (p[3] == 255 && Rgb{p[0], p[1], p[2]} == key))
            std::fill(p, p + 4, std::uint8_t{0});
    }
    return frame;
}

std::unique_ptr<AnimatedPictureWriter> writerFor(OutputKind kind, ByteSink sink, const FrameSize& size, int rows,
                                                 int showings)
{
    if (kind == OutputKind::WebP)
        return std::make_unique<WebpWriter>(std::move(sink), size.width, size.height, showings);
    return std::make_unique<ApngWriter>(std::move(sink), size.width, size.height, rows, showings);
}

// Changes whenever the writers write other bytes for the same frames (how a picture becomes its
// frame is told by the conversion's record).
constexpr int kOtherFormatsVersion = 1;

// The kept copy of an animation made from these frames, named after everything that goes into it
// (see animation_cache.h): every row's conversion record (its picture's file, the settings and
// the conversion's version) and delay, the size, the showings and the writer. Empty when a row's
// picture is missing: what such a make tells is not kept.
QString keptOtherAnimation(OutputKind kind, const QString& tempFolder, const std::vector<FrameConversion>& conversions,
                           const std::vector<int>& delays, const FrameSize& size, int showings)
{
    const QString suffix = kind == OutputKind::WebP ? QStringLiteral("webp") : QStringLiteral("png");
    QByteArray description = "other " + QByteArray::number(kOtherFormatsVersion) + ' ' + suffix.toLatin1() + ' ' +
                             (suffix == QLatin1String("webp") ? QByteArray::number(webpEncoderVersion()) : QByteArray("-")) +
                             ' ' + QByteArray::number(size.width) + 'x' + QByteArray::number(size.height) + " showings " +
                             QByteArray::number(showings);
    for (std::size_t k = 0; k < conversions.size(); ++k) {
        const FrameConversion& c = conversions[k];
        const std::optional<FileStamp> stamp = c.picture.isEmpty() ? std::nullopt : stampOf(c.picture);
        if (!stamp)
            return {};
        description += "\ndelay " + QByteArray::number(delays[k]) + '\n' + conversionRecord(*stamp, c);
    }
    return keptAnimationPath(tempFolder, description, suffix);
}

}  // namespace

bool isOtherAnimationOutput(const QString& path) { return outputKindFor(path) != OutputKind::Gif; }

void countMadeFrames(const MakePlan& plan, MakeReport& report)
{
    if (plan.kind != OutputKind::WebP)
        return;
    QFile file(plan.output);
    if (file.open(QIODevice::ReadOnly))
        report.frames = webpFrameCount(file.readAll());
}

Result<ProducedAnimation> produceOtherAnimation(const MakePlan& plan, const MakeOptions& options,
                                                const MakeEvents& events, bool useKept)
{
    const FrameSize& size = plan.size;
    const int rows = static_cast<int>(plan.frames.size());
    const std::vector<FrameConversion> conversions = frameConversionsFor(plan, options.tempFolder);
    std::vector<int> delays;  // ms
    for (const FrameValues& values : plan.frames)
        delays.push_back(animationDelay(values.interval) * kMillisecondsPerDelayUnit);

    const int showings = showingsFor(plan.loopCount);
    ProducedAnimation produced;
    MakeReport& report = produced.report;
    report.frames = rows;
    report.settings.width = size.width;
    report.settings.height = size.height;
    const QString kept = keptOtherAnimation(plan.kind, options.tempFolder, conversions, delays, size, showings);
    if (useKept && !kept.isEmpty() && QFileInfo(kept).isFile()) {
        report.cached = rows;
        produced.ready = {kept, true, {}};
        return produced;
    }

    ReplacingFile file(uniqueTempAnimationPath(options.tempFolder));
    const auto cannotWrite = [&file] {
        return makeError(ErrorCode::FileWriteFailed,
                         QStringLiteral("Cannot write %1: %2").arg(file.targetPath(), file.errorString()));
    };
    if (!file.open())
        return cannotWrite();
    const std::unique_ptr<AnimatedPictureWriter> writer =
        writerFor(plan.kind, [&file](const QByteArray& bytes) { return file.write(bytes); }, size, rows, showings);

    RgbaImage shown(size.width, size.height);  // what the frame before left on screen
    // The next row's picture is read while this one is compressed: two frames at a time.
    std::future<LoadedFrame> next = std::async(std::launch::async, loadFrame, conversions.front());
    for (int row = 1; row <= rows; ++row) {
        const auto at = static_cast<std::size_t>(row - 1);
        LoadedFrame loaded = next.get();
        if (row < rows)
            next = std::async(std::launch::async, loadFrame, conversions[at + 1]);
        switch (loaded.outcome) {
        case LoadedFrame::Outcome::Missing: report.missing.push_back({row, conversions[at].picture}); break;
        case LoadedFrame::Outcome::Failed:
            ++report.failed;
            if (events.frameFailed)
                events.frameFailed(row, conversions[at].picture, loaded.error);
            break;
        case LoadedFrame::Outcome::Read:
            ++report.converted;
            shown = std::move(loaded.canvas);
            break;
        }
        if (Status s = writer->addFrame(shown, delays[at]); !s)
            return file.writeFailed() ? cannotWrite() : s.error();
        if (options.stopRequested && options.stopRequested())
            return makeCancelled();
        if (events.frameAdded)
            events.frameAdded(frameProgressValue(row, rows));
    }
    if (Status s = writer->finish(); !s)
        return file.writeFailed() ? cannotWrite() : s.error();
    if (!file.commit())
        return cannotWrite();
    produced.ready.file = file.targetPath();
    // Kept only when every picture was read, and read as the name says: one that went missing, or
    // was written, while it was made could come back with the stamp it had.
    if (!kept.isEmpty() && report.failed == 0 && report.missing.empty() &&
        keptOtherAnimation(plan.kind, options.tempFolder, conversions, delays, size, showings) == kept)
        produced.ready.keepAs = kept;
    return produced;
}

}  // namespace pictoreel
