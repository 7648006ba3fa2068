#include "core/production/size_budget.h"

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

Knob colorsKnob(const BudgetSettings& start)
{
    return {start.colors,
            std::min(start.colors, kBudgetMinColors),
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

class Search {
public:
    Search(std::int64_t budget, const BudgetAttempt& attempt) : budget_(budget), attempt_(attempt) {}

    Result<std::int64_t> attempt(const BudgetSettings& settings)
    {
        Result<std::int64_t> bytes = attempt_(settings);
        if (!bytes)
            return bytes;
        ++outcome_.attempts;
        if (outcome_.attempts == 1 || bytes.value() < smallestBytes_) {
            smallest_ = settings;
            smallestBytes_ = bytes.value();
        }
        return bytes;
    }

    bool spent() const { return outcome_.attempts >= kBudgetMaxAttempts; }

    // Turns `knob` from `current` as far as the budget needs; true once settings fit (kept in
    // the outcome). Otherwise `current` moves to the strongest value tried, unless the knob did
    // nothing.
    Result<bool> turn(const Knob& knob, const BudgetSettings& start, BudgetSettings& current, std::int64_t& currentBytes)
    {
        struct Point {
            int value;
            std::int64_t bytes;
        };
        const int direction = knob.strongest > knob.from ? 1 : -1;
        Point tooBig{knob.from, currentBytes};  // the strongest value tried that does not fit
        std::optional<Point> fits;              // the mildest value tried that fits
        std::vector<Point> points{tooBig};
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
            const BudgetSettings settings = knob.apply(current, start, value);
            const Result<std::int64_t> bytes = attempt(settings);
            if (!bytes)
                return bytes.error();
            points.push_back({value, bytes.value()});
            if (bytes.value() <= budget_) {
                fits = Point{value, bytes.value()};
                outcome_ = {true, settings, bytes.value(), outcome_.attempts};
            } else {
                if (knob.mayDoNothing && points.size() == 2 && bytes.value() >= (1.0 - kNoEffect) * double(currentBytes))
                    return false;
                tooBig = Point{value, bytes.value()};
            }
            if (fits && std::abs(fits->value - tooBig.value) <= knob.tolerance(fits->value))
                break;
            if (!fits && value == knob.strongest)
                break;
        }
        if (fits)
            return true;
        current = knob.apply(current, start, tooBig.value);
        currentBytes = tooBig.bytes;
        return false;
    }

    BudgetOutcome finish()
    {
        if (!outcome_.fits) {
            outcome_.chosen = smallest_;
            outcome_.bytes = smallestBytes_;
        }
        return outcome_;
    }

    void fitAt(const BudgetSettings& settings, std::int64_t bytes) { outcome_ = {true, settings, bytes, outcome_.attempts}; }

private:
    std::int64_t budget_;
    const BudgetAttempt& attempt_;
    BudgetOutcome outcome_;
    BudgetSettings smallest_;
    std::int64_t smallestBytes_ = 0;
};

}  // namespace

Result<BudgetOutcome> searchSizeBudget(std::int64_t budget, const BudgetSettings& start, const BudgetAttempt& attempt)
{
    Search search(budget, attempt);
    const Result<std::int64_t> first = search.attempt(start);
    if (!first)
        return first.error();
    if (first.value() <= budget) {
        search.fitAt(start, first.value());
        return search.finish();
    }
    BudgetSettings current = start;
    std::int64_t currentBytes = first.value();
    for (const Knob& knob : {lossyKnob(start), colorsKnob(start), sizeKnob(start)}) {
        const Result<bool> fitted = search.turn(knob, start, current, currentBytes);
        if (!fitted)
            return fitted.error();
        if (fitted.value())
            break;
    }
    return search.finish();
}

}  // namespace pictoreel
