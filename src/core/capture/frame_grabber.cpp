#include "core/capture/frame_grabber.h"

#include <QRegularExpression>

namespace pictoreel {

std::optional<CaptureRect> captureRectFrom(const QString& text)
{
    static const QRegularExpression geometry(QStringLiteral("^\\s*([0-9]{1,5})x([0-9]{1,5})\\+([0-9]{1,5})\\+([0-9]{1,5})\\s*$"));
    const QRegularExpressionMatch match = geometry.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const CaptureRect rect{match.captured(3).toInt(), match.captured(4).toInt(), match.captured(1).toInt(), match.captured(2).toInt()};
    return rect.width > 0 && rect.height > 0 ? std::optional(rect) : std::nullopt;
}

}  // namespace pictoreel
