// pictoreel-cli extract GIF -o DIR [--format gif|bmp|jpg|png] [--frames LIST] [--force] [--quiet]: the
// frames extractor's "save all checked frames" without its window. Frames come out as the
// extractor writes them: composited, transparent pixels in its background colour, as the
// player's ExtractFrame writes a BMP and through the imaging component (GIF, JPEG); PNG keeps
// transparency. BMP, GIF and PNG frames are written at any size a GIF has (PNG by libpng, on every
// core); JPEG frames go through ImageMagick, so a GIF whose frames it would refuse is refused
// before anything is written.
#include "cli_support.h"
#include "commands.h"
#include "parallel_writes.h"

#include "core/base/replacing_file.h"
#include "core/imaging/bmp_writer.h"
#include "core/imaging/composite.h"
#include "core/gif/gif_reader.h"
#include "core/media/imaging_component.h"
#include "core/base/file_identity.h"
#include "core/formats/picture_size.h"
#include "core/formats/png_writer.h"
#include "core/project/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace pictoreel::cli {
namespace {

// The frames extractor's background: red 212, green 208, blue 200.
constexpr std::int32_t kExtractorBackColor = 212 | (208 << 8) | (200 << 16);

// The frames "0,2,5-9" names, as ranges of first and last frame; nullopt for anything else.
using FrameRanges = std::vector<std::pair<int, int>>;
std::optional<FrameRanges> parseFrameList(const QString& text)
{
    FrameRanges ranges;
    const QStringList items = text.split(u',');
    for (const QString& raw : items) {
        const QString item = raw.trimmed();
        const qsizetype dash = item.indexOf(u'-', 1);
        bool firstOk = false, lastOk = true;
        const int first = (dash < 0 ? item : item.left(dash)).trimmed().toInt(&firstOk);
        const int last = dash < 0 ? first : item.mid(dash + 1).trimmed().toInt(&lastOk);
        if (!firstOk || !lastOk || first < 0 || last < first)
            return std::nullopt;
        ranges.emplace_back(first, last);
    }
    return ranges;
}

// The frames of the ranges, all below `count` (which the caller has made sure of).
std::set<int> framesOf(const FrameRanges& ranges)
{
    std::set<int> frames;
    for (const auto& [first, last] : ranges)
        for (int k = first; k <= last; ++k)
            frames.insert(k);
    return frames;
}

// Writes one frame as the extractor writes it. The frame is taken over and let go as soon as
// what is written has been made from it, so at most a frame and one copy of it are held.
Status writeFrame(GifFrame frame, const QString& format, const QString& output)
{
    if (format == u"png") {
        Result<QByteArray> png = encodeFastPng(frame.image);
        frame.image = RgbaImage();
        return png ? writeFileAtomically(output, png.value()) : Status(png.error());
    }
    RgbaImage shown = compositeOverColour(frame.image, kExtractorBackColor);
    frame.image = RgbaImage();
    if (format == u"bmp") {
        Result<QByteArray> bmp = encodeBmp24(shown);
        shown = RgbaImage();
        return bmp ? writeFileAtomically(output, bmp.value()) : Status(bmp.error());
    }
    ImagingComponent image;
    image.setImage(std::move(shown));
    return format == u"gif" ? image.SaveGif(output, false, 0xFFFFFF) : image.SaveJpeg(output, 80, false, false);
}

}  // namespace

