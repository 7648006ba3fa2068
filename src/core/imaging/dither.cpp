#include "core/imaging/dither.h"

#include "core/imaging/nearest_colour.h"
#include "core/imaging/wide_vectors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace pictoreel {

namespace {

// How far the pattern may move a pixel, and how far the error carried to a pixel may, as a share
// (in 1/256) of the palette's typical step; the error a pixel passes on is limited by the step
// around its own entry (see ReductionTuning). Error diffusion passes on kDiffusionStrength / 256
// of each error. Measured on the benchmark's photos: this much diffusion removes the visible
// bands in skies and other smooth gradients; the limits keep noise from building up and travelling.
constexpr int kOrderedAmount = 256;
constexpr int kDiffusionLimit = 160;
constexpr int kDiffusionStrength = 230;
// The activity (see leeway()) below which a pixel takes and passes on all of the diffused
// error, and above which kBusyWeight / 256 of it (about a seventh of the diffusion in all), in
// 1/256 of the palette's typical step. Measured on the benchmark's photos: this saves 4 to 9 % of
// the bytes and keeps skies as smooth as full diffusion; busy areas with none lose their local
// colour.
constexpr int kSmoothActivity = 32;
constexpr int kBusyActivity = 128;
constexpr int kBusyWeight = 96;
constexpr int kBoxRadius = 2;
// Where the picture is busy, a pixel takes the entry of the pixel before it when that entry is
// nearly as near to the colour wanted (measured as kChromaShare says): at most (kRunSlack / 256
// of the typical step) squared farther at the busiest, and less as the area gets smoother (in
// smooth areas not at all). The diffusion passes on the difference, as far as its weight and
// limit let it, so the area keeps its colour, and the longer runs of one entry take LZW fewer
// codes. Measured on the benchmark's photos, with the busy weight above: 9 % fewer bytes, PSNR
// and SSIM slightly higher (less noise where it was busy), and skies keep their pattern.
constexpr int kRunSlack = 148;
// A step hides in texture in proportion to the texture's own contrast: where the picture is busy,
// the slack is also at least three times the square of kMaskingShare / 256 of the mean step
// between neighbouring pixels (a channel's, over the same 5 x 5 box). Coarse, high-contrast
// texture (rock, foliage, gravel) then takes far longer runs, while fine, low-contrast texture,
// which the eye follows, keeps the slack above. Measured on the benchmark's photos against the
// slack above alone: the camera pan over rock and grass 5 % smaller at SSIMULACRA 0.0111 against
// 0.0104 (PSNR 1.3 dB lower), the other photos 2 % smaller at SSIM 0.0004 lower.
constexpr int kMaskingShare = 98;
// "Nearly as near" is judged on a distance that weighs a step in lightness more than a step in
// hue: kChromaShare / 256 of the squared distance plus the rest of three times the squared
// lightness step (which is the squared distance for a step in grey). The eye sees texture by its
// lightness, so a run may go on through a small shift of hue where it would break for the same
// shift of lightness. Measured on the benchmark's photos against the plain distance: 1 % fewer
// bytes, and SSIM, SSIMULACRA and Butteraugli all a little better (PSNR 0.05 dB lower).
constexpr int kChromaShare = 192;

// A colour's lightness (BT.601 weights) times 256.
int lightness256(int r, int g, int b) { return 77 * r + 150 * g + 29 * b; }

// How much farther, as three times a squared step in lightness, the lightness `before` is from
// `want` than `nearest` is (all given times 256): the difference of two squares, as one product.
int fartherInLightness(int want, int before, int nearest)
{
    const int apart16 = (nearest - before) >> 4, sum16 = (2 * want - before - nearest) >> 4;  // in 1/16 levels
    return 3 * apart16 * sum16 >> 8;
}

int squaredDistance(const Rgb& e, const std::uint8_t* p)
{
    const int dr = e.r - p[0], dg = e.g - p[1], db = e.b - p[2];
    return dr * dr + dg * dg + db * db;
}

// Each entry's squared distance to its nearest other entry (none for a palette of one).
std::vector<int> entrySteps(const std::vector<Rgb>& palette)
{
    std::vector<int> nearest;
    if (palette.size() < 2)
        return nearest;
    nearest.assign(palette.size(), std::numeric_limits<int>::max());
    // Each pair once, for both of its entries.
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::uint8_t self[3] = {palette[i].r, palette[i].g, palette[i].b};
        for (std::size_t j = i + 1; j < palette.size(); ++j) {
            const int d = squaredDistance(palette[j], self);
            nearest[i] = std::min(nearest[i], d);
            nearest[j] = std::min(nearest[j], d);
        }
    }
    return nearest;
}

