#include "core/project/caption_layer.h"

#include <array>

namespace pictoreel {
namespace {

constexpr std::array<const char16_t*, 10> kAnchorNames{u"top-left",    u"top",    u"top-right", u"left",
                                                       u"center",      u"right",  u"bottom-left",
                                                       u"bottom",      u"bottom-right", u"point"};

// What the INI store would take away at an end of a value: spaces (any white space) and quotes.
bool lostAtEnd(QChar c) { return c.isSpace() || c == u'"' || c == u'\''; }

QString unicodeEscape(QChar c) { return QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0')); }

}  // namespace

QString captionAnchorName(CaptionAnchor anchor)
{
    return QString::fromUtf16(kAnchorNames[static_cast<std::size_t>(anchor)]);
}

std::optional<CaptionAnchor> captionAnchorFromName(const QString& name)
{
    const QString wanted = name.trimmed();
    for (std::size_t i = 0; i < kAnchorNames.size(); ++i)
        if (wanted.compare(QString::fromUtf16(kAnchorNames[i]), Qt::CaseInsensitive) == 0)
            return static_cast<CaptionAnchor>(i);
    if (wanted.compare(QStringLiteral("centre"), Qt::CaseInsensitive) == 0)
        return CaptionAnchor::Centre;
    return std::nullopt;
}

QString escapeCaptionText(const QString& text)
{
    QString line;
    line.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\')
            line += QStringLiteral("\\\\");
        else if (c == u'\n')
            line += QStringLiteral("\\n");
        else if (c == u'\r')
            line += QStringLiteral("\\r");
        else if (c == u'\t')
            line += QStringLiteral("\\t");
        else if (c == QChar(0))
            continue;  // a project's values hold none
        else if ((i == 0 || i == text.size() - 1) && lostAtEnd(c))
            line += unicodeEscape(c);
        else
            line += c;
    }
    return line;
}

QString unescapeCaptionText(const QString& line)
{
    QString text;
    text.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c != u'\\' || i + 1 == line.size()) {
            text += c;
            continue;
        }
        const QChar next = line[i + 1];
        if (next == u'\\' || next == u'n' || next == u'r' || next == u't') {
            text += next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next == u't' ? QChar(u'\t') : next;
            ++i;
            continue;
        }
        if (next == u'u' && i + 5 < line.size()) {
            bool ok = false;
            const ushort code = line.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok && code != 0) {
                text += QChar(code);
                i += 5;
                continue;
            }
        }
        text += c;  // not an escape of ours: kept
    }
    return text;
}

}  // namespace pictoreel
