#include "core/imaging/photo_palette.h"

#include "core/imaging/colour_counts.h"
#include "core/imaging/nearest_colour.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>

namespace pictoreel {

namespace {

// A picture of few colours at most (flat graphics scaled, with antialiased edges).
constexpr std::size_t kFlatPictureColours = 4096;

// ---- Colour cells: the pixels grouped by the top 6 bits of each channel -----------------------

constexpr int kCellBits = 6;
constexpr int kCellCount = 1 << (3 * kCellBits);

struct Cell {
    std::uint64_t count = 0;
    std::uint64_t r = 0, g = 0, b = 0;  // sums of the channels
    std::uint64_t squares = 0;          // sum of r^2 + g^2 + b^2
};

std::uint32_t packColour(const std::uint8_t* p) { return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]; }

int cellKey(const std::uint8_t* p)
{
    constexpr int shift = 8 - kCellBits;
    return ((p[0] >> shift) << (2 * kCellBits)) | ((p[1] >> shift) << kCellBits) | (p[2] >> shift);
}

// Where a pixel's steps to its neighbours right and below add up to this many levels or fewer
// (the three channels), it is in a smooth area: about a level a channel each way.
constexpr int kSmoothSteps = 6;

// The non-empty cells in order of first use (which depends only on the pixels), without the
// pixels of the `skipped` colours (sorted); a pixel counts `smoothWeight` times in a smooth area,
// once elsewhere.
// With `exactColours`, every colour is a cell of its own (pictures of few colours).
std::vector<Cell> collectCells(const RgbaImage& image, bool skipTransparent, int smoothWeight,
                               const std::vector<std::uint32_t>& skipped, bool exactColours)
{
    thread_local std::vector<std::uint32_t> slotOf;  // cell key -> position + 1; all 0 between calls
    slotOf.resize(kCellCount, 0);
    ColourCounts<std::uint32_t> colourSlots(exactColours ? kFlatPictureColours : 0);  // colour -> position + 1
    std::vector<Cell> cells;
    std::vector<int> keys;
    cells.reserve(8192);
    keys.reserve(8192);
    const std::uint32_t smooth = static_cast<std::uint32_t>(std::max(1, smoothWeight));
    const int w = image.width, h = image.height;
    std::vector<int> steps(static_cast<std::size_t>(w));  // of a row, in loops the compiler vectorises
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = image.pixel(0, y);
        const std::uint8_t* down = image.pixel(0, std::min(y + 1, h - 1));
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int c = 0; c < 3; ++c)
                sum += std::abs(down[4 * x + c] - p[4 * x + c]);
            steps[std::size_t(x)] = sum;
        }
        for (int x = 0; x + 1 < w; ++x)  // the last pixel's step to the right is 0
            for (int c = 0; c < 3; ++c)
                steps[std::size_t(x)] += std::abs(p[4 * x + 4 + c] - p[4 * x + c]);
        for (int x = 0; x < w; ++x, p += 4) {
            if ((skipTransparent && p[3] == 0) ||
                (!skipped.empty() && std::binary_search(skipped.begin(), skipped.end(), packColour(p))))
                continue;
            const std::uint32_t weight = steps[std::size_t(x)] <= kSmoothSteps ? smooth : 1;
            const int key = exactColours ? 0 : cellKey(p);
            std::uint32_t& slot = exactColours ? colourSlots[packColour(p)] : slotOf[static_cast<std::size_t>(key)];
            if (slot == 0) {
                cells.emplace_back();
                if (!exactColours)
                    keys.push_back(key);
                slot = static_cast<std::uint32_t>(cells.size());
            }
            Cell& c = cells[slot - 1];
            c.count += weight;
            c.r += weight * p[0];
            c.g += weight * p[1];
            c.b += weight * p[2];
            c.squares += weight * (std::uint32_t(p[0]) * p[0] + std::uint32_t(p[1]) * p[1] + std::uint32_t(p[2]) * p[2]);
        }
    }
    for (int key : keys)
        slotOf[static_cast<std::size_t>(key)] = 0;
    return cells;
}