// The palette's typical step: the median distance from an entry to its nearest other entry, in
// channel levels (0 for a palette of one), from entrySteps().
int typicalStep(std::vector<int> nearest)
{
    if (nearest.empty())
        return 0;
    std::nth_element(nearest.begin(), nearest.begin() + std::ptrdiff_t(nearest.size() / 2), nearest.end());
    return static_cast<int>(std::lround(std::sqrt(double(nearest[nearest.size() / 2]))));
}

// The 8 x 8 Bayer matrix: every threshold 0..63 once, each as far from its equals as can be.
constexpr std::array<std::array<std::uint8_t, 8>, 8> kBayer{{{0, 32, 8, 40, 2, 34, 10, 42},
                                                             {48, 16, 56, 24, 50, 18, 58, 26},
                                                             {12, 44, 4, 36, 14, 46, 6, 38},
                                                             {60, 28, 52, 20, 62, 30, 54, 22},
                                                             {3, 35, 11, 43, 1, 33, 9, 41},
                                                             {51, 19, 59, 27, 49, 17, 57, 25},
                                                             {15, 47, 7, 39, 13, 45, 5, 37},
                                                             {63, 31, 55, 23, 61, 29, 53, 21}}};

// The entry that holds exactly a colour, if any (the first such): open addressing, behind a
// one-bit-a-hash filter. Most pixels of a photo hold no entry's colour: the filter tells them
// with one bit, where the table would send a quarter of them on to a second slot, a branch the
// processor cannot foresee.
class ExactEntries {
public:
    explicit ExactEntries(const std::vector<Rgb>& palette)
    {
        keys_.fill(kEmpty);
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const std::uint32_t key = pack(palette[i].r, palette[i].g, palette[i].b);
            const std::uint32_t bit = filterBit(key);
            filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
            std::uint32_t slot = hash(key);
            while (keys_[slot] != kEmpty && keys_[slot] != key)
                slot = (slot + 1) & kMask;
            if (keys_[slot] == kEmpty) {
                keys_[slot] = key;
                entries_[slot] = static_cast<std::uint8_t>(i);
            }
        }
    }

    int find(const std::uint8_t* p) const
    {
        const std::uint32_t key = pack(p[0], p[1], p[2]);
        const std::uint32_t bit = filterBit(key);
        if ((filter_[bit / 64] >> (bit % 64) & 1) == 0)
            return -1;
        for (std::uint32_t slot = hash(key);; slot = (slot + 1) & kMask) {
            if (keys_[slot] == key)
                return entries_[slot];
            if (keys_[slot] == kEmpty)
                return -1;
        }
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu, kMask = 1023;
    static std::uint32_t pack(int r, int g, int b) { return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16); }
    static std::uint32_t hash(std::uint32_t key) { return (key * 2654435761u) >> 22; }
    // 16 bits of another hash than the table's: a palette sets at most 1 bit in 256.
    static std::uint32_t filterBit(std::uint32_t key) { return (key * 0x2C1B3C6Du) >> 16; }
    std::array<std::uint64_t, 1024> filter_{};
    std::array<std::uint32_t, 1024> keys_;
    std::array<std::uint8_t, 1024> entries_{};
};

