#include "core/production/size_budget.h"

#include "core/production/quality_curve.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace pictoreel {

namespace {

// Aim a little below the budget: the line through two attempts is only a guess.
constexpr double kAim = 0.97;
// A knob whose first step saves less than this share of the bytes does nothing here (an encoder
// without lossiness, a picture of few colours): it is left where it was.
constexpr double kNoEffect = 0.01;

// One knob, as integer values from the current one (mildest) towards `strongest`.
struct Knob {
    int from = 0;
    int strongest = 0;
    BudgetSettings (*apply)(const BudgetSettings& base, const BudgetSettings& start, int value) = nullptr;
    double (*measure)(int value) = nullptr;  // bytes grow about linearly with it
    double (*valueAt)(double measure) = nullptr;
    int (*tolerance)(int value) = nullptr;  // close enough to the mildest value that would fit
    bool mayDoNothing = true;  // smaller frames always come out smaller in the end
};

BudgetSettings withLossy(const BudgetSettings& base, const BudgetSettings&, int value)
{
    BudgetSettings s = base;
    s.lossy = value;
    return s;
}

BudgetSettings withColors(const BudgetSettings& base, const BudgetSettings&, int value)
{
    BudgetSettings s = base;
    s.colors = value;
    return s;
}

// The width is the value; the height keeps the start's proportions.
BudgetSettings withWidth(const BudgetSettings& base, const BudgetSettings& start, int value)
{
    BudgetSettings s = base;
    s.width = value;
    s.height = std::max(1, static_cast<int>(std::lround(double(start.height) * value / start.width)));
    return s;
}

// Lossiness 100 is taken to keep about a third of the bytes until attempts tell better.
Knob lossyKnob(const BudgetSettings& start)
{
    return {start.lossy,
            std::max(start.lossy, kBudgetMaxLossy),
            withLossy,
            [](int v) { return 150.0 - v; },
            [](double m) { return 150.0 - m; },
            [](int) { return 5; }};
}

Knob colorsKnob(const BudgetSettings& start, int minColors)
{
    return {start.colors,
            std::min(start.colors, minColors),
            withColors,
            [](int v) { return std::log2(double(v)) - 2; },
            [](double m) { return std::exp2(m + 2); },
            [](int v) { return std::max(1, v / 16); }};
}

Knob sizeKnob(const BudgetSettings& start)
{
    const int shortSide = std::min(start.width, start.height);
    const int smallestWidth = shortSide <= kBudgetMinSide
                                  ? start.width
                                  : std::max(1, static_cast<int>(std::ceil(double(start.width) * kBudgetMinSide / shortSide)));
    return {start.width,
            smallestWidth,
            withWidth,
            [](int v) { return double(v) * v; },
            [](double m) { return std::sqrt(std::max(0.0, m)); },
            [](int v) { return std::max(1, v / 32); },
            false};
}

// Bytes of lossiness `lossy` taken to be this share of the bytes at the start's, until an attempt
// tells better.
constexpr double kLossyShareGuess = 0.8;
// Lines between are tried only when the most lossiness saves at least this share of the bytes:
// less lets hardly a colour back, and lossiness costs some of the look too.
constexpr double kLossyWorthwhile = 0.04;
// Attempts a line of lossiness makes at most to find how many colours fit on it.
constexpr int kLineAttempts = 2;
// Lines of lossiness closer than this are not told apart.
constexpr int kLossyStep = 6;

int colorsTolerance(int colors) { return std::max(1, colors / 16); }

class Search {
public:
    Search(std::int64_t budget, const BudgetSettings& start, const BudgetAttempt& attempt, const std::function<bool()>& inTime)
        : budget_(budget), start_(start), attempt_(attempt), inTime_(inTime)
    {
    }

    Result<BudgetTry> attempt(const BudgetSettings& settings)
    {
        for (const BudgetTried& t : all_)
            if (t.settings == settings)
                return t.result;  // a point of the curve that another quality rounds to
        Result<BudgetTry> made = attempt_(settings, !all_.empty());
        if (!made)
            return made;
        const BudgetTry& t = made.value();
        all_.push_back({settings, t});
        ++outcome_.attempts;
        if (outcome_.attempts == 1 || t.bytes < smallestBytes_) {
            smallest_ = settings;
            smallestBytes_ = t.bytes;
        }
        outcome_.fits = outcome_.fits || t.bytes <= budget_;
        if (settings.width == start_.width && settings.height == start_.height)
            tried_.push_back({settings.lossy, settings.colors, t.bytes, t.quality});
        return made;
    }