std::uint8_t roundedMean(std::uint64_t sum, std::uint64_t count)
{
    return static_cast<std::uint8_t>(std::min<std::uint64_t>(255, (sum + count / 2) / count));
}

// ---- Wu's cuts on a 32-level cumulative moment table ----------------------------------------

constexpr int kSide = 33;  // 32 levels per channel plus the zero border of the cumulative sums

struct Moments {
    std::vector<std::int64_t> w, r, g, b;
    std::vector<double> m2;
    Moments() : w(kSide * kSide * kSide), r(w.size()), g(w.size()), b(w.size()), m2(w.size()) {}

    // One table per thread, cleared for each picture: a fresh one per picture costs more in page
    // faults than the cuts themselves.
    static Moments& cleared()
    {
        thread_local Moments m;
        for (auto* v : {&m.w, &m.r, &m.g, &m.b})
            std::fill(v->begin(), v->end(), 0);
        std::fill(m.m2.begin(), m.m2.end(), 0.0);
        return m;
    }
};

constexpr int at(int r, int g, int b) { return (r * kSide + g) * kSide + b; }

struct Box {
    int r0 = 0, r1 = 0, g0 = 0, g1 = 0, b0 = 0, b1 = 0;  // (r0, r1] and so on
    int volume() const { return (r1 - r0) * (g1 - g0) * (b1 - b0); }
};

enum class Axis { Red, Green, Blue };

template <class T>
T volume(const Box& c, const std::vector<T>& m)
{
    return m[at(c.r1, c.g1, c.b1)] - m[at(c.r1, c.g1, c.b0)] - m[at(c.r1, c.g0, c.b1)] + m[at(c.r1, c.g0, c.b0)] -
           m[at(c.r0, c.g1, c.b1)] + m[at(c.r0, c.g1, c.b0)] + m[at(c.r0, c.g0, c.b1)] - m[at(c.r0, c.g0, c.b0)];
}

// The part of volume() that does not depend on the cut position.
std::int64_t bottom(const Box& c, Axis axis, const std::vector<std::int64_t>& m)
{
    switch (axis) {
    case Axis::Red:
        return -m[at(c.r0, c.g1, c.b1)] + m[at(c.r0, c.g1, c.b0)] + m[at(c.r0, c.g0, c.b1)] - m[at(c.r0, c.g0, c.b0)];
    case Axis::Green:
        return -m[at(c.r1, c.g0, c.b1)] + m[at(c.r1, c.g0, c.b0)] + m[at(c.r0, c.g0, c.b1)] - m[at(c.r0, c.g0, c.b0)];
    case Axis::Blue:
        return -m[at(c.r1, c.g1, c.b0)] + m[at(c.r1, c.g0, c.b0)] + m[at(c.r0, c.g1, c.b0)] - m[at(c.r0, c.g0, c.b0)];
    }
    return 0;
}

std::int64_t top(const Box& c, Axis axis, int pos, const std::vector<std::int64_t>& m)
{
    switch (axis) {
    case Axis::Red:
        return m[at(pos, c.g1, c.b1)] - m[at(pos, c.g1, c.b0)] - m[at(pos, c.g0, c.b1)] + m[at(pos, c.g0, c.b0)];
    case Axis::Green:
        return m[at(c.r1, pos, c.b1)] - m[at(c.r1, pos, c.b0)] - m[at(c.r0, pos, c.b1)] + m[at(c.r0, pos, c.b0)];
    case Axis::Blue:
        return m[at(c.r1, c.g1, pos)] - m[at(c.r1, c.g0, pos)] - m[at(c.r0, c.g1, pos)] + m[at(c.r0, c.g0, pos)];
    }
    return 0;
}

double variance(const Box& c, const Moments& m)
{
    const double dr = static_cast<double>(volume(c, m.r)), dg = static_cast<double>(volume(c, m.g)),
                 db = static_cast<double>(volume(c, m.b));
    const double w = static_cast<double>(volume(c, m.w));
    return w <= 0 ? 0.0 : volume(c, m.m2) - (dr * dr + dg * dg + db * db) / w;
}

