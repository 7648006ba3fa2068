#include "core/production/budget_cache.h"

#include "core/production/animation_cache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace pictoreel {

namespace {

// Changes whenever a make within a budget may write other bytes for the same frames and budget:
// the search's choices, and how an attempt's frames are reduced, scaled and compared.
constexpr int kSearchVersion = 7;

// The files kept under `stem`: its name followed by a choice.
QStringList keptUnder(const QString& stem)
{
    const QFileInfo info(stem);
    return info.dir().entryList({info.fileName() + QStringLiteral("_*.gif")}, QDir::Files);
}

}  // namespace

QString budgetAnimationStem(std::int64_t budget, const BudgetMake& make)
{
    const BudgetSettings& s = make.start;
    QByteArray more = QStringLiteral("budget %1 search %2 from %3 %4 %5x%6")
                          .arg(budget)
                          .arg(kSearchVersion)
                          .arg(s.lossy)
                          .arg(s.colors)
                          .arg(s.width)
                          .arg(s.height)
                          .toLatin1();
    if (make.quality)
        more += " quality " + QByteArray::number(*make.quality);
    const QString path = cachedAnimationPath(make.tempFolder, make.frames, make.settings, more);
    return path.isEmpty() ? path : path.chopped(4);  // without ".gif"
}

std::optional<KeptBudgetAnimation> findBudgetAnimation(const QString& stem)
{
    if (stem.isEmpty())
        return std::nullopt;
    const QFileInfo info(stem);
    static const QRegularExpression chosen(QStringLiteral("^_l(\\d+)_c(\\d+)_(\\d+)x(\\d+)_a(\\d+)\\.gif$"));
    for (const QString& name : keptUnder(stem)) {
        const QRegularExpressionMatch m = chosen.match(QStringView(name).mid(info.fileName().size()));
        if (!m.hasMatch())
            continue;
        KeptBudgetAnimation kept;
        kept.path = info.dir().filePath(name);
        kept.chosen = {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt()};
        kept.attempts = m.captured(5).toInt();
        return kept;
    }
    return std::nullopt;
}

void dropOtherBudgetChoices(const QString& stem, const QString& kept)
{
    const QDir folder = QFileInfo(stem).dir();
    for (const QString& name : keptUnder(stem))
        if (name != QFileInfo(kept).fileName())
            QFile::remove(folder.filePath(name));
}

QString budgetAnimationPath(const QString& stem, const BudgetSettings& chosen, int attempts)
{
    return stem + QStringLiteral("_l%1_c%2_%3x%4_a%5.gif")
                      .arg(chosen.lossy)
                      .arg(chosen.colors)
                      .arg(chosen.width)
                      .arg(chosen.height)
                      .arg(attempts);
}

}  // namespace pictoreel