    // The curve's point at `quality`, never more colours or less lossiness than the start.
    BudgetSettings onCurve(int quality) const
    {
        const QualityPoint point = qualityPoint(quality);
        BudgetSettings s = start_;
        s.lossy = std::max(start_.lossy, point.lossy);
        s.colors = std::min(start_.colors, point.colors);
        return s;
    }

    // From `startQuality` (whose attempt made `currentBytes`) down the quality curve: the least
    // quality first, which brackets the budget or tells that the curve cannot reach it; then the
    // best quality that fits, by the secant of the logarithm of the bytes over the quality, kept
    // strictly inside the bracket. True once one fits; otherwise `current` is the least quality's
    // point and `currentBytes` its bytes.
    Result<bool> alongCurve(int startQuality, BudgetSettings& current, std::int64_t& currentBytes)
    {
        int high = startQuality;  // the lowest quality tried that does not fit
        double highLog = std::log(double(std::max<std::int64_t>(1, currentBytes)));
        if (high <= kLeastQuality)
            return false;
        const BudgetSettings least = onCurve(kLeastQuality);
        const Result<BudgetTry> bottom = attempt(least);
        if (!bottom)
            return bottom.error();
        if (bottom.value().bytes > budget_) {
            current = least;
            currentBytes = bottom.value().bytes;
            return false;
        }
        int low = kLeastQuality;  // the highest quality that fits
        double lowLog = std::log(double(std::max<std::int64_t>(1, bottom.value().bytes)));
        const double target = std::log(double(budget_));
        for (int k = 1; k < kBudgetCurveAttempts && high - low > std::max(2, high / 12) && !spent(); ++k) {
            double q = highLog == lowLog ? (low + high) / 2.0 : low + (high - low) * (target - lowLog) / (highLog - lowLog);
            // Towards the middle when the guess hugs an end, so the bracket shrinks by a quarter at least.
            q = std::clamp(q, low + 0.25 * (high - low), high - 0.25 * (high - low));
            const int quality = std::clamp(static_cast<int>(std::lround(q)), low + 1, high - 1);
            const Result<BudgetTry> made = attempt(onCurve(quality));
            if (!made)
                return made.error();
            const double log = std::log(double(std::max<std::int64_t>(1, made.value().bytes)));
            if (made.value().bytes <= budget_) {
                low = quality;
                lowLog = log;
            } else {
                high = quality;
                highLog = log;
            }
        }
        return true;
    }

    bool spent() const
    {
        return outcome_.attempts >= kBudgetMaxAttempts || (outcome_.fits && inTime_ && !inTime_());
    }
    bool fits() const { return outcome_.fits; }
    int minColors() const { return minColors_; }
    void setMinColors(int colors) { minColors_ = std::min(start_.colors, colors); }

    struct Point {
        int value;
        std::int64_t bytes;
    };

