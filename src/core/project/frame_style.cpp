#include "core/project/frame_style.h"

#include "core/project/numbers.h"

namespace pictoreel {

FitMode fitModeFromText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("Fit Inside"), Qt::CaseInsensitive) == 0)
        return FitMode::Contain;
    if (t.compare(QStringLiteral("Fill"), Qt::CaseInsensitive) == 0)
        return FitMode::Cover;
    return FitMode::Stretch;
}

QString fitModeText(FitMode mode)
{
    switch (mode) {
    case FitMode::Contain: return QStringLiteral("Fit Inside");
    case FitMode::Cover: return QStringLiteral("Fill");
    case FitMode::Stretch: break;
    }
    return QStringLiteral("Stretch");
}

FrameStyle frameStyleFor(const ProjectProperties& properties)
{
    FrameStyle style;
    style.fit = fitModeFromText(properties.fit);
    if (const auto colour = toInt32(properties.fitBackground); colour && *colour >= 0 && *colour <= 0xFFFFFF)
        style.fitBackground = *colour;
    return style;
}

QString frameStyleTag(const FrameStyle& style)
{
    if (style.isDefault())
        return {};
    QString tag = QStringLiteral("_s_");
    if (style.fit != FitMode::Stretch) {
        tag += style.fit == FitMode::Contain ? u'i' : u'f';
        if (style.fit == FitMode::Contain)
            tag += style.fitBackground ? QString::number(*style.fitBackground) : QStringLiteral("t");
    }
    if (style.colors != 256)
        tag += u'c' + QString::number(style.colors);
    if (style.dither != DitherMode::Diffusion)
        tag += style.dither == DitherMode::Ordered ? QStringLiteral("do") : QStringLiteral("dn");
    return tag;
}

}  // namespace pictoreel
