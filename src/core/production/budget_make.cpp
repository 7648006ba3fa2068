#include "core/production/budget_make.h"

#include "core/animation/animation_assembler.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/photo_palette.h"
#include "core/imaging/quantizer.h"
#include "core/imaging/resampler.h"
#include "core/production/animation_cache.h"
#include "core/production/frame_cache_names.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>
#include <unordered_set>

namespace pictoreel {

namespace {

// Pixels the palette shared by alike frames is chosen from.
constexpr std::int64_t kSharedPaletteSample = 2'000'000;

Error cancelled() { return makeError(ErrorCode::Cancelled, QStringLiteral("The make was cancelled.")); }

// `image` in at most `colors` colours, its transparent pixels (alpha below half, once scaled) in a
// palette entry of their own. Pictures that already have few enough colours keep them exactly.
Result<IndexedImage> reduceColours(RgbaImage image, int colors)
{
    bool transparent = false;
    std::unordered_set<std::uint32_t> seen;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        std::uint8_t* p = &image.pixels[i];
        p[3] = p[3] < 128 ? 0 : 255;
        transparent = transparent || p[3] == 0;
        if (p[3] != 0 && seen.size() <= 256)
            seen.insert(std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]);
    }
    const int room = std::max(1, colors - (transparent ? 1 : 0));
    QuantizeOptions options;
    options.reserveTransparent = transparent;
    if (static_cast<int>(seen.size()) <= room || colors >= 256)
        return quantizeImage(image, options);
    IndexedImage indexed;
    indexed.width = image.width;
    indexed.height = image.height;
    indexed.palette = choosePhotoPalette(image, room, transparent);
    if (indexed.palette.empty())
        indexed.palette.push_back(Rgb{});
    if (transparent) {
        indexed.transparentIndex = static_cast<int>(indexed.palette.size());
        indexed.palette.push_back(Rgb{});
    }
    indexed.indices = mapToPalette(image, indexed.palette, Dithering::None, transparent,
                                   static_cast<std::uint8_t>(std::max(0, indexed.transparentIndex)));
    return indexed;
}

// The converted frames and the reductions made of them.
class ReducedFrames {
public:
    explicit ReducedFrames(const BudgetMake& make) : make_(make)
    {
        prefix_ = make.tempFolder + QString::fromLatin1(kTempGifPrefix) +
                  QStringLiteral("budget_%1_").arg(QCoreApplication::applicationPid());
    }

    ~ReducedFrames()
    {
        for (const AnimationFrameSource& f : reduced_)
            if (!f.fileName.isEmpty())
                QFile::remove(f.fileName);
    }

    QString attemptFile(int attempt) const { return prefix_ + QStringLiteral("attempt_%1.gif").arg(attempt); }

    // The frames for `settings`: the converted ones at the start's colours and size, else
    // reduced ones (made again only when colours or size change).
    Result<std::vector<AnimationFrameSource>> framesFor(const BudgetSettings& settings)
    {
        const BudgetSettings& start = make_.start;
        if (settings.colors == start.colors && settings.width == start.width && settings.height == start.height)
            return make_.frames;
        if (reduced_.empty() || settings.colors != reducedAs_.colors || settings.width != reducedAs_.width ||
            settings.height != reducedAs_.height) {
            if (Status s = reduce(settings); !s)
                return s.error();
            reducedAs_ = settings;
        }
        return reduced_;
    }

private:
    // The converted frame, read again from its file: a few milliseconds, and no memory held
    // between attempts.
    Result<RgbaImage> pictureOf(std::size_t k) const
    {
        Result<DecodedGif> decoded = decodeGifFile(make_.frames[k].fileName);
        if (!decoded)
            return decoded.error();
        if (decoded.value().frames.empty())
            return makeError(ErrorCode::CorruptData, QStringLiteral("No picture in %1").arg(make_.frames[k].fileName));
        return std::move(decoded.value().frames.front().image);
    }