    // Turns `knob` from `current` as far as the budget needs; true once settings fit. Otherwise
    // `current` moves to the strongest value tried, unless the knob did nothing. `milder`, when
    // given, is an attempt at a milder value of the knob with other settings besides, whose line
    // through `current` guesses the first value to try.
    Result<bool> turn(const Knob& knob, BudgetSettings& current, std::int64_t& currentBytes,
                      std::optional<Point> milder = std::nullopt)
    {
        const int direction = knob.strongest > knob.from ? 1 : -1;
        Point tooBig{knob.from, currentBytes};  // the strongest value tried that does not fit
        std::optional<Point> fits;              // the mildest value tried that fits
        std::vector<Point> points{tooBig};
        if (milder && milder->bytes > currentBytes && direction * (milder->value - knob.from) < 0)
            points.push_back(*milder);
        const std::size_t guessed = points.size();
        while (knob.strongest != knob.from && !spent()) {
            const double m1 = knob.measure(tooBig.value);
            // With a fitting attempt in hand, aim at the budget itself; before, a little below it.
            const double target = (fits ? 1.0 : kAim) * double(budget_);
            double m = m1 * target / double(tooBig.bytes);
            if (points.size() >= 2) {
                // The line through the two attempts nearest the target.
                std::vector<Point> near = points;
                std::partial_sort(near.begin(), near.begin() + 2, near.end(), [target](const Point& a, const Point& b) {
                    return std::abs(double(a.bytes) - target) < std::abs(double(b.bytes) - target);
                });
                const double ma = knob.measure(near[0].value), mb = knob.measure(near[1].value);
                m = near[0].bytes == near[1].bytes
                        ? std::nan("")
                        : ma + (mb - ma) * (target - double(near[0].bytes)) / double(near[1].bytes - near[0].bytes);
                // A guess from another attempt goes no milder than the bytes in proportion to the
                // measure would: that attempt's other settings may have saved bytes too.
                if (points.size() == guessed)
                    m = std::min(m, m1 * target / double(tooBig.bytes));
            }
            // Strictly inside what is known; halfway when the line points elsewhere.
            if (fits) {
                const double m0 = knob.measure(fits->value);
                if (!(m > m0 && m < m1))
                    m = (m0 + m1) / 2;
            } else if (!(m < m1)) {
                m = m1 * target / double(tooBig.bytes);
            }
            // A value strictly stronger than tooBig and milder than what fits (or the strongest).
            const double wanted = knob.valueAt(m);
            const int limit = fits ? fits->value - direction : knob.strongest;
            const double steps = std::isfinite(wanted) ? std::ceil(direction * (wanted - tooBig.value)) : 1e6;
            int value = tooBig.value + direction * static_cast<int>(std::clamp(steps, 1.0, 1e6));
            value = direction > 0 ? std::min(value, limit) : std::max(value, limit);
            if (direction * (value - tooBig.value) < 1)
                break;
            const Result<BudgetTry> made = attempt(knob.apply(current, start_, value));
            if (!made)
                return made.error();
            const std::int64_t bytes = made.value().bytes;
            points.push_back({value, bytes});
            if (bytes <= budget_) {
                fits = Point{value, bytes};
            } else {
                if (knob.mayDoNothing && points.size() == guessed + 1 && bytes >= (1.0 - kNoEffect) * double(currentBytes))
                    return false;
                tooBig = Point{value, bytes};
            }
            if (fits && std::abs(fits->value - tooBig.value) <= knob.tolerance(fits->value))
                break;
            if (!fits && value == knob.strongest)
                break;
        }
        if (fits)
            return true;
        current = knob.apply(current, start_, tooBig.value);
        currentBytes = tooBig.bytes;
        return false;
    }

    // With the most colours that fit at the start's lossiness known: lines of more lossiness, each
    // with the most colours that then fit, halving towards the better-looking side while attempts
    // last.
    Status mix()
    {
        std::vector<int> lines{start_.lossy};
        if (start_.lossy + kLossyStep > kBudgetMaxLossy || line(start_.lossy).size() < 2)
            return {};  // no room for lossiness, or no line of colours to go by
        // First with the fewest colours that did not fit at the start's lossiness: what the most
        // lossiness saves, measured where it is wanted.
        int fewestTooBig = 0;
        for (const Tried& t : line(start_.lossy))
            if (t.bytes > budget_ && (fewestTooBig == 0 || t.colors < fewestTooBig))
                fewestTooBig = t.colors;
        if (fewestTooBig == 0 || spent())
            return {};
        BudgetSettings most = start_;
        most.lossy = kBudgetMaxLossy;
        most.colors = fewestTooBig;
        const bool known = std::any_of(tried_.begin(), tried_.end(), [&most](const Tried& t) {
            return t.lossy == most.lossy && t.colors == most.colors;
        });
        if (!known)
            if (const Result<BudgetTry> made = attempt(most); !made)
                return made.error();
        if (shareAt(kBudgetMaxLossy) > 1.0 - kLossyWorthwhile)
            return {};  // lossiness saves too little here to let colours back
        if (Status s = fitLine(kBudgetMaxLossy, kLineAttempts - 1); !s)
            return s;
        lines.push_back(kBudgetMaxLossy);
        while (outcome_.attempts + kLineAttempts <= kBudgetMaxAttempts && !spent()) {
            // The best line so far, and the halfway point towards its better-looking neighbour.
            const auto best = std::max_element(lines.begin(), lines.end(), [this](int a, int b) {
                return lineQuality(a) < lineQuality(b);
            });
            const int below = best == lines.begin() ? -1 : *(best - 1);
            const int above = best + 1 == lines.end() ? -1 : *(best + 1);
            std::vector<int> sides;
            for (const int side : {below, above})
                if (side >= 0 && std::abs(side - *best) >= 2 * kLossyStep)
                    sides.push_back(side);
            if (sides.empty())
                return {};
            const int side = sides.size() == 2 && lineQuality(sides[1]) > lineQuality(sides[0]) ? sides[1] : sides[0];
            const int lossy = (side + *best) / 2;
            if (Status s = fitLine(lossy, kLineAttempts); !s)
                return s;
            lines.insert(std::upper_bound(lines.begin(), lines.end(), lossy), lossy);
        }
        return {};
    }

