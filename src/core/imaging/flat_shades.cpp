#include "core/imaging/flat_shades.h"

#include "core/imaging/wide_vectors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <unordered_map>

namespace pictoreel {

namespace {

// Colours covering at least this many pixels are flat areas (more when that leaves too many).
constexpr std::uint64_t kFrequentPixels = 32;
// A shade farther than kOffLine (squared) from every line between flat colours, covering at
// least kOwnColourPixels pixels, is a flat colour too: thin text, say, whose own colour covers
// only a few pixels, blends into its background along a line of its own. So is a rarer one
// farther than kStrayDistance: the edge of a shape over a transparent background blends with a
// colour no pixel shows. Other shades off every line (where three colours meet in a pixel) take
// the nearest colour the others become, or stay as they are when none lies within kStrayDistance.
constexpr double kOffLine = 9.0;
constexpr std::uint64_t kOwnColourPixels = 8;
constexpr std::int32_t kStrayDistance = 64;
constexpr std::size_t kMostFlatColours = 48;
// A shade this near (squared) a line is on it: blends are rounded to whole values.
constexpr double kOnLine = 2.0;
// Lines farther than this (squared) from a shade are not looked at for it.
constexpr double kNearLine = 400.0;
// Shades remembered from one picture to the next for one set of flat colours, at most.
constexpr std::size_t kMostFoundShades = 1 << 16;
// Shades times lines between flat colours, at most: many frequent colours amid thousands of
// shades are no flat graphics, and the photo palette takes them far sooner than the lines would.
constexpr std::uint64_t kMostLineTests = std::uint64_t(8) << 20;
// Spacings of the blends along a line, tried in turn.
constexpr std::array<double, 11> kSpacings{2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64};

struct Point {
    std::int32_t r = 0, g = 0, b = 0;
};

Point unpack(std::uint32_t colour)
{
    return Point{static_cast<std::int32_t>(colour & 0xFF), static_cast<std::int32_t>((colour >> 8) & 0xFF),
                 static_cast<std::int32_t>(colour >> 16)};
}

std::uint32_t pack(const Point& p)
{
    return std::uint32_t(p.r) | (std::uint32_t(p.g) << 8) | (std::uint32_t(p.b) << 16);
}

std::int32_t squaredDistance(const Point& a, const Point& b)
{
    const std::int32_t dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// The line from one flat colour to another, and where a shade lies along it (0..1) and how far off.
struct Line {
    Point from, to;
    double dr = 0.0, dg = 0.0, db = 0.0;  // to - from
    double length = 0.0;
    double inverseSquaredLength = 0.0;
    Point low, high;  // the box around the two colours

    // No more than the squared distance from `v` to the segment between the colours (that to
    // their box): a cheap test that most shades are far from most lines.
    std::int32_t squaredBoxDistance(const Point& v) const
    {
        const auto gap = [](std::int32_t x, std::int32_t lo, std::int32_t hi) { return std::max({lo - x, x - hi, 0}); };
        const std::int32_t r = gap(v.r, low.r, high.r), g = gap(v.g, low.g, high.g), b = gap(v.b, low.b, high.b);
        return r * r + g * g + b * b;
    }

    double position(const Point& v) const
    {
        return ((v.r - from.r) * dr + (v.g - from.g) * dg + (v.b - from.b) * db) * inverseSquaredLength;
    }
    double squaredOffset(const Point& v, double t) const
    {
        const double r = from.r + t * dr - v.r, g = from.g + t * dg - v.g, b = from.b + t * db - v.b;
        return r * r + g * g + b * b;
    }
    // How far (squared) `v` is from the segment between the two colours.
    double squaredSegmentDistance(const Point& v) const { return squaredOffset(v, std::clamp(position(v), 0.0, 1.0)); }
    // Blend `k` of `steps` evenly spaced ones.
    Point blend(std::int32_t k, std::int32_t steps) const
    {
        const auto along = [&](std::int32_t a, std::int32_t b) {
            return a + static_cast<std::int32_t>(std::lround(static_cast<double>((b - a) * k) / steps));
        };
        return Point{along(from.r, to.r), along(from.g, to.g), along(from.b, to.b)};
    }
};

// What a thread found for shades, by the flat colours it was found with: the last few sets of
// them (the frames of an animation go back and forth between a few), each for a bounded number
// of shades.
template <class Value>
class ShadeMemo {
public:
    std::unordered_map<std::uint32_t, Value>& forFlat(const std::vector<Point>& flat)
    {
        std::vector<std::uint32_t> key;
        for (const Point& f : flat)
            key.push_back(pack(f));
        auto known = std::find_if(sets_.begin(), sets_.end(), [&](const auto& set) { return set.first == key; });
        if (known == sets_.end()) {
            if (sets_.size() == kMostFlatSets)
                sets_.pop_back();
            known = sets_.emplace(sets_.begin(), std::move(key), std::unordered_map<std::uint32_t, Value>{});
        }
        std::rotate(sets_.begin(), known, known + 1);  // the latest first
        if (sets_.front().second.size() > kMostFoundShades)
            sets_.front().second.clear();
        return sets_.front().second;
    }

private:
    static constexpr std::size_t kMostFlatSets = 4;
    std::vector<std::pair<std::vector<std::uint32_t>, std::unordered_map<std::uint32_t, Value>>> sets_;
};

// Between two different colours.
Line lineBetween(const Point& a, const Point& b)
{
    const std::int32_t squaredLength = squaredDistance(a, b);
    return Line{a, b, double(b.r - a.r), double(b.g - a.g), double(b.b - a.b), std::sqrt(static_cast<double>(squaredLength)),
                1.0 / squaredLength, Point{std::min(a.r, b.r), std::min(a.g, b.g), std::min(a.b, b.b)},
                Point{std::max(a.r, b.r), std::max(a.g, b.g), std::max(a.b, b.b)}};
}

// The flat colours: the frequent shades (sorted by value), then any shade far from every line
// between them, farthest first. Nullopt when there are too many to look at every line.
std::optional<std::vector<Point>> flatColours(const std::vector<FlatShade>& shades, int limit, std::vector<bool>& isFlat)
{
    std::uint64_t frequentPixels = kFrequentPixels;
    while (std::count_if(shades.begin(), shades.end(), [&](const FlatShade& s) { return s.count >= frequentPixels; }) > limit)
        frequentPixels *= 2;
    std::vector<Point> flat;
    isFlat.assign(shades.size(), false);
    for (std::size_t i = 0; i < shades.size(); ++i)
        if (shades[i].count >= frequentPixels) {
            flat.push_back(unpack(shades[i].colour));
            isFlat[i] = true;
        }
    const std::uint64_t most = std::min(kMostFlatColours, std::size_t(std::max(limit, 0)));
    const std::uint64_t flatAtMost = std::max<std::uint64_t>(flat.size(), most);
    if (flatAtMost * (flatAtMost - 1) / 2 * (shades.size() - flat.size()) > kMostLineTests)
        return std::nullopt;

    // How near each shade comes to the flat colours and the lines between them, taken in turn
    // until it is near one: what a shade reaches depends on it and the flat colours only, which
    // the frames of an animation mostly share, so a thread remembers it while they stay the same.
    std::vector<double> reach(shades.size(), std::numeric_limits<double>::infinity());
    thread_local ShadeMemo<double> reachMemo;
    std::unordered_map<std::uint32_t, double>& reachOf = reachMemo.forFlat(flat);
    // How near `v`, which came within `r` of the flat colours before k, comes with flat colour k
    // and its lines to them. The lines are made as they are first needed.
    std::vector<Line> pairs;  // the line from flat colour j to k at k (k - 1) / 2 + j
    std::size_t linesMade = 0;  // to the flat colours before this one
    const auto reachWith = [&](const Point& v, double r, std::size_t k) {
        for (; linesMade <= k; ++linesMade)
            for (std::size_t j = 0; j < linesMade; ++j)
                pairs.push_back(lineBetween(flat[j], flat[linesMade]));
        r = std::min(r, static_cast<double>(squaredDistance(v, flat[k])));
        for (std::size_t j = 0; j < k; ++j)
            if (const Line& line = pairs[k * (k - 1) / 2 + j]; line.squaredBoxDistance(v) < r)
                r = std::min(r, line.squaredSegmentDistance(v));
        return r;
    };
    for (std::size_t i = 0; i < shades.size(); ++i) {
        if (isFlat[i])
            continue;
        if (const auto known = reachOf.find(shades[i].colour); known != reachOf.end()) {
            reach[i] = known->second;
            continue;
        }
        const Point v = unpack(shades[i].colour);
        for (std::size_t k = 0; k < flat.size() && reach[i] > kOffLine; ++k)
            reach[i] = reachWith(v, reach[i], k);
        reachOf.emplace(shades[i].colour, reach[i]);
    }
    // The same for a flat colour added after them; a shade near a line already is never one.
    const auto account = [&](std::size_t added) {
        for (std::size_t i = 0; i < shades.size(); ++i)
            if (!isFlat[i] && reach[i] > kOffLine)
                reach[i] = reachWith(unpack(shades[i].colour), reach[i], added);
    };
    while (flat.size() < most) {
        std::size_t farthest = shades.size();
        for (std::size_t i = 0; i < shades.size(); ++i)
            if (!isFlat[i] && reach[i] > (shades[i].count >= kOwnColourPixels ? kOffLine : kStrayDistance) && (farthest == shades.size() || reach[i] > reach[farthest]))
                farthest = i;
        if (farthest == shades.size())
            break;
        flat.push_back(unpack(shades[farthest].colour));
        isFlat[farthest] = true;
        account(flat.size() - 1);
    }
    return flat;
}

// The lines by coordinate, to measure a shade against all of them in one loop the compiler
// vectorises, with Line's arithmetic step for step (so the same values).
struct LineTable {
    std::vector<std::int32_t> lowR, lowG, lowB, highR, highG, highB, fromR, fromG, fromB;
    std::vector<double> dr, dg, db, inverseSquaredLength;

    LineTable() = default;
    explicit LineTable(const std::vector<Line>& lines)
    {
        for (const Line& l : lines) {
            lowR.push_back(l.low.r), lowG.push_back(l.low.g), lowB.push_back(l.low.b);
            highR.push_back(l.high.r), highG.push_back(l.high.g), highB.push_back(l.high.b);
            fromR.push_back(l.from.r), fromG.push_back(l.from.g), fromB.push_back(l.from.b);
            dr.push_back(l.dr), dg.push_back(l.dg), db.push_back(l.db);
            inverseSquaredLength.push_back(l.inverseSquaredLength);
        }
    }

    // The lines `index` names, in that order.
    LineTable subset(const std::vector<std::size_t>& index) const
    {
        LineTable t;
        const auto gather = [&index](const auto& from, auto& to) {
            to.resize(index.size());
            for (std::size_t i = 0; i < index.size(); ++i)
                to[i] = from[index[i]];
        };
        gather(lowR, t.lowR), gather(lowG, t.lowG), gather(lowB, t.lowB);
        gather(highR, t.highR), gather(highG, t.highG), gather(highB, t.highB);
        gather(fromR, t.fromR), gather(fromG, t.fromG), gather(fromB, t.fromB);
        gather(dr, t.dr), gather(dg, t.dg), gather(db, t.db), gather(inverseSquaredLength, t.inverseSquaredLength);
        return t;
    }

    // For every line: whether `v` lies within `near` (squared) of its box and of the line itself,
    // strictly inside its ends (then `positions` and `offsets` hold where and how far off).
    PICTOREEL_WIDE_VECTORS void measure(const Point& v, double near, std::vector<std::uint8_t>& within,
                                        std::vector<double>& positions, std::vector<double>& offsets) const
    {
        const std::size_t n = lowR.size();
        within.resize(n), positions.resize(n), offsets.resize(n);
        const auto gap = [](std::int32_t x, std::int32_t lo, std::int32_t hi) {
            return std::max(std::max(lo - x, x - hi), std::int32_t{0});
        };
        for (std::size_t l = 0; l < n; ++l) {
            const std::int32_t r = gap(v.r, lowR[l], highR[l]), g = gap(v.g, lowG[l], highG[l]), b = gap(v.b, lowB[l], highB[l]);
            const std::int32_t box = r * r + g * g + b * b;
            const double t = (double(v.r - fromR[l]) * dr[l] + double(v.g - fromG[l]) * dg[l] + double(v.b - fromB[l]) * db[l]) *
                             inverseSquaredLength[l];
            const double orr = double(fromR[l]) + t * dr[l] - double(v.r), og = double(fromG[l]) + t * dg[l] - double(v.g),
                         ob = double(fromB[l]) + t * db[l] - double(v.b);
            const double offset = orr * orr + og * og + ob * ob;
            positions[l] = t;
            offsets[l] = offset;
            within[l] = double(box) <= near && t > 0.0 && t < 1.0 && offset <= near;
        }
    }

    // For every line: whether `v` lies within `near` (squared) of its box and of the line drawn
    // on beyond its ends (so of no point of the segment nearer than that).
    PICTOREEL_WIDE_VECTORS void mayReach(const Point& v, double near, std::vector<std::uint8_t>& within) const
    {
        const std::size_t n = lowR.size();
        within.resize(n);
        const auto gap = [](std::int32_t x, std::int32_t lo, std::int32_t hi) {
            return std::max(std::max(lo - x, x - hi), std::int32_t{0});
        };
        for (std::size_t l = 0; l < n; ++l) {
            const std::int32_t r = gap(v.r, lowR[l], highR[l]), g = gap(v.g, lowG[l], highG[l]), b = gap(v.b, lowB[l], highB[l]);
            const double t = (double(v.r - fromR[l]) * dr[l] + double(v.g - fromG[l]) * dg[l] + double(v.b - fromB[l]) * db[l]) *
                             inverseSquaredLength[l];
            const double orr = double(fromR[l]) + t * dr[l] - double(v.r), og = double(fromG[l]) + t * dg[l] - double(v.g),
                         ob = double(fromB[l]) + t * db[l] - double(v.b);
            within[l] = double(r * r + g * g + b * b) <= near && orr * orr + og * og + ob * ob <= near;
        }
    }
};

// The lines that may come within `near` (squared) of shades of one cell of the colour cube: the
// others are not measured. A cell holds 16 levels a channel; a line that passes farther from the
// cell's middle than the reach plus the cell's half diagonal (and a margin for rounding), or whose
// box lies that far, lies beyond the reach of every shade in it. Each cell's lines are gathered
// once, as a shade first falls into it, in their order, so the same line wins a tie as among all.
class NearbyLines {
public:
    NearbyLines(const std::vector<Line>& lines, double near) : all_(lines)
    {
        const double reach = std::sqrt(near) + kHalfDiagonal + 0.5;
        reach_ = reach * reach;
    }

    struct Cell {
        std::vector<std::size_t> index;  // into the lines
        LineTable table;
    };

    const Cell& around(const Point& v)
    {
        const auto corner = [](std::int32_t x) { return x >> kCellBits << kCellBits; };
        const int key = corner(v.r) << 16 | corner(v.g) << 8 | corner(v.b);
        const auto [it, added] = cells_.try_emplace(key);
        if (added) {
            const std::int32_t half = 1 << (kCellBits - 1);
            all_.mayReach(Point{corner(v.r) + half, corner(v.g) + half, corner(v.b) + half}, reach_, reaches_);
            for (std::size_t l = 0; l < reaches_.size(); ++l)
                if (reaches_[l])
                    it->second.index.push_back(l);
            it->second.table = all_.subset(it->second.index);
        }
        return it->second;
    }

private:
    static constexpr int kCellBits = 4;
    // From the middle (8, 8, 8) of a cell to its farthest corner (0, 0, 0).
    static constexpr double kHalfDiagonal = 8.0 * 1.7320508075688772;
    const LineTable all_;
    double reach_ = 0.0;
    std::vector<std::uint8_t> reaches_;
    std::unordered_map<int, Cell> cells_;
};

// A line a shade lies near, inside its ends.
struct NearLine {
    double squaredOffset;
    std::size_t line;
    double position;
};

}  // namespace

std::vector<std::uint32_t> reduceFlatShades(const std::vector<FlatShade>& shades, int limit)
{
    std::vector<bool> isFlat;
    const std::optional<std::vector<Point>> flatFound = flatColours(shades, limit, isFlat);
    if (!flatFound)
        return {};
    const std::vector<Point>& flat = *flatFound;
    std::vector<Line> lines;
    for (std::size_t i = 0; i < flat.size(); ++i)
        for (std::size_t j = i + 1; j < flat.size(); ++j)
            lines.push_back(lineBetween(flat[i], flat[j]));
    NearbyLines nearby(lines, kNearLine);
    std::vector<std::uint8_t> within;
    std::vector<double> positions, offsets;

    // For each shade: its nearest flat colour, and the line it lies on (of those it is on, the
    // longest: a flat colour that lies between two others, a grey between black and white, then
    // does not split their blends, whether it is there or not) or else nearest.
    std::vector<std::optional<NearLine>> near(shades.size());
    std::vector<std::pair<std::int32_t, std::uint32_t>> nearestFlat(shades.size());
    const auto key = [&](const NearLine& n) { return std::tuple(std::max(n.squaredOffset, kOnLine), -lines[n.line].length, n.line); };
    // What was found for a shade depends on it and the flat colours only: the frames of an
    // animation share most of both, and a thread's frames look each shade up once.
    struct Found {
        std::pair<std::int32_t, std::uint32_t> nearestFlat;
        std::optional<NearLine> near;
    };
    thread_local ShadeMemo<Found> foundMemo;
    std::unordered_map<std::uint32_t, Found>& found = foundMemo.forFlat(flat);
    for (std::size_t i = 0; i < shades.size(); ++i) {
        const Point v = unpack(shades[i].colour);
        if (isFlat[i]) {
            nearestFlat[i] = {0, shades[i].colour};
            continue;
        }
        if (const auto known = found.find(shades[i].colour); known != found.end()) {
            nearestFlat[i] = known->second.nearestFlat;
            near[i] = known->second.near;
            continue;
        }
        nearestFlat[i] = {std::numeric_limits<std::int32_t>::max(), 0};
        for (const Point& f : flat)
            nearestFlat[i] = std::min(nearestFlat[i], std::pair{squaredDistance(v, f), pack(f)});
        const NearbyLines::Cell& cell = nearby.around(v);
        cell.table.measure(v, kNearLine, within, positions, offsets);
        for (std::size_t c = 0; c < cell.index.size(); ++c) {
            if (!within[c])
                continue;
            const std::size_t l = cell.index[c];
            const NearLine n{offsets[c], l, positions[c]};
            if (!near[i] || key(n) < key(*near[i]))
                near[i] = n;
        }
        found.emplace(shades[i].colour, Found{nearestFlat[i], near[i]});
    }

    // Shades off every line take what the others become; `lone` marks them.
    std::vector<bool> lone(shades.size());
    for (std::size_t i = 0; i < shades.size(); ++i)
        lone[i] = !isFlat[i] && (!near[i] || near[i]->squaredOffset > kOffLine);
    std::vector<std::uint32_t> out(shades.size());
    for (double spacing : kSpacings) {
        // A shade takes the nearest blend on the line it lies nearest, or its nearest flat colour.
        for (std::size_t i = 0; i < shades.size(); ++i) {
            auto best = nearestFlat[i];
            if (near[i] && near[i]->squaredOffset < best.first) {
                const NearLine& n = *near[i];
                const Line& line = lines[n.line];
                const auto steps = static_cast<std::int32_t>(std::max(1.0, std::ceil(line.length / spacing)));
                const Point p = line.blend(static_cast<std::int32_t>(std::lround(n.position * steps)), steps);
                best = std::min(best, std::pair{squaredDistance(unpack(shades[i].colour), p), pack(p)});
            }
            out[i] = best.second;
        }
        std::vector<std::uint32_t> colours;
        for (std::size_t i = 0; i < shades.size(); ++i)
            if (!lone[i])
                colours.push_back(out[i]);
        std::sort(colours.begin(), colours.end());
        colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
        for (std::size_t i = 0; i < shades.size(); ++i)
            if (lone[i]) {
                const Point v = unpack(shades[i].colour);
                std::pair best{squaredDistance(v, unpack(out[i])), out[i]};
                for (std::uint32_t c : colours)
                    best = std::min(best, std::pair{squaredDistance(v, unpack(c)), c});
                out[i] = best.first > kStrayDistance ? shades[i].colour : best.second;
            }
        colours = out;
        std::sort(colours.begin(), colours.end());
        if (std::unique(colours.begin(), colours.end()) - colours.begin() <= limit)
            return out;
    }
    return {};
}

}  // namespace pictoreel