    // Whether most pixels stay as they are from frame to frame (graphics that change in places):
    // the reductions then share one palette, so what stays the same in the pictures stays the same
    // in the frames and the assembler stores only what changes.
    Result<bool> framesAlike()
    {
        std::int64_t same = 0, total = 0;
        RgbaImage previous;
        for (std::size_t k = 0; k < make_.frames.size(); ++k) {
            if (make_.frames[k].fileName.isEmpty())
                continue;
            Result<RgbaImage> picture = pictureOf(k);
            if (!picture)
                return picture.error();
            const std::vector<std::uint8_t>& now = picture.value().pixels;
            if (now.size() == previous.pixels.size()) {
                for (std::size_t i = 0; i < now.size(); i += 4)
                    same += std::memcmp(&now[i], &previous.pixels[i], 4) == 0;
                total += static_cast<std::int64_t>(now.size() / 4);
            }
            previous = std::move(picture.value());
        }
        return total > 0 && same * 2 > total;
    }

    // One palette of at most `colors` entries (one of them for transparent pixels when a frame has
    // any) for every frame, from a few rows of each.
    Status chooseSharedPalette(int colors)
    {
        const int width = make_.start.width;
        const auto rows = static_cast<std::int64_t>(make_.start.height) * make_.frames.size();
        const int step = static_cast<int>(std::max<std::int64_t>(1, rows * width / kSharedPaletteSample));
        RgbaImage sample(width, 0);
        shared_ = IndexedImage{};
        bool transparent = false;
        for (std::size_t k = 0; k < make_.frames.size(); ++k) {
            if (make_.frames[k].fileName.isEmpty())
                continue;
            Result<RgbaImage> picture = pictureOf(k);
            if (!picture)
                return picture.error();
            const RgbaImage& p = picture.value();
            for (std::size_t i = 3; i < p.pixels.size() && !transparent; i += 4)
                transparent = p.pixels[i] < 128;
            for (int y = 0; y < p.height && p.width == width; y += step) {
                sample.pixels.insert(sample.pixels.end(), p.pixel(0, y), p.pixel(0, y) + std::size_t{4} * width);
                ++sample.height;
            }
        }
        for (std::size_t i = 3; i < sample.pixels.size(); i += 4)
            sample.pixels[i] = sample.pixels[i] < 128 ? 0 : 255;
        shared_.palette = choosePhotoPalette(sample, std::max(1, colors - (transparent ? 1 : 0)), transparent);
        if (shared_.palette.empty())
            shared_.palette.push_back(Rgb{});
        if (transparent) {
            shared_.transparentIndex = static_cast<int>(shared_.palette.size());
            shared_.palette.push_back(Rgb{});
        }
        return {};
    }

    Status reduceOne(std::size_t k, const BudgetSettings& settings)
    {
        Result<RgbaImage> picture = pictureOf(k);
        if (!picture)
            return picture.error();
        RgbaImage scaled;
        if (picture.value().width != settings.width || picture.value().height != settings.height) {
            Result<RgbaImage> resampled = resampleImage(picture.value(), settings.width, settings.height);
            if (!resampled)
                return resampled.error();
            scaled = std::move(resampled.value());
        } else {
            scaled = std::move(picture.value());
        }
        if (!*alike_) {
            const Result<IndexedImage> indexed = reduceColours(std::move(scaled), settings.colors);
            return indexed ? writeSingleImageGif(reduced_[k].fileName, indexed.value()) : Status(indexed.error());
        }
        for (std::size_t i = 3; i < scaled.pixels.size(); i += 4)
            scaled.pixels[i] = scaled.pixels[i] < 128 ? 0 : 255;
        IndexedImage indexed{scaled.width, scaled.height, {}, shared_.palette, shared_.transparentIndex};
        indexed.indices = mapToPalette(scaled, indexed.palette, Dithering::None, indexed.transparentIndex >= 0,
                                       static_cast<std::uint8_t>(std::max(0, indexed.transparentIndex)));
        return writeSingleImageGif(reduced_[k].fileName, indexed);
    }

    Status reduce(const BudgetSettings& settings)
    {
        if (!alike_) {
            Result<bool> alike = framesAlike();
            if (!alike)
                return alike.error();
            alike_ = alike.value();
        }
        if (*alike_)
            if (Status s = chooseSharedPalette(settings.colors); !s)
                return s;
        reduced_ = make_.frames;
        for (std::size_t k = 0; k < reduced_.size(); ++k)
            if (!reduced_[k].fileName.isEmpty())
                reduced_[k].fileName = prefix_ + QStringLiteral("frame_%1.gif").arg(k + 1);
        std::atomic<std::size_t> next{0};
        std::atomic<bool> failed{false};
        std::vector<Status> statuses(reduced_.size());
        const auto work = [&] {
            for (std::size_t k; !failed && (k = next++) < reduced_.size();) {
                if (reduced_[k].fileName.isEmpty())
                    continue;
                if (make_.stopRequested && make_.stopRequested())
                    statuses[k] = cancelled();
                else
                    statuses[k] = reduceOne(k, settings);
                if (!statuses[k])
                    failed = true;
            }
        };
        std::vector<std::thread> threads;
        for (int t = 1; t < make_.jobs; ++t)
            threads.emplace_back(work);
        work();
        for (std::thread& t : threads)
            t.join();
        for (Status& s : statuses)
            if (!s)
                return s;
        return {};
    }