    BudgetOutcome finish()
    {
        if (const std::optional<std::size_t> best = chooseBudgetAttempt(all_, budget_)) {
            const BudgetTried& t = all_[*best];
            outcome_ = {true, t.settings, t.result.bytes, t.result.quality, outcome_.attempts};
        } else {
            outcome_.chosen = smallest_;
            outcome_.bytes = smallestBytes_;
        }
        return outcome_;
    }

private:
    struct Tried {
        int lossy;
        int colors;
        std::int64_t bytes;
        double quality;
    };

    // The attempts at full size with `lossy`, fewest colours first.
    std::vector<Tried> line(int lossy) const
    {
        std::vector<Tried> on;
        std::copy_if(tried_.begin(), tried_.end(), std::back_inserter(on), [lossy](const Tried& t) { return t.lossy == lossy; });
        std::sort(on.begin(), on.end(), [](const Tried& a, const Tried& b) { return a.colors < b.colors; });
        return on;
    }

    double lineQuality(int lossy) const
    {
        double best = -HUGE_VAL;
        for (const Tried& t : line(lossy))
            if (t.bytes <= budget_)
                best = std::max(best, t.quality);
        return best;
    }

    // Bytes at the start's lossiness with `colors`, or the colours for `bytes` (inverse): straight
    // lines over log2 of the colours through its attempts, the end ones carried on beyond them.
    double startBytesAt(int colors) const { return along(std::log2(double(colors)), true); }
    double startColorsFor(double bytes) const { return std::exp2(along(bytes, false)); }
    double along(double x, bool toBytes) const
    {
        const std::vector<Tried> on = line(start_.lossy);
        std::vector<std::pair<double, double>> points;  // (log2 colours, bytes), or the other way
        for (const Tried& t : on) {
            const double c = std::log2(double(t.colors)), b = double(t.bytes);
            points.emplace_back(toBytes ? c : b, toBytes ? b : c);
        }
        std::sort(points.begin(), points.end());
        if (points.size() == 1)  // bytes about proportional to log2 of the colours, less two
            return toBytes ? points[0].second * (x - 2) / (points[0].first - 2) : 2 + (points[0].second - 2) * x / points[0].first;
        std::size_t i = 1;
        while (i + 1 < points.size() && x > points[i].first)
            ++i;
        const auto [x0, y0] = points[i - 1];
        const auto [x1, y1] = points[i];
        return x1 == x0 ? y0 : y0 + (y1 - y0) * (x - x0) / (x1 - x0);
    }

    // The bytes at `lossy` as a share of those at the start's lossiness with as many colours: from
    // the line's latest attempt, else between the nearest lines tried (a guess for lossiness 100
    // until it is tried).
    double shareAt(int lossy) const
    {
        const auto shareOf = [this](int l) -> std::optional<double> {
            if (l == start_.lossy)
                return 1.0;
            std::optional<double> share;
            for (const Tried& t : tried_)
                if (t.lossy == l)
                    share = double(t.bytes) / std::max(1.0, startBytesAt(t.colors));
            return share;
        };
        if (const std::optional<double> known = shareOf(lossy))
            return *known;
        int below = start_.lossy, above = kBudgetMaxLossy;
        for (const Tried& t : tried_) {
            if (t.lossy < lossy && t.lossy > below)
                below = t.lossy;
            if (t.lossy > lossy && t.lossy < above)
                above = t.lossy;
        }
        const double low = *shareOf(below), high = shareOf(above).value_or(kLossyShareGuess);
        return low + (high - low) * (lossy - below) / std::max(1, above - below);
    }