std::uint8_t channel(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// What the diffusion may do at each pixel, from how busy the picture is around it.
struct PixelLeeway {
    // How much of the diffused error the pixel takes and passes on, in 1/256: all of it where the
    // picture is smooth (skies, skin, out-of-focus backgrounds), where the palette's steps would
    // show as contour bands; less where it is busy, whose own texture hides the steps and where
    // the noise mostly costs bytes (some still keeps the area's mean colour).
    std::unique_ptr<std::uint16_t[]> weights;
    // How much farther (squared levels) than the nearest entry the entry of the pixel before may
    // be for the pixel to keep it; used only where the weight is below full.
    std::unique_ptr<std::uint16_t[]> slacks;
};

// Steps between neighbours in an activity box: two a pixel.
constexpr int kBoxSteps = (2 * kBoxRadius + 1) * (2 * kBoxRadius + 1) * 2;

// Where the activity turns from smooth to busy (box sums times 256), and the slack of the
// busiest weight (see leeway()).
struct ActivityBands {
    int smooth, busy;
    float inverseSpan;  // 1 / (busy - smooth), for a quotient then made exact
    int runSlack;
};

// One row's weights and slacks from its box sums `column`, which then move on a row: `entering`
// added, `leaving` taken off. In integers, and without a branch or a division by a variable, so
// that it vectorises: the share's quotient is estimated in float and then corrected, which gives
// the quotient exactly (the estimate is within one of it).
PICTOREEL_WIDE_VECTORS void leewayRow(const ActivityBands bands, int* __restrict column, const int* entering, const int* leaving,
                                      int w, std::uint16_t* __restrict weights, std::uint16_t* __restrict slacks)
{
    const int busy = bands.busy, span = bands.busy - bands.smooth, runSlack = bands.runSlack;
    const float inverseSpan = bands.inverseSpan;
    for (int x = 0; x < w; ++x) {
        const int sum = column[x] * 256;
        // In int: busy is below 2^23 (a step is at most 442 levels), so 256 times it fits.
        const int above = 256 * std::clamp(busy - sum, 0, span);  // 256 * span at most
        int share = int(float(above) * inverseSpan);
        const int rest = above - share * span;
        share += (rest >= span) - (rest < 0);
        const int weight = kBusyWeight + (256 - kBusyWeight) * share / 256;
        weights[x] = static_cast<std::uint16_t>(weight);
        // A channel's mean step, then the masked share of it, in 1/16 levels.
        const int masked16 = column[x] * 16 / (kBoxSteps * 3) * kMaskingShare / 256;
        const int masked = 3 * masked16 * masked16 >> 8;
        slacks[x] = static_cast<std::uint16_t>(std::min(std::max((256 - weight) * runSlack / 256, masked), 65535));
        column[x] += entering[x] - leaving[x];
    }
}

// The activity is the mean step between neighbouring pixels (the three channels summed) over a
// 5 x 5 box, compared with the palette's typical step.
PixelLeeway leeway(const RgbaImage& image, int step)
{
    const int w = image.width, h = image.height;
    // The slack a weight below full gives, in squared levels: (256 - weight) * runSlack / 256,
    // which is kRunSlack's where the weight is kBusyWeight.
    const int busiestSlack = step * kRunSlack / 256;
    const int runSlack = busiestSlack * busiestSlack * 256 / (256 - kBusyWeight);
    // Every value is written below: the buffers need no clearing first.
    PixelLeeway out{std::make_unique_for_overwrite<std::uint16_t[]>(static_cast<std::size_t>(w) * h),
                    std::make_unique_for_overwrite<std::uint16_t[]>(static_cast<std::size_t>(w) * h)};
    if (w == 0 || h == 0)
        return out;
    // The activity's box sums along the rows (the edges repeated), kept for the last few rows
    // only: a row's weights need the rows kBoxRadius above and below it.
    constexpr int kRows = 2 * kBoxRadius + 2;
    std::vector<int> activity(static_cast<std::size_t>(w)), across(static_cast<std::size_t>(kRows) * w);
    const auto acrossOf = [&](int y) {
        return across.data() + static_cast<std::size_t>(std::clamp(y, 0, h - 1) % kRows) * w;
    };
    const auto addRow = [&](int y) {
        const std::uint8_t* p = image.pixel(0, y);
        const std::uint8_t* down = image.pixel(0, std::min(y + 1, h - 1));
        int* a = activity.data();
        // The last pixel has no right neighbour (its step to the right is 0): the others form a
        // loop the compiler vectorises.
        for (int x = 0; x < w; ++x, p += 4, down += 4) {
            int sum = 0;
            for (int c = 0; c < 3; ++c)
                sum += std::abs(down[c] - p[c]);
            a[x] = sum;
        }
        p = image.pixel(0, y);
        for (int x = 0; x + 1 < w; ++x, p += 4)
            for (int c = 0; c < 3; ++c)
                a[x] += std::abs(p[4 + c] - p[c]);
        int* s = acrossOf(y);
        int sum = 0;
        for (int d = -kBoxRadius; d <= kBoxRadius; ++d)
            sum += a[std::clamp(d, 0, w - 1)];
        for (int x = 0; x < w; ++x) {
            s[x] = sum;
            sum += a[std::min(x + kBoxRadius + 1, w - 1)] - a[std::max(x - kBoxRadius, 0)];
        }
    };
    // Then running sums of those down the columns.
    const int smooth = step * kSmoothActivity * kBoxSteps, busy = std::max(step * kBusyActivity * kBoxSteps, smooth + 1);
    const ActivityBands bands{smooth, busy, 1.0f / float(busy - smooth), runSlack};
    for (int y = 0; y <= std::min(kBoxRadius, h - 1); ++y)
        addRow(y);
    std::vector<int> column(static_cast<std::size_t>(w), 0);
    for (int d = -kBoxRadius; d <= kBoxRadius; ++d) {
        const int* s = acrossOf(d);
        for (int x = 0; x < w; ++x)
            column[std::size_t(x)] += s[x];
    }
    for (int y = 0; y < h; ++y) {
        if (y + kBoxRadius + 1 < h)
            addRow(y + kBoxRadius + 1);
        std::uint16_t* weights = out.weights.get() + static_cast<std::size_t>(y) * w;
        std::uint16_t* slacks = out.slacks.get() + static_cast<std::size_t>(y) * w;
        const int *entering = acrossOf(y + kBoxRadius + 1), *leaving = acrossOf(y - kBoxRadius);
        leewayRow(bands, column.data(), entering, leaving, w, weights, slacks);
    }
    return out;
}

}  // namespace

