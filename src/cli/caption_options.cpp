#include "caption_options.h"

#include "picture_list.h"

#include <QRegularExpression>

#include <optional>

namespace pictoreel::cli {
namespace {

Error wrong(const QString& option, const QString& wants, const QString& value)
{
    return makeError(ErrorCode::InvalidArgument, QStringLiteral("%1 wants %2, not \"%3\"").arg(option, wants, value));
}

std::optional<int> wholeNumber(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

// "FAMILY", with "bold", "italic" (or "oblique") after it in any order and letter case.
bool readFont(const QString& text, CaptionLayer& caption)
{
    QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    while (!words.isEmpty()) {
        const QString last = words.back().toLower();
        if (last == QStringLiteral("bold"))
            caption.bold = true;
        else if (last == QStringLiteral("italic") || last == QStringLiteral("oblique"))
            caption.italic = true;
        else
            break;
        words.removeLast();
    }
    caption.fontFamily = words.join(u' ');
    return !caption.fontFamily.isEmpty() && caption.fontFamily.size() <= 200;
}

// "RRGGBB" or "RRGGBB:WIDTH", or "none" for no outline.
bool readOutline(const QString& text, CaptionLayer& caption)
{
    if (text.trimmed().compare(QStringLiteral("none"), Qt::CaseInsensitive) == 0) {
        caption.outlineWidth = 0;
        return true;
    }
    const QStringList parts = text.split(u':');
    const auto colour = parseColour(parts[0].trimmed());
    if (!colour || parts.size() > 2)
        return false;
    caption.outlineColour = *colour;
    if (parts.size() == 2) {
        const auto width = wholeNumber(parts[1], 0, kCaptionMaxOutlineWidth);
        if (!width)
            return false;
        caption.outlineWidth = *width;
    }
    return true;
}

bool readBox(const QString& text, CaptionLayer& caption)
{
    if (text.trimmed().compare(QStringLiteral("none"), Qt::CaseInsensitive) == 0) {
        caption.box = false;
        return true;
    }
    const auto colour = parseColour(text.trimmed());
    if (colour)
        caption.box = true, caption.boxColour = *colour;
    return colour.has_value();
}

// "PLACE" or "PLACE:MARGIN", or "X,Y" for the block's top left corner.
bool readPosition(const QString& text, CaptionLayer& caption)
{
    static const QRegularExpression point(QStringLiteral("^\\s*(-?\\d+)\\s*,\\s*(-?\\d+)\\s*$"));
    if (const auto m = point.match(text); m.hasMatch()) {
        const auto x = wholeNumber(m.captured(1), -kCaptionMaxMargin, kCaptionMaxMargin);
        const auto y = wholeNumber(m.captured(2), -kCaptionMaxMargin, kCaptionMaxMargin);
        if (!x || !y)
            return false;
        caption.anchor = CaptionAnchor::Point, caption.x = *x, caption.y = *y;
        return true;
    }
    const QStringList parts = text.split(u':');
    const auto anchor = captionAnchorFromName(parts[0]);
    if (!anchor || *anchor == CaptionAnchor::Point || parts.size() > 2)
        return false;
    caption.anchor = *anchor;
    if (parts.size() == 2) {
        const auto margin = wholeNumber(parts[1], 0, kCaptionMaxMargin);
        if (!margin)
            return false;
        caption.margin = *margin;
    }
    return true;
}

// "all", "N" (that frame alone), "N-" (from it to the last) or "N-M".
bool readFrames(const QString& text, CaptionLayer& caption)
{
    if (text.trimmed().compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0) {
        caption.firstFrame = 1, caption.lastFrame = 0;
        return true;
    }
    static const QRegularExpression range(QStringLiteral("^\\s*(\\d+)\\s*(-)?\\s*(\\d+)?\\s*$"));
    const auto m = range.match(text);
    if (!m.hasMatch())
        return false;
    const auto first = wholeNumber(m.captured(1), 1, 32767);
    const auto last = m.hasCaptured(3) ? wholeNumber(m.captured(3), 1, 32767) : std::optional<int>(0);
    if (!first || !last || (m.hasCaptured(3) && !m.hasCaptured(2)) || (*last != 0 && *last < *first))
        return false;
    caption.firstFrame = *first;
    caption.lastFrame = m.hasCaptured(2) ? *last : *first;
    return true;
}

}  // namespace

Result<CaptionLayers> captionsFrom(const QList<std::pair<QString, QString>>& options)
{
    CaptionLayers captions;
    QStringList given;  // the shaping options the current caption has had
    for (const auto& [name, value] : options) {
        if (!kCaptionOptions.contains(name))
            continue;
        if (name == QStringLiteral("--caption")) {
            const QString text = unescapeCaptionText(value);
            if (text.trimmed().isEmpty() || text.size() > kCaptionTextMaxLength)
                return wrong(name, QStringLiteral("a text of 1 to %1 characters").arg(kCaptionTextMaxLength), value);
            if (captions.size() == kMaxCaptions)
                return makeError(ErrorCode::InvalidArgument, QStringLiteral("at most %1 captions").arg(kMaxCaptions));
            captions.push_back(CaptionLayer{});
            captions.back().text = text;
            given.clear();
            continue;
        }
        if (captions.empty())
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("%1 comes before any --caption; it shapes the --caption before it").arg(name));
        if (given.contains(name))
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("%1 is given twice for caption %2").arg(name).arg(captions.size()));
        given << name;
        CaptionLayer& caption = captions.back();
        if (name == QStringLiteral("--caption-font")) {
            if (!readFont(value, caption))
                return wrong(name, QStringLiteral("a font family, then bold or italic if wanted"), value);
        } else if (name == QStringLiteral("--caption-size")) {
            const auto size = wholeNumber(value, 1, kCaptionMaxSize);
            if (!size)
                return wrong(name, QStringLiteral("pixels from 1 to %1").arg(kCaptionMaxSize), value);
            caption.size = *size;
        } else if (name == QStringLiteral("--caption-color")) {
            const auto colour = parseColour(value.trimmed());
            if (!colour)
                return wrong(name, QStringLiteral("a colour as RRGGBB"), value);
            caption.colour = *colour;
        } else if (name == QStringLiteral("--caption-outline")) {
            if (!readOutline(value, caption))
                return wrong(name, QStringLiteral("RRGGBB, RRGGBB:WIDTH (0 to %1) or none").arg(kCaptionMaxOutlineWidth), value);
        } else if (name == QStringLiteral("--caption-box")) {
            if (!readBox(value, caption))
                return wrong(name, QStringLiteral("a colour as RRGGBB or none"), value);
        } else if (name == QStringLiteral("--caption-position")) {
            if (!readPosition(value, caption))
                return wrong(name,
                             QStringLiteral("top-left, top, top-right, left, center, right, bottom-left, bottom or "
                                            "bottom-right (with :MARGIN if wanted), or X,Y"),
                             value);
        } else if (name == QStringLiteral("--caption-frames")) {
            if (!readFrames(value, caption))
                return wrong(name, QStringLiteral("all, N, N- or N-M"), value);
        }
    }
    return captions;
}

}  // namespace pictoreel::cli
