#include "core/production/budget_frames.h"

#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/noise_smoothing.h"
#include "core/imaging/photo_palette.h"
#include "core/imaging/resampler.h"
#include "core/production/frame_cache_names.h"
#include "core/production/make_job.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <unordered_set>

namespace pictoreel {

namespace {

// Pixels the palette shared by alike frames is chosen from.
constexpr std::int64_t kSharedPaletteSample = 2'000'000;
// The reduced frames' indices are held between their reduction and their assemblies up to this
// many bytes together.
constexpr std::int64_t kMostHeldIndices = 64'000'000;


// Alpha below half becomes transparent, the rest opaque, as a GIF stores it.
void thresholdAlpha(RgbaImage& image)
{
    for (std::size_t i = 3; i < image.pixels.size(); i += 4)
        image.pixels[i] = image.pixels[i] < 128 ? 0 : 255;
}

// `palette` with an entry for transparent pixels after its colours when `transparent`.
IndexedImage withPalette(int width, int height, std::vector<Rgb> palette, bool transparent)
{
    IndexedImage indexed{width, height, {}, std::move(palette), -1};
    if (indexed.palette.empty())
        indexed.palette.push_back(Rgb{});
    if (transparent) {
        indexed.transparentIndex = static_cast<int>(indexed.palette.size());
        indexed.palette.push_back(Rgb{});
    }
    return indexed;
}

// Opaque pixels take the nearest of the palette's colours, never the transparent entry after
// them: its black would take near-black pixels, which would then show what is behind them.
void mapPixels(const RgbaImage& image, IndexedImage& indexed)
{
    const bool transparent = indexed.transparentIndex >= 0;
    const std::vector<Rgb> colours(indexed.palette.begin(),
                                   transparent ? indexed.palette.begin() + indexed.transparentIndex : indexed.palette.end());
    indexed.indices = mapToPalette(image, colours, Dithering::None, transparent,
                                   static_cast<std::uint8_t>(std::max(0, indexed.transparentIndex)));
}

// `image` in at most `colors` colours, its transparent pixels (alpha below half, once scaled) in a
// palette entry of their own. Pictures that already have few enough colours keep them exactly.
Result<IndexedImage> reduceColours(RgbaImage image, int colors)
{
    thresholdAlpha(image);
    bool transparent = false;
    std::unordered_set<std::uint32_t> seen;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        const std::uint8_t* p = &image.pixels[i];
        transparent = transparent || p[3] == 0;
        if (p[3] != 0 && seen.size() <= 256)
            seen.insert(std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]);
    }
    const int room = std::max(1, colors - (transparent ? 1 : 0));
    QuantizeOptions options;
    options.reserveTransparent = transparent;
    if (static_cast<int>(seen.size()) <= room || colors >= 256)
        return quantizeImage(image, options);
    IndexedImage indexed = withPalette(image.width, image.height, choosePhotoPalette(image, room, transparent), transparent);
    mapPixels(image, indexed);
    return indexed;
}

}  // namespace

Result<RgbaImage> readConvertedPicture(const QString& file)
{
    Result<DecodedGif> decoded = decodeGifFile(file);
    if (!decoded)
        return decoded.error();
    if (decoded.value().frames.empty())
        return makeError(ErrorCode::CorruptData, QStringLiteral("No picture in %1").arg(file));
    return std::move(decoded.value().frames.front().image);
}

BudgetFrames::BudgetFrames(const BudgetMake& make) : make_(make)
{
    removeFilesOfEndedRuns(make.tempFolder);
    prefix_ = runFilePrefix(make.tempFolder, "budget");
}

BudgetFrames::~BudgetFrames()
{
    failed_ = true;  // what is left of a reduction is not wanted
    (void)reductionDone();
    for (const AnimationFrameSource& f : reduced_)
        if (!f.fileName.isEmpty())
            QFile::remove(f.fileName);
}

QString BudgetFrames::attemptFile(int attempt) const { return prefix_ + QStringLiteral("attempt_%1.gif").arg(attempt); }

bool BudgetFrames::convertedFor(const BudgetSettings& settings) const
{
    const BudgetSettings& start = make_.start;
    return settings.colors == start.colors && settings.width == start.width && settings.height == start.height;
}

bool BudgetFrames::reducesFor(const BudgetSettings& settings) const
{
    return !convertedFor(settings) && (reduced_.empty() || settings.colors != reducedAs_.colors ||
                                       settings.width != reducedAs_.width || settings.height != reducedAs_.height);
}

Result<AnimationFrames> BudgetFrames::assemblyFramesFor(const BudgetSettings& settings)
{
    if (convertedFor(settings))
        return AnimationFrames(make_.frames);
    if (reducesFor(settings)) {
        if (Status s = reduce(settings); !s)
            return s.error();
        reducedAs_ = settings;
    }
    std::vector<int> delays;
    for (const AnimationFrameSource& f : reduced_)
        delays.push_back(f.delayCentiseconds);
    return AnimationFrames(std::move(delays), [this](std::size_t k) { return reducedFrame(k); });
}

MadeFrame BudgetFrames::reducedFrame(std::size_t k)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return reducedDone_[k] || failed_; });
    return {reduced_[k].fileName, reducedIndices_.empty() ? nullptr : reducedIndices_[k], nullptr};
}