int runExtract(const QStringList& words)
{
    const Arguments args(words, {QStringLiteral("--quiet"), QStringLiteral("--force")},
                         QStringList{QStringLiteral("-o"), QStringLiteral("--format"), QStringLiteral("--frames")} + kBudgetOptions, 1);
    const auto folder = args.value(QStringLiteral("-o"));
    if (!args.ok() || args.positional().size() != 1 || !folder || folder->isEmpty()) {
        printError(args.ok() ? QStringLiteral("usage: pictoreel-cli extract GIF -o DIR [--format gif|bmp|jpg|png] [--frames LIST] "
                                              "[--max-frames N] [--max-pixels N] [--force] [--quiet]")
                             : args.error());
        return kExitUsage;
    }
    const std::optional<WorkBudget> budget = budgetFrom(args);
    if (!budget)
        return kExitUsage;
    const QString format = args.value(QStringLiteral("--format")).value_or(QStringLiteral("gif")).toLower();
    if (format != u"gif" && format != u"bmp" && format != u"jpg" && format != u"png") {
        printError(QStringLiteral("--format wants gif, bmp, jpg or png, not \"%1\"").arg(format));
        return kExitUsage;
    }
    std::optional<FrameRanges> ranges;
    if (const auto list = args.value(QStringLiteral("--frames"))) {
        ranges = parseFrameList(*list);
        if (!ranges) {
            printError(QStringLiteral("--frames wants frame numbers from 0 like 0,2,5-9, not \"%1\"").arg(*list));
            return kExitUsage;
        }
    }

    const QString gif = args.positional().front();
    // The frames are decoded in order by a decoder of their own, not through a player, which
    // keeps copies of the last frames for a view.
    Result<GifDecoder> opened = GifDecoder::openFile(gif, gifLimitsWithin(*budget));
    if (!opened) {
        printError(QStringLiteral("%1: %2").arg(gif, opened.error().message));
        return kExitFailure;
    }
    GifDecoder& decoder = opened.value();
    if (format == u"jpg") {
        if (Status s = checkPictureLimits(decoder.width(), decoder.height()); !s) {
            printError(QStringLiteral("%1: its frames cannot be written as %2. %3 Frames of any size are written with "
                                      "--format bmp, gif or png.")
                           .arg(gif, format.toUpper(), s.error().message));
            return kExitFailure;
        }
    }
    const int count = decoder.frameCount();
    const FrameRanges wanted = ranges.value_or(FrameRanges{{0, count - 1}});
    const int last = std::max_element(wanted.cbegin(), wanted.cend(),
                                      [](const auto& a, const auto& b) { return a.second < b.second; })->second;
    if (last >= count) {
        printError(QStringLiteral("the GIF has frames 0 to %1; there is no frame %2").arg(count - 1).arg(last));
        return kExitFailure;
    }
    // Every frame up to the last one chosen is decoded: within the budget before any is listed.
    const QString what = last + 1 == count ? QStringLiteral("The GIF") : QStringLiteral("The GIF up to frame %1").arg(last);
    if (Status s = checkWorkBudget(what, last + 1, decoder.width(), decoder.height(), *budget); !s) {
        printFailure(gif, s.error());
        return kExitFailure;
    }
    const std::set<int> chosen = framesOf(wanted);
    const auto outputFor = [&](int k) { return joinPath(*folder, QStringLiteral("Frame_%1.%2").arg(k).arg(format)); };
    // A frame written over the GIF it comes from would destroy it: refused before anything is written.
    for (int k : chosen) {
        if (sameFile(outputFor(k), gif)) {
            printError(QStringLiteral("%1 is the GIF the frames come from; it is not written over").arg(outputFor(k)));
            return kExitFailure;
        }
    }
    // Frames of an earlier extraction may be all a user has left of them: written over only when asked.
    if (!args.flag(QStringLiteral("--force"))) {
        for (int k : chosen) {
            const QFileInfo existing(outputFor(k));
            if (existing.exists() || existing.isSymLink()) {
                printError(QStringLiteral("%1 already holds %2; --force writes the frames over such files").arg(*folder, existing.fileName()));
                return kExitFailure;
            }
        }
    }
    if (!MakePath(*folder, folderErrorPrinter(*folder)))
        return kExitFailure;
    const bool quiet = args.flag(QStringLiteral("--quiet"));
    ProgressBar bar(quiet);
    const InterruptCatcher interrupts;
    // PNG frames are encoded on every core while the next frames are decoded; the others are
    // written in turn.
    ParallelWrites writes(format == u"png" ? std::max(QThread::idealThreadCount(), 1) : 0,
                          [&format](GifFrame frame, const QString& output) { return writeFrame(std::move(frame), format, output); });
    const auto showProgress = [&] { bar.show(static_cast<int>(std::int64_t{writes.written()} * 100 / static_cast<std::int64_t>(chosen.size()))); };
    const auto fail = [&](int k, const Error& error) {
        writes.finish();
        bar.finish();
        printError(QStringLiteral("frame %1: %2").arg(k).arg(error.message));
        return kExitFailure;
    };
    std::vector<int> incomplete;
    for (int k : chosen) {
        if (InterruptCatcher::interrupted()) {
            writes.finish();
            bar.finish();
            printError(QStringLiteral("interrupted after %1 of %2; each frame written is complete")
                           .arg(writes.written())
                           .arg(countOf(qint64(chosen.size()), QStringLiteral("frame"))));
            InterruptCatcher::endInterrupted();
        }
        Result<GifFrame> frame = decoder.frameAt(k);
        if (!frame)
            return fail(k, frame.error());
        if (!frame.value().complete)
            incomplete.push_back(k);
        if (!writes.push(k, std::move(frame).value(), outputFor(k)))
            break;
        showProgress();
    }
    if (const auto failure = writes.finish())
        return fail(failure->first, failure->second);
    showProgress();
    bar.finish();
    const int written = writes.written();
    if (decoder.info().truncated)
        warnCutShort(gif, count);
    if (!incomplete.empty()) {
        QStringList numbers;
        for (int k : incomplete)
            numbers << QString::number(k);
        printError(QStringLiteral("warning: %1 is damaged; incomplete frames, written as far as they could be read: %2")
                       .arg(gif, numbers.join(QStringLiteral(", "))));
    }
    if (!quiet)
        printLine(QStringLiteral("%1 written to %2").arg(countOf(written, QStringLiteral("frame")), *folder));
    return kExitOk;
}

}  // namespace pictoreel::cli
