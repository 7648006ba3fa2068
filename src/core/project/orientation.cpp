#include "core/project/orientation.h"

namespace pictoreel {
namespace {

int normalTurns(int turns) { return ((turns % 4) + 4) % 4; }

}  // namespace

Orientation turned(Orientation orientation, int quarterTurnsClockwise)
{
    return {normalTurns(orientation.quarterTurns + quarterTurnsClockwise % 4), orientation.mirrored};
}

// The picture is shown as R^q M^m (M, when mirrored, first). A left-right flip of what is shown
// is M R^q M^m = R^-q M^(m+1), and a top-bottom flip is R^2 M: R^(2-q) M^(m+1).
Orientation flipped(Orientation orientation, FlipAxis axis)
{
    const int turns = axis == FlipAxis::Horizontal ? -orientation.quarterTurns : 2 - orientation.quarterTurns;
    return {normalTurns(turns), !orientation.mirrored};
}

bool swapsSides(Orientation orientation) { return normalTurns(orientation.quarterTurns) % 2 == 1; }

QString rotateText(Orientation orientation)
{
    const int turns = normalTurns(orientation.quarterTurns);
    return turns == 0 ? QString() : QString::number(turns * 90);
}

QString mirrorText(Orientation orientation) { return orientation.mirrored ? QStringLiteral("1") : QString(); }

std::optional<int> quarterTurnsFromText(const QString& rotate)
{
    const QString text = rotate.trimmed();
    if (text.isEmpty() || text == u"0")
        return 0;
    for (int turns = 1; turns < 4; ++turns)
        if (text == QString::number(turns * 90))
            return turns;
    return std::nullopt;
}

Orientation orientationFromTexts(const QString& rotate, const QString& mirror)
{
    return {quarterTurnsFromText(rotate).value_or(0), mirror.trimmed() == u"1"};
}

}  // namespace pictoreel