Status BudgetFrames::reductionDone()
{
    for (std::thread& t : reducing_)
        t.join();
    reducing_.clear();
    for (Status& s : statuses_)
        if (!s)
            return s;
    return {};
}

Status BudgetFrames::forEachPicture(const std::function<Status(std::size_t k, RgbaImage& picture)>& visit) const
{
    for (std::size_t k = 0; k < make_.frames.size(); ++k) {
        if (make_.frames[k].fileName.isEmpty())
            continue;
        Result<RgbaImage> picture = readConvertedPicture(make_.frames[k].fileName);
        if (!picture)
            return picture.error();
        if (Status s = visit(k, picture.value()); !s)
            return s;
    }
    return {};
}

Result<bool> BudgetFrames::alike()
{
    if (alike_)
        return *alike_;
    // The rows the shared palette is chosen from are taken in the same pass, so that the frames
    // are read once for both, whatever colours the attempts ask for.
    const int width = make_.start.width;
    const auto rows = static_cast<std::int64_t>(make_.start.height) * make_.frames.size();
    const int step = static_cast<int>(std::max<std::int64_t>(1, rows * width / kSharedPaletteSample));
    RgbaImage sample(width, 0);
    bool transparent = false;
    std::int64_t same = 0, total = 0;
    RgbaImage previous;
    const Status read = forEachPicture([&](std::size_t, RgbaImage& picture) -> Status {
        const std::vector<std::uint8_t>& now = picture.pixels;
        if (now.size() == previous.pixels.size()) {
            for (std::size_t i = 0; i < now.size(); i += 4)
                same += std::memcmp(&now[i], &previous.pixels[i], 4) == 0;
            total += static_cast<std::int64_t>(now.size() / 4);
        }
        for (std::size_t i = 3; i < now.size() && !transparent; i += 4)
            transparent = now[i] < 128;
        for (int y = 0; y < picture.height && picture.width == width; y += step) {
            sample.pixels.insert(sample.pixels.end(), picture.pixel(0, y), picture.pixel(0, y) + std::size_t{4} * width);
            ++sample.height;
        }
        previous = std::move(picture);
        return {};
    });
    if (!read)
        return read.error();
    alike_ = total > 0 && same * 2 > total;
    if (*alike_) {
        thresholdAlpha(sample);
        sample_ = std::move(sample);
        sampleTransparent_ = transparent;
    }
    return *alike_;
}

// One palette of at most `colors` entries (one of them for transparent pixels when a frame has
// any) for every frame, from a few rows of each.
void BudgetFrames::chooseSharedPalette(int colors)
{
    const bool transparent = sampleTransparent_;
    shared_ = withPalette(0, 0, choosePhotoPalette(sample_, std::max(1, colors - (transparent ? 1 : 0)), transparent), transparent);
}

Status BudgetFrames::reduceOne(std::size_t k, const BudgetSettings& settings)
{
    Result<RgbaImage> picture = readConvertedPicture(make_.frames[k].fileName);
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
    IndexedImage indexed;
    if (!*alike_) {
        smoothDitherNoise(scaled);
        Result<IndexedImage> reduced = reduceColours(std::move(scaled), settings.colors);
        if (!reduced)
            return reduced.error();
        indexed = std::move(reduced.value());
    } else {
        thresholdAlpha(scaled);
        indexed = IndexedImage{scaled.width, scaled.height, {}, shared_.palette, shared_.transparentIndex};
        mapPixels(scaled, indexed);
    }
    if (Status s = writeSingleImageGif(reduced_[k].fileName, indexed); !s)
        return s;
    if (!reducedIndices_.empty())
        reducedIndices_[k] = std::make_shared<const std::vector<std::uint8_t>>(std::move(indexed.indices));
    return {};
}

Status BudgetFrames::reduce(const BudgetSettings& settings)
{
    (void)reductionDone();  // the last one's outcome was told already
    if (Result<bool> a = alike(); !a)
        return a.error();
    if (*alike_)
        chooseSharedPalette(settings.colors);
    reduced_ = make_.frames;
    reducedIndices_.clear();
    const std::int64_t pixels = std::int64_t{settings.width} * settings.height * static_cast<std::int64_t>(reduced_.size());
    if (pixels <= kMostHeldIndices)
        reducedIndices_.resize(reduced_.size());
    for (std::size_t k = 0; k < reduced_.size(); ++k)
        if (!reduced_[k].fileName.isEmpty())
            reduced_[k].fileName = prefix_ + QStringLiteral("frame_%1.gif").arg(k + 1);
    next_ = 0;
    failed_ = false;
    statuses_.assign(reduced_.size(), Status{});
    reducedDone_.assign(reduced_.size(), 0);
    const auto work = [this, settings] {
        for (std::size_t k; !failed_ && (k = next_++) < reduced_.size();) {
            Status status;
            if (reduced_[k].fileName.isEmpty())
                status = {};
            else if (make_.stopRequested && make_.stopRequested())
                status = makeCancelled();
            else
                status = reduceOne(k, settings);
            std::lock_guard lock(mutex_);
            statuses_[k] = std::move(status);
            failed_ = failed_ || !statuses_[k];
            reducedDone_[k] = 1;
            changed_.notify_all();
        }
    };
    for (int t = 0; t < std::max(1, make_.jobs); ++t)
        reducing_.emplace_back(work);
    return {};
}

}  // namespace pictoreel