struct Split {
    double score = 0.0;
    int cut = -1;
};

Split bestCut(const Box& c, Axis axis, int first, int last, const Moments& m, const std::array<std::int64_t, 4>& whole)
{
    const std::int64_t baseR = bottom(c, axis, m.r), baseG = bottom(c, axis, m.g), baseB = bottom(c, axis, m.b),
                       baseW = bottom(c, axis, m.w);
    Split best;
    for (int i = first; i < last; ++i) {
        const std::int64_t hr = baseR + top(c, axis, i, m.r), hg = baseG + top(c, axis, i, m.g),
                           hb = baseB + top(c, axis, i, m.b), hw = baseW + top(c, axis, i, m.w);
        if (hw == 0 || hw == whole[3])
            continue;
        const double lr = double(hr), lg = double(hg), lb = double(hb);
        const double rr = double(whole[0] - hr), rg = double(whole[1] - hg), rb = double(whole[2] - hb);
        const double score = (lr * lr + lg * lg + lb * lb) / double(hw) + (rr * rr + rg * rg + rb * rb) / double(whole[3] - hw);
        if (score > best.score) {
            best.score = score;
            best.cut = i;
        }
    }
    return best;
}

bool cutBox(Box& a, Box& b, const Moments& m)
{
    const std::array<std::int64_t, 4> whole{volume(a, m.r), volume(a, m.g), volume(a, m.b), volume(a, m.w)};
    const Split red = bestCut(a, Axis::Red, a.r0 + 1, a.r1, m, whole);
    const Split green = bestCut(a, Axis::Green, a.g0 + 1, a.g1, m, whole);
    const Split blue = bestCut(a, Axis::Blue, a.b0 + 1, a.b1, m, whole);
    b = a;
    if (red.score >= green.score && red.score >= blue.score) {
        if (red.cut < 0)
            return false;
        b.r0 = a.r1 = red.cut;
    } else if (green.score >= blue.score) {
        b.g0 = a.g1 = green.cut;
    } else {
        b.b0 = a.b1 = blue.cut;
    }
    return true;
}

std::vector<Rgb> wuPalette(const std::vector<Cell>& cells, int maxColours)
{
    Moments& m = Moments::cleared();
    for (const Cell& c : cells) {
        // The cell's 5-bit box, from its mean: all its pixels share their top bits.
        const int r = int(c.r / c.count) >> 3, g = int(c.g / c.count) >> 3, b = int(c.b / c.count) >> 3;
        const int i = at(r + 1, g + 1, b + 1);
        m.w[i] += static_cast<std::int64_t>(c.count);
        m.r[i] += static_cast<std::int64_t>(c.r);
        m.g[i] += static_cast<std::int64_t>(c.g);
        m.b[i] += static_cast<std::int64_t>(c.b);
        m.m2[i] += static_cast<double>(c.squares);
    }
    // Cumulative sums along the three axes.
    for (int r = 1; r < kSide; ++r)
        for (int g = 1; g < kSide; ++g)
            for (int b = 1; b < kSide; ++b) {
                const int i = at(r, g, b);
                auto accumulate = [&](auto& v) {
                    v[i] += v[at(r - 1, g, b)] + v[at(r, g - 1, b)] + v[at(r, g, b - 1)] - v[at(r - 1, g - 1, b)] -
                            v[at(r - 1, g, b - 1)] - v[at(r, g - 1, b - 1)] + v[at(r - 1, g - 1, b - 1)];
                };
                accumulate(m.w);
                accumulate(m.r);
                accumulate(m.g);
                accumulate(m.b);
                accumulate(m.m2);
            }

    std::vector<Box> boxes(static_cast<std::size_t>(maxColours));
    std::vector<double> spread(static_cast<std::size_t>(maxColours), 0.0);
    boxes[0] = Box{0, kSide - 1, 0, kSide - 1, 0, kSide - 1};
    int used = 1;
    int next = 0;
    while (used < maxColours) {
        if (cutBox(boxes[std::size_t(next)], boxes[std::size_t(used)], m)) {
            spread[std::size_t(next)] = boxes[std::size_t(next)].volume() > 1 ? variance(boxes[std::size_t(next)], m) : 0.0;
            spread[std::size_t(used)] = boxes[std::size_t(used)].volume() > 1 ? variance(boxes[std::size_t(used)], m) : 0.0;
            ++used;
        } else {
            spread[std::size_t(next)] = 0.0;
        }
        next = 0;
        for (int k = 1; k < used; ++k)
            if (spread[std::size_t(k)] > spread[std::size_t(next)])
                next = k;
        if (spread[std::size_t(next)] <= 0.0)
            break;
    }
    std::vector<Rgb> palette;
    palette.reserve(static_cast<std::size_t>(used));
    for (int k = 0; k < used; ++k) {
        const Box& box = boxes[std::size_t(k)];
        const std::int64_t w = volume(box, m.w);
        if (w <= 0)
            continue;
        palette.push_back(Rgb{roundedMean(std::uint64_t(volume(box, m.r)), std::uint64_t(w)),
                              roundedMean(std::uint64_t(volume(box, m.g)), std::uint64_t(w)),
                              roundedMean(std::uint64_t(volume(box, m.b)), std::uint64_t(w))});
    }
    return palette;
}

