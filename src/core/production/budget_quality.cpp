#include "core/production/budget_quality.h"

#include "core/gif/gif_reader.h"
#include "core/imaging/resampler.h"
#include "core/production/budget_frames.h"

#include <array>
#include <cmath>
#include <cstring>

namespace pictoreel {

namespace {

struct Lab {
    float l, a, b;
};

// sRGB samples as linear light.
const std::array<float, 256>& linearTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            t[std::size_t(v)] = float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}

Lab oklab(float r, float g, float b)
{
    const float l = std::cbrt(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
    const float m = std::cbrt(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
    const float s = std::cbrt(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s, 1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

// The OKLab colour of the 2×2 block at (x, y) of `image`, averaged in linear light.
Lab blockColour(const RgbaImage& image, int x, int y)
{
    const std::array<float, 256>& linear = linearTable();
    float sum[3] = {0, 0, 0};
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            const std::uint8_t* p = image.pixel(x + dx, y + dy);
            if (p[3] >= 128)
                for (int c = 0; c < 3; ++c)
                    sum[c] += linear[p[c]];
        }
    return oklab(sum[0] / 4, sum[1] / 4, sum[2] / 4);
}

// The colours of blocks whose four pixels are one, remembered: screens, graphics and pictures
// made larger have few such colours, each met in many blocks. Other blocks are worked out.
class BlockColours {
public:
    BlockColours() { keys_.fill(kEmpty); }
    Lab operator()(const RgbaImage& image, int x, int y)
    {
        std::uint32_t p[4];
        std::memcpy(&p[0], image.pixel(x, y), 4);
        std::memcpy(&p[1], image.pixel(x + 1, y), 4);
        std::memcpy(&p[2], image.pixel(x, y + 1), 4);
        std::memcpy(&p[3], image.pixel(x + 1, y + 1), 4);
        if (p[0] != p[1] || p[0] != p[2] || p[0] != p[3])
            return blockColour(image, x, y);
        const std::uint32_t slot = (p[0] * 2654435761u) >> (32 - kBits);
        if (keys_[slot] != p[0]) {
            keys_[slot] = p[0];
            values_[slot] = blockColour(image, x, y);
        }
        return values_[slot];
    }

private:
    static constexpr int kBits = 12;
    static constexpr std::uint64_t kEmpty = std::uint64_t{1} << 32;  // no pixel's value
    std::array<std::uint64_t, 1u << kBits> keys_;
    std::array<Lab, 1u << kBits> values_{};
};

// The colours of the 2×2 blocks of `image`, row by row.
std::vector<Lab> blockColours(const RgbaImage& image, BlockColours& colours)
{
    std::vector<Lab> blocks;
    blocks.reserve(std::size_t(image.width / 2) * std::size_t(image.height / 2));
    for (int y = 0; y + 1 < image.height; y += 2)
        for (int x = 0; x + 1 < image.width; x += 2)
            blocks.push_back(colours(image, x, y));
    return blocks;
}

// Sum of the colour differences between the 2×2 blocks of `a` and the block colours `b` of a
// picture of the same size.
double colourDifference(const RgbaImage& a, const std::vector<Lab>& b, BlockColours& colours)
{
    double sum = 0;
    std::size_t i = 0;
    for (int y = 0; y + 1 < a.height; y += 2)
        for (int x = 0; x + 1 < a.width; x += 2, ++i) {
            const Lab p = colours(a, x, y), q = b[i];
            sum += std::sqrt(double(p.l - q.l) * (p.l - q.l) + double(p.a - q.a) * (p.a - q.a) + double(p.b - q.b) * (p.b - q.b));
        }
    return sum;
}

// Block colours of the converted frames kept between attempts, up to this many bytes.
constexpr std::size_t kMostKeptBytes = 48'000'000;

}  // namespace

struct BudgetLook::Reference {
    int width = 0;
    int height = 0;
    std::vector<Lab> blocks;
};

BudgetLook::BudgetLook(std::vector<AnimationFrameSource> frames, int every)
    : frames_(std::move(frames)), every_(std::max(1, every))
{
}

BudgetLook::~BudgetLook() = default;

void BudgetLook::prepareAhead()
{
    if (!rated_ && !preparing_.valid())
        preparing_ = std::async(std::launch::async, [this] { prepare(); });
}

// Every rated frame's block colours, as the first rating would work them out and keep them.
// A picture that cannot be read leaves them to the rating, which tells why.
void BudgetLook::prepare()
{
    BlockColours colours;
    std::vector<Reference> made;
    std::size_t keptBytes = 0;
    int pictured = 0;
    for (const AnimationFrameSource& f : frames_) {
        if (f.fileName.isEmpty() || pictured++ % every_ != 0)
            continue;
        const Result<RgbaImage> picture = readConvertedPicture(f.fileName);
        if (!picture)
            return;
        made.push_back({picture.value().width, picture.value().height, blockColours(picture.value(), colours)});
        keptBytes += made.back().blocks.size() * sizeof(Lab);
        if (keptBytes > kMostKeptBytes)
            return;  // too many to keep: each rating works them out again
    }
    kept_ = std::move(made);
    rated_ = true;
}

Result<double> BudgetLook::rate(const QString& file)
{
    if (preparing_.valid())
        preparing_.get();
    Result<GifDecoder> opened = GifDecoder::openFile(file);
    if (!opened)
        return opened.error();
    GifDecoder& decoder = opened.value();
    double difference = 0, blocks = 0;
    int pictured = 0;
    BlockColours colours;
    const bool firstRating = !rated_;
    bool keep = firstRating;
    std::size_t keptBytes = 0;
    std::vector<Reference> made;
    std::size_t rated = 0;
    for (std::size_t k = 0; k < frames_.size(); ++k) {
        std::optional<GifFrame> frame = decoder.nextFrame();
        if (!frame)
            return makeError(ErrorCode::CorruptData, QStringLiteral("%1 ends before frame %2").arg(file).arg(k + 1));
        if (frames_[k].fileName.isEmpty() || pictured++ % every_ != 0)
            continue;
        Reference fresh;
        const Reference* wanted = rated < kept_.size() ? &kept_[rated] : nullptr;
        ++rated;
        if (!wanted) {
            const Result<RgbaImage> picture = readConvertedPicture(frames_[k].fileName);
            if (!picture)
                return picture.error();
            fresh = {picture.value().width, picture.value().height, blockColours(picture.value(), colours)};
            wanted = &fresh;
        }
        RgbaImage& shown = frame->image;
        if (shown.width != wanted->width || shown.height != wanted->height) {
            Result<RgbaImage> scaled = resampleImage(shown, wanted->width, wanted->height);
            if (!scaled)
                return scaled.error();
            shown = std::move(scaled.value());
        }
        difference += colourDifference(shown, wanted->blocks, colours);
        blocks += double(wanted->width / 2) * double(wanted->height / 2);
        if (keep && wanted == &fresh) {
            keptBytes += fresh.blocks.size() * sizeof(Lab);
            keep = keptBytes <= kMostKeptBytes;
            if (keep)
                made.push_back(std::move(fresh));
            else
                made = {};  // too many to keep: each rating works them out again
        }
    }
    if (firstRating && keep)
        kept_ = std::move(made);
    rated_ = true;
    return blocks == 0 ? 0.0 : -100 * difference / blocks;
}

Result<double> budgetAttemptQuality(const QString& file, const std::vector<AnimationFrameSource>& frames, int every)
{
    return BudgetLook(frames, every).rate(file);
}

}  // namespace pictoreel