void mapOrdered(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                std::vector<std::uint8_t>& out)
{
    const ExactEntries exact(palette);
    const int amplitude = typicalStep(entrySteps(palette)) * kOrderedAmount;  // in 1/256 levels
    // The offset for each threshold, centred on 0 and spanning the amplitude.
    std::array<int, 64> offset{};
    for (int t = 0; t < 64; ++t)
        offset[std::size_t(t)] = ((2 * t + 1 - 64) * amplitude / 128 + (t < 32 ? -128 : 128)) / 256;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* p = image.pixel(0, y);
        std::uint8_t* row = out.data() + static_cast<std::size_t>(y) * image.width;
        const auto& thresholds = kBayer[std::size_t(y & 7)];
        for (int x = 0; x < image.width; ++x, p += 4) {
            if (skipTransparent && p[3] == 0)
                continue;
            if (const int own = exact.find(p); own >= 0) {
                row[x] = static_cast<std::uint8_t>(own);
                continue;
            }
            const int d = offset[thresholds[std::size_t(x & 7)]];
            row[x] = nearest.find(channel(p[0] + d), channel(p[1] + d), channel(p[2] + d));
        }
    }
}

namespace {

// The error diffusion of one band of rows, top to bottom, a pixel at a time. Each pixel waits
// for the error of the one before it, so a band is one long chain of dependent steps: two bands
// stepped in turn give the processor two chains to overlap.
class DiffusionBand {
public:
    struct Shared {
        const RgbaImage& image;
        const std::vector<Rgb>& palette;
        CellNearest& nearest;
        const ExactEntries& exact;
        const std::vector<int>& lightness;  // of each entry, times 256
        const PixelLeeway& leeway;
        int limit;
        // Of each entry: how far the error passed on from a pixel given it may go, in levels.
        const std::vector<int>& entryLimits;
        bool skipTransparent;
        std::vector<std::uint8_t>& out;
    };

    DiffusionBand(const Shared& shared, int firstRow, int endRow)
        : s_(shared), y_(firstRow - 1), end_(endRow),
          current_(static_cast<std::size_t>(shared.image.width + 2) * 3, 0), below_(current_.size(), 0)
    {
    }

    // Moves to the next row of the band; false after its last.
    bool nextRow()
    {
        std::swap(current_, below_);  // both hold no error before the first row
        if (++y_ >= end_)
            return false;
        std::fill(below_.begin(), below_.end(), 0);
        // Serpentine: every other row runs right to left, so errors do not drift one way.
        dir_ = (y_ & 1) ? -1 : 1;
        const int width = s_.image.width;
        pixels_ = s_.image.pixel(0, y_);
        weights_ = s_.leeway.weights.get() + static_cast<std::size_t>(y_) * width;
        slacks_ = s_.leeway.slacks.get() + static_cast<std::size_t>(y_) * width;
        row_ = s_.out.data() + static_cast<std::size_t>(y_) * width;
        last_ = -1;
        return true;
    }