    const BudgetMake& make_;
    QString prefix_;
    std::vector<AnimationFrameSource> reduced_;
    BudgetSettings reducedAs_;
    std::optional<bool> alike_;  // once looked at
    IndexedImage shared_;        // the palette the frames share when alike
};

// Puts the finished attempt at `output` (with the permissions of an earlier file there): renamed
// when on the same file system, else copied.
Status placeOutput(const QString& attempt, const QString& output)
{
    if (const QFileInfo earlier(output); earlier.isFile())
        QFile::setPermissions(attempt, earlier.permissions());
    if (std::rename(QFile::encodeName(attempt).constData(), QFile::encodeName(output).constData()) == 0)
        return {};
    if (Status copied = copyCachedAnimation(attempt, output, {}); !copied)
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1").arg(output));
    return {};
}

}  // namespace

QString budgetSettingsText(const BudgetSettings& settings, int fullWidth, int fullHeight)
{
    QString text = QStringLiteral("lossy %1, %2 colours").arg(settings.lossy).arg(settings.colors);
    if (settings.width != fullWidth || settings.height != fullHeight)
        text += QStringLiteral(", %1×%2").arg(settings.width).arg(settings.height);
    return text;
}

Result<BudgetOutcome> makeWithinBudget(std::int64_t budget, const BudgetMake& make, const QString& output)
{
    ReducedFrames frames(make);
    int attempts = 0;
    const auto stopped = [&make] { return make.stopRequested && make.stopRequested(); };
    std::vector<std::pair<BudgetSettings, QString>> fitting;  // the attempts that fit, with their files
    const auto removeAll = [&fitting] {
        for (const auto& [settings, file] : fitting)
            QFile::remove(file);
    };
    const BudgetAttempt attempt = [&](const BudgetSettings& settings) -> Result<std::int64_t> {
        if (stopped())
            return cancelled();
        Result<std::vector<AnimationFrameSource>> sources = frames.framesFor(settings);
        if (!sources)
            return sources.error();
        AnimationSettings animation = make.settings;
        animation.lossy = settings.lossy;
        const QString file = frames.attemptFile(++attempts);
        const Status saved = AnimationAssembler(std::move(sources.value()), animation).save(file, [&](int percent) {
            return percent == 100 || !stopped();
        });
        if (!saved)
            return saved.error().code == ErrorCode::Cancelled ? cancelled() : saved.error();
        const std::int64_t bytes = QFileInfo(file).size();
        if (bytes <= budget)
            fitting.emplace_back(settings, file);
        else
            QFile::remove(file);
        if (make.progress)
            make.progress(std::min(95, attempts * 100 / (attempts + 2)));
        return bytes;
    };
    const Result<BudgetOutcome> searched = searchSizeBudget(budget, make.start, attempt);
    if (!searched) {
        removeAll();
        return searched.error();
    }
    const BudgetOutcome& outcome = searched.value();
    if (!outcome.fits) {
        removeAll();
        const QLocale c(QLocale::English);
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The GIF does not fit in %1 bytes: the smallest of %2 attempts was %3 bytes (%4).")
                             .arg(c.toString(qlonglong(budget)))
                             .arg(outcome.attempts)
                             .arg(c.toString(qlonglong(outcome.bytes)))
                             .arg(budgetSettingsText(outcome.chosen, make.start.width, make.start.height)));
    }
    QString chosen;
    for (const auto& [settings, file] : fitting)
        if (settings == outcome.chosen)
            chosen = file;
    Status placed = stopped() ? Status(cancelled()) : placeOutput(chosen, output);
    removeAll();
    if (!placed)
        return placed.error();
    if (make.progress)
        make.progress(100);
    return outcome;
}

}  // namespace pictoreel