// Screen content is mostly flat areas: its colours are few for its pixels too, where a small
// photo (a thumbnail, a test picture) has nearly a colour a pixel.
constexpr std::size_t kPixelsPerScreenColour = 16;
// Its exact colours are few enough for k-means to run to (near) convergence.
constexpr int kFewColoursRounds = 6;
// The mean squared error per channel (about 54 dB PSNR, the bound of the flat shades' reduction,
// see quantizer.cpp) up to which a picture of few colours is mapped to its palette undithered.
constexpr double kUnditheredMse = 0.25;

// The colours of a picture of few colours that each hold at least an entry's fair share of its
// pixels (1 / maxColours), the most used first, at most half the entries; nullopt for a picture
// of more colours (photos), which is told within its first few rows.
// `screenLike`: whether the colours are also few for the pixels (see kPixelsPerScreenColour).
std::optional<std::vector<std::uint32_t>> flatColours(const RgbaImage& image, int maxColours, bool skipTransparent,
                                                      bool* screenLike = nullptr)
{
    ColourCounts<std::uint64_t> counts(kFlatPictureColours + 1);
    std::uint64_t total = 0;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    const std::uint8_t* p = image.pixels.data();
    // A run of one colour is counted at once, with one look-up.
    std::uint32_t runColour = 0;
    std::uint64_t run = 0;
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        if (skipTransparent && p[3] == 0)
            continue;
        ++total;
        const std::uint32_t colour = packColour(p);
        if (run > 0 && colour == runColour) {
            ++run;
            continue;
        }
        if (run > 0)
            counts[runColour] += run;
        bool added = false;
        counts.at(colour, added);
        if (added && counts.size() > kFlatPictureColours)
            return std::nullopt;
        runColour = colour;
        run = 1;
    }
    if (run > 0)
        counts[runColour] += run;
    if (screenLike)
        *screenLike = counts.size() * kPixelsPerScreenColour <= total;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> flat;
    counts.forEach([&](std::uint32_t colour, std::uint64_t uses) {
        if (uses * std::uint64_t(maxColours) >= total)
            flat.emplace_back(uses, colour);
    });
    // The most used first, and the lower colour on ties: the order depends only on the pixels.
    std::sort(flat.begin(), flat.end(), [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    flat.resize(std::min(flat.size(), std::size_t(maxColours / 2)));
    std::vector<std::uint32_t> colours;
    for (const auto& f : flat)
        colours.push_back(f.second);
    std::sort(colours.begin(), colours.end());
    return colours;
}

// ---- Variance-minimising cuts of the colours themselves --------------------------------------

// A picture of few colours (scaled screen content: flat areas, and antialiased text whose edges
// are ramps of many shades between two colours) is cut along its own colours rather than along
// Wu's 32 levels a channel: a ramp from black to white would get at most 32 entries from those,
// steps of 8 levels on every text edge, where the cuts below separate any two shades. The same
// rule as Wu's: the box of the largest squared error is cut where the two halves' error is least
// (the sum of |sum|^2 / weight of both highest), on the axis where that is best.
struct Part {
    std::size_t begin = 0, end = 0;  // a range of `order`
    double error = 0.0;
};

std::uint8_t cellChannel(const Cell& c, int axis)
{
    return roundedMean(axis == 0 ? c.r : axis == 1 ? c.g : c.b, c.count);
}

double squaredError(const std::vector<Cell>& cells, const std::vector<std::uint32_t>& order, const Part& part)
{
    double w = 0, r = 0, g = 0, b = 0, squares = 0;
    for (std::size_t i = part.begin; i < part.end; ++i) {
        const Cell& c = cells[order[i]];
        w += double(c.count), r += double(c.r), g += double(c.g), b += double(c.b), squares += double(c.squares);
    }
    return w <= 0 ? 0.0 : squares - (r * r + g * g + b * b) / w;
}

// Sorts the part of `order` by one channel (the packed colour on ties, so the order is total).
void sortPart(const std::vector<Cell>& cells, std::vector<std::uint32_t>& order, const Part& part, int axis)
{
    const auto key = [&](std::uint32_t i) {
        const Cell& c = cells[i];
        const std::uint32_t rgb = std::uint32_t(cellChannel(c, 0)) << 16 | std::uint32_t(cellChannel(c, 1)) << 8 | cellChannel(c, 2);
        return std::uint64_t(cellChannel(c, axis)) << 24 | rgb;
    };
    std::sort(order.begin() + std::ptrdiff_t(part.begin), order.begin() + std::ptrdiff_t(part.end),
              [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
}

std::vector<Rgb> colourCutPalette(const std::vector<Cell>& cells, int maxColours)
{
    std::vector<std::uint32_t> order(cells.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::vector<Part> parts{Part{0, order.size(), 0.0}};
    parts[0].error = squaredError(cells, order, parts[0]);
    while (static_cast<int>(parts.size()) < maxColours) {
        std::size_t next = 0;
        for (std::size_t k = 1; k < parts.size(); ++k)
            if (parts[k].error > parts[next].error)
                next = k;
        Part& part = parts[next];
        if (part.error <= 0.0 || part.end - part.begin < 2)
            break;
        double total[4] = {0, 0, 0, 0};
        for (std::size_t i = part.begin; i < part.end; ++i) {
            const Cell& c = cells[order[i]];
            total[0] += double(c.r), total[1] += double(c.g), total[2] += double(c.b), total[3] += double(c.count);
        }
        double bestScore = -1.0;
        int bestAxis = 0;
        std::size_t bestCut = 0;
        for (int axis = 0; axis < 3; ++axis) {
            sortPart(cells, order, part, axis);
            double low[4] = {0, 0, 0, 0};
            for (std::size_t i = part.begin; i + 1 < part.end; ++i) {
                const Cell& c = cells[order[i]];
                low[0] += double(c.r), low[1] += double(c.g), low[2] += double(c.b), low[3] += double(c.count);
                if (cellChannel(c, axis) == cellChannel(cells[order[i + 1]], axis))
                    continue;  // a cut between equal values of the axis would not be a plane
                const double high[4] = {total[0] - low[0], total[1] - low[1], total[2] - low[2], total[3] - low[3]};
                const double score = (low[0] * low[0] + low[1] * low[1] + low[2] * low[2]) / low[3] +
                                     (high[0] * high[0] + high[1] * high[1] + high[2] * high[2]) / high[3];
                if (score > bestScore) {
                    bestScore = score;
                    bestAxis = axis;
                    bestCut = i + 1;
                }
            }
        }
        if (bestScore < 0) {  // every colour of the part the same on every axis: cannot happen
            part.error = 0.0;
            continue;
        }
        sortPart(cells, order, part, bestAxis);
        const Part upper{bestCut, part.end, 0.0};
        part.end = bestCut;
        part.error = squaredError(cells, order, part);
        parts.push_back(upper);
        parts.back().error = squaredError(cells, order, parts.back());
    }
    std::vector<Rgb> palette;
    palette.reserve(parts.size());
    for (const Part& part : parts) {
        std::uint64_t w = 0, r = 0, g = 0, b = 0;
        for (std::size_t i = part.begin; i < part.end; ++i) {
            const Cell& c = cells[order[i]];
            w += c.count, r += c.r, g += c.g, b += c.b;
        }
        if (w > 0)
            palette.push_back(Rgb{roundedMean(r, w), roundedMean(g, w), roundedMean(b, w)});
    }
    return palette;
}

// Moves every entry from `firstFree` on to the mean of the cells nearest to it; entries nobody
// uses stay, and so do those before `firstFree`.
void refine(std::vector<Rgb>& palette, const std::vector<Cell>& cells, int rounds, std::size_t firstFree)
{
    struct Sum {
        std::uint64_t count = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Sum> sums(palette.size());
    std::vector<Rgb> means;  // of the cells, the same every round
    means.reserve(cells.size());
    for (const Cell& c : cells)
        means.push_back(Rgb{roundedMean(c.r, c.count), roundedMean(c.g, c.count), roundedMean(c.b, c.count)});
    for (int round = 0; round < rounds; ++round) {
        std::fill(sums.begin(), sums.end(), Sum{});
        NearestColour nearest(palette);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const Cell& c = cells[i];
            const int e = nearest.find(means[i].r, means[i].g, means[i].b);
            Sum& s = sums[std::size_t(e)];
            s.count += c.count;
            s.r += c.r;
            s.g += c.g;
            s.b += c.b;
        }
        bool moved = false;
        for (std::size_t e = firstFree; e < palette.size(); ++e) {
            const Sum& s = sums[e];
            if (s.count == 0)
                continue;
            const Rgb mean{roundedMean(s.r, s.count), roundedMean(s.g, s.count), roundedMean(s.b, s.count)};
            moved = moved || !(mean == palette[e]);
            palette[e] = mean;
        }
        if (!moved)
            break;
    }
}

}  // namespace

bool hasFewColours(const RgbaImage& image, bool skipTransparent)
{
    bool screenLike = false;
    return flatColours(image, 1, skipTransparent, &screenLike) && screenLike;
}

std::vector<Rgb> choosePhotoPalette(const RgbaImage& image, int maxColours, bool skipTransparent,
                                    const ReductionTuning& tuning, bool* fewColours)
{
    maxColours = std::clamp(maxColours, 1, 256);
    // A colour that holds an entry's fair share of a picture of few colours (a window's background,
    // a button) gets an entry of exactly its colour, which its pixels then take without noise; Wu's
    // cuts would merge it with the shades of its box. The other entries are cut from the rest.
    bool screenLike = false;
    const std::optional<std::vector<std::uint32_t>> flatOrNone = flatColours(image, maxColours, skipTransparent, &screenLike);
    const std::vector<std::uint32_t> flat = flatOrNone.value_or(std::vector<std::uint32_t>{});
    const bool few = flatOrNone && screenLike;  // as hasFewColours tells, whatever maxColours
    if (fewColours)
        *fewColours = few;
    const std::vector<Cell> cells = collectCells(image, skipTransparent, tuning.smoothWeight, flat, few);
    std::vector<Rgb> palette;
    for (const std::uint32_t c : flat)
        palette.push_back(Rgb{std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    if (cells.empty())
        return palette;
    const int free = maxColours - int(flat.size());
    const std::vector<Rgb> cut = few ? colourCutPalette(cells, free) : wuPalette(cells, free);
    palette.insert(palette.end(), cut.begin(), cut.end());
    refine(palette, cells, few ? kFewColoursRounds : 2, flat.size());
    return palette;
}

std::vector<Rgb> chooseFewColourPalette(const std::vector<std::uint32_t>& colours,
                                        const std::vector<std::uint64_t>& weights, int maxColours)
{
    maxColours = std::clamp(maxColours, 1, 256);
    std::uint64_t total = 0;
    for (const std::uint64_t w : weights)
        total += w;
    // As flatColours: those holding an entry's fair share, the most used first, half the entries.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> flat;
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (weights[i] > 0 && weights[i] * std::uint64_t(maxColours) >= total)
            flat.emplace_back(weights[i], colours[i]);
    std::sort(flat.begin(), flat.end(), [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    flat.resize(std::min(flat.size(), std::size_t(maxColours / 2)));
    std::vector<std::uint32_t> flatSorted;
    std::vector<Rgb> palette;
    for (const auto& [uses, c] : flat) {
        flatSorted.push_back(c);
        palette.push_back(Rgb{std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    }
    std::sort(flatSorted.begin(), flatSorted.end());
    std::vector<Cell> cells;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        if (weights[i] == 0 || std::binary_search(flatSorted.begin(), flatSorted.end(), colours[i]))
            continue;
        const std::uint64_t w = weights[i], r = colours[i] >> 16 & 0xFF, g = colours[i] >> 8 & 0xFF, b = colours[i] & 0xFF;
        cells.push_back(Cell{w, w * r, w * g, w * b, w * (r * r + g * g + b * b)});
    }
    if (cells.empty())
        return palette;
    const std::vector<Rgb> cut = colourCutPalette(cells, maxColours - int(flat.size()));
    palette.insert(palette.end(), cut.begin(), cut.end());
    refine(palette, cells, kFewColoursRounds, flat.size());
    return palette;
}

std::vector<std::uint8_t> mapToPalette(const RgbaImage& image, const std::vector<Rgb>& palette, Dithering dithering,
                                       bool skipTransparent, std::uint8_t skipIndex, const ReductionTuning& tuning)
{
    if (palette.empty() || !hasFewColours(image, skipTransparent))
        return mapPhotoToPalette(image, palette, dithering, skipTransparent, skipIndex, tuning);
    // Each colour its nearest entry, and the squared error that leaves over the pixels.
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    std::vector<std::uint8_t> out(count, skipIndex);
    NearestColour nearest(palette);
    ColourCounts<std::uint8_t> entryOf(kFlatPictureColours);
    std::uint64_t squaredError = 0, pixels = 0;
    const std::uint8_t* p = image.pixels.data();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        if (skipTransparent && p[3] == 0)
            continue;
        bool added = false;
        std::uint8_t& entry = entryOf.at(packColour(p), added);
        if (added)
            entry = static_cast<std::uint8_t>(nearest.find(p[0], p[1], p[2]));
        out[i] = entry;
        const Rgb& e = palette[entry];
        squaredError += std::uint64_t((e.r - p[0]) * (e.r - p[0]) + (e.g - p[1]) * (e.g - p[1]) + (e.b - p[2]) * (e.b - p[2]));
        ++pixels;
    }
    // A palette cut along the picture's own colours mostly holds every shade within a level:
    // then there are no steps for a dither to hide, and its noise would be all it adds (on
    // text edges, where the eye reads the pixels). Dithered only when the steps are larger.
    if (dithering == Dithering::None || double(squaredError) <= kUnditheredMse * 3.0 * double(pixels))
        return out;
    return mapPhotoToPalette(image, palette, dithering, skipTransparent, skipIndex, tuning);
}

std::vector<std::uint8_t> mapPhotoToPalette(const RgbaImage& image, const std::vector<Rgb>& palette, Dithering dithering,
                                            bool skipTransparent, std::uint8_t skipIndex, const ReductionTuning& tuning)
{
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    std::vector<std::uint8_t> out(count, skipIndex);
    if (palette.empty())
        return out;
    NearestColour nearest(palette);
    CellNearest cells(nearest);
    if (dithering == Dithering::None) {
        const std::uint8_t* p = image.pixels.data();
        for (std::size_t i = 0; i < count; ++i, p += 4)
            if (!(skipTransparent && p[3] == 0))
                out[i] = cells.find(p[0], p[1], p[2]);
        return out;
    }
    if (dithering == Dithering::Ordered)
        mapOrdered(image, palette, cells, skipTransparent, out);
    else
        mapDiffused(image, palette, cells, skipTransparent, out, tuning);
    return out;
}

}  // namespace pictoreel