    // The k-th pixel of the row in its direction; `ahead` carries the error passed along the row
    // (zero at its start). Inlined, so that the steps of two bands interleave and the carried
    // error stays in registers.
    [[gnu::always_inline]] void step(int k, int (&ahead)[3])
    {
        const int limit = s_.limit, dir = dir_;
        const int x = dir_ > 0 ? k : s_.image.width - 1 - k;
        const std::uint8_t* p = pixels_ + std::size_t(x) * 4;
        const bool skipped = s_.skipTransparent && p[3] == 0;
        if (const int own = skipped ? -1 : s_.exact.find(p); skipped || own >= 0) {
            if (!skipped)
                row_[x] = static_cast<std::uint8_t>(own);
            last_ = own;
            ahead[0] = ahead[1] = ahead[2] = 0;
            return;
        }
        const int weight = weights_[x];  // of the error carried here and of the error passed on
        const int* e = &current_[std::size_t(x + 1) * 3];
        int want[3];
        for (int c = 0; c < 3; ++c) {
            const int total = e[c] + ahead[c];
            const int carried = (total + 2048) >> 12;  // rounded to the nearest level
            // Truncated: an error of a level or less is not passed on where the weight is below
            // full, which keeps flat areas flat.
            want[c] = channel(p[c] + std::clamp(carried, -limit, limit) * weight / 256);
        }
        // The slack does not wait for the pixel before: it is known ahead of the chain of steps.
        const int slack = weight < 256 && last_ >= 0 ? int(slacks_[x]) : -(1 << 30);
        // The entry before and the nearest entry are measured side by side.
        const Rgb& b = s_.palette[last_ >= 0 ? std::size_t(last_) : 0];
        const int beforeDistance = (want[0] - b.r) * (want[0] - b.r) + (want[1] - b.g) * (want[1] - b.g) +
                                   (want[2] - b.b) * (want[2] - b.b);
        int nearestDistance = 0;
        const std::uint8_t nearest = s_.nearest.find(want[0], want[1], want[2], nearestDistance);
        const Rgb& a = s_.palette[nearest];
        const std::uint8_t before = static_cast<std::uint8_t>(last_);
        const int lightness = lightness256(want[0], want[1], want[2]);
        const int beforeLightness = s_.lightness[last_ >= 0 ? std::size_t(last_) : 0];
        const int farther = (kChromaShare * (beforeDistance - nearestDistance) +
                             (256 - kChromaShare) * fartherInLightness(lightness, beforeLightness, s_.lightness[nearest])) >>
                            8;
        // Chosen without a branch, which busy areas would make the processor guess wrong.
        const bool keep = farther <= slack;
        const std::uint8_t index = keep ? before : nearest;
        row_[x] = index;
        last_ = index;
        const int got[3] = {keep ? b.r : a.r, keep ? b.g : a.g, keep ? b.b : a.b};
        int* lower = &below_[std::size_t(x + 1) * 3];
        const int strength = kDiffusionStrength * weight / 256;
        const int passed = s_.entryLimits[index];
        for (int c = 0; c < 3; ++c) {
            const int error = std::clamp(want[c] - got[c], -passed, passed) * strength;
            ahead[c] = error * 7;
            lower[c - 3 * dir] += error * 3;
            lower[c] += error * 5;
            lower[c + 3 * dir] += error;
        }
    }

private:
    const Shared& s_;
    int y_, end_;
    int dir_ = 1;
    // Errors of this row and the next, in 1/4096 levels, with a pixel of margin each side.
    std::vector<int> current_, below_;
    const std::uint8_t* pixels_ = nullptr;
    const std::uint16_t* weights_ = nullptr;
    const std::uint16_t* slacks_ = nullptr;
    std::uint8_t* row_ = nullptr;
    int last_ = -1;  // the entry of the pixel before in the row, if it has one
};

}  // namespace

void mapDiffused(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                 std::vector<std::uint8_t>& out, const ReductionTuning& tuning)
{
    const ExactEntries exact(palette);
    std::vector<int> entryLimits = entrySteps(palette);
    const int step = typicalStep(entryLimits);
    const PixelLeeway pixels = leeway(image, step);
    std::vector<int> lightness;
    lightness.reserve(palette.size());
    for (const Rgb& e : palette)
        lightness.push_back(lightness256(e.r, e.g, e.b));
    for (int& l : entryLimits)
        l = std::max(1, int(std::lround(std::sqrt(double(l)) * tuning.passedErrorShare / 256)));
    entryLimits.resize(std::max<std::size_t>(palette.size(), 1), 1);  // a palette of one passes on a level
    const DiffusionBand::Shared shared{image,
                                       palette,
                                       nearest,
                                       exact,
                                       lightness,
                                       pixels,
                                       std::max(1, step * kDiffusionLimit / 256),
                                       entryLimits,
                                       skipTransparent,
                                       out};
    // The top and the bottom half, stepped in turn; no error crosses from one to the other, as
    // none enters a picture at its top edge.
    const int half = (image.height + 1) / 2;
    DiffusionBand top(shared, 0, half), bottom(shared, half, image.height);
    for (bool topRow = top.nextRow(), bottomRow = bottom.nextRow(); topRow;
         topRow = top.nextRow(), bottomRow = bottom.nextRow()) {
        int topAhead[3] = {0, 0, 0}, bottomAhead[3] = {0, 0, 0};
        if (bottomRow)
            for (int k = 0; k < image.width; ++k) {
                top.step(k, topAhead);
                bottom.step(k, bottomAhead);
            }
        else
            for (int k = 0; k < image.width; ++k)
                top.step(k, topAhead);
    }
}

}  // namespace pictoreel