    // The most colours that fit at `lossy`, in a few attempts, bracketed by those tried there.
    Status fitLine(int lossy, int attempts)
    {
        for (int k = 0; k < attempts && !spent(); ++k) {
            int fitting = 0, tooBig = start_.colors + 1;  // the most colours that fit there, the fewest that do not
            for (const Tried& t : line(lossy)) {
                if (t.bytes <= budget_)
                    fitting = std::max(fitting, t.colors);
                else
                    tooBig = std::min(tooBig, t.colors);
            }
            if (fitting > 0 && tooBig - fitting <= colorsTolerance(fitting))
                return {};
            const double target = (fitting > 0 ? 1.0 : kAim) * double(budget_);
            const double wanted = startColorsFor(target / shareAt(lossy));
            const int colors = std::clamp(std::isfinite(wanted) ? static_cast<int>(wanted) : minColors_,
                                          std::max(minColors_, fitting + 1), tooBig - 1);
            if (colors < minColors_ || colors <= fitting)
                return {};
            BudgetSettings settings = start_;
            settings.lossy = lossy;
            settings.colors = colors;
            if (const Result<BudgetTry> made = attempt(settings); !made)
                return made.error();
        }
        return {};
    }

    std::int64_t budget_;
    BudgetSettings start_;
    int minColors_ = kBudgetMinColors;
    const BudgetAttempt& attempt_;
    const std::function<bool()>& inTime_;
    BudgetOutcome outcome_;
    BudgetSettings smallest_;
    std::int64_t smallestBytes_ = 0;
    std::vector<Tried> tried_;  // at full size
    std::vector<BudgetTried> all_;
};

}  // namespace

std::optional<std::size_t> chooseBudgetAttempt(const std::vector<BudgetTried>& tried, std::int64_t budget)
{
    std::optional<std::size_t> best;
    for (std::size_t k = 0; k < tried.size(); ++k) {
        const BudgetTry& t = tried[k].result;
        if (t.bytes > budget)
            continue;
        if (!best || t.quality > tried[*best].result.quality ||
            (t.quality == tried[*best].result.quality && t.bytes < tried[*best].result.bytes))
            best = k;
    }
    return best;
}

Result<BudgetOutcome> searchSizeBudget(std::int64_t budget, const BudgetSettings& start, const BudgetAttempt& attempt,
                                       const BudgetColourFloor& minColors, int startQuality,
                                       const std::function<bool()>& inTime)
{
    Search search(budget, start, attempt, inTime);
    const Result<BudgetTry> first = search.attempt(start);
    if (!first)
        return first.error();
    if (search.fits())
        return search.finish();
    const Result<int> floor = minColors ? minColors() : Result<int>(kBudgetMinColors);
    if (!floor)
        return floor.error();
    search.setMinColors(floor.value());
    BudgetSettings current = start;
    std::int64_t currentBytes = first.value().bytes;
    const Result<bool> curve = search.alongCurve(std::clamp(startQuality, kLeastQuality, kBestQuality), current, currentBytes);
    if (!curve)
        return curve.error();
    if (curve.value()) {
        // Near the budget off the curve: the most colours that fit at the start's lossiness (flat
        // graphics keep their look with few colours better than with lossiness), then lines of
        // more lossiness with more colours while attempts last. The best-looking of all is kept.
        BudgetSettings colours = start;
        std::int64_t colourBytes = first.value().bytes;
        const Result<bool> fitted = search.turn(colorsKnob(start, search.minColors()), colours, colourBytes);
        if (!fitted)
            return fitted.error();
        if (fitted.value())
            if (Status mixed = search.mix(); !mixed)
                return mixed.error();
        return search.finish();
    }
    // Even the least quality is too big: fewer colours from there; when the fewest do not fit,
    // more lossiness with them; then a smaller frame.
    // The first guess of colours goes by the line through the start and the least quality: where
    // lossiness saves little (exact screen content), the bytes fall with the colours much more
    // slowly than in proportion to them.
    const Knob knobs[] = {colorsKnob(current, search.minColors()), lossyKnob(current), sizeKnob(start)};
    for (const Knob& knob : knobs) {
        const std::optional<Search::Point> milder =
            &knob == &knobs[0] ? std::optional(Search::Point{start.colors, first.value().bytes}) : std::nullopt;
        const Result<bool> fitted = search.turn(knob, current, currentBytes, milder);
        if (!fitted)
            return fitted.error();
        if (fitted.value())
            break;
    }
    return search.finish();
}

}  // namespace pictoreel
