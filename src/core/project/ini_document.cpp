#include "core/project/ini_document.h"

#include <QStringDecoder>

#include <algorithm>

namespace pictoreel {
namespace {

// Bytes 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        char32_t min = 0, cp = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += length;
    }
    return true;
}

// Text as far as an INI file goes: no NUL or other control character but tab, line feed,
// vertical tab, form feed, carriage return and the old end-of-file mark (0x1A); outside UTF-8,
// none of the five bytes Windows-1252 leaves undefined.
bool looksLikeText(QByteArrayView bytes, bool utf8)
{
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        if (c < 0x20 && !(c >= 0x09 && c <= 0x0D) && c != 0x1A)
            return false;
        if (!utf8 && (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D))
            return false;
    }
    return true;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return (begin == 0 && end == text.size()) ? text : text.mid(begin, end - begin);
}

IniName nameKey(const QString& name) { return IniName{trimBlanks(name)}; }

QString trimSpaces(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// What the profile functions hand back for a stored value.
QString storedValueAsRead(const QString& raw)
{
    QString value = trimBlanks(raw);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    if (value.size() > kIniValueMaxLength)
        value.truncate(kIniValueMaxLength);
    return value;
}

QString withoutNulAndSpaces(QString text)
{
    text.remove(QChar(u'\0'));
    return trimSpaces(text);
}

// A value is one line of the file: each line break in it (a pasted "640" and its line end, say)
// becomes a space, never a line that a reader would take as a key or section of its own.
QString asOneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

}  // namespace

std::size_t qHash(const IniName& name, std::size_t seed) noexcept
{
    std::size_t h = seed ^ 0x9E3779B97F4A7C15ULL;
    const QString& t = name.text;
    for (qsizetype i = 0; i < t.size(); ++i) {
        char32_t c = t[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < t.size() && t[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(t[i].unicode(), t[i + 1].unicode());
            ++i;
        }
        h = (h ^ QChar::toCaseFolded(c)) * 0x100000001B3ULL;
    }
    return h;
}

IniDocument IniDocument::parse(const QByteArray& input)
{
    IniDocument doc;
    QByteArrayView bytes(input);
    // A file saved as "Unicode" (UTF-16 with its byte order mark) is read as the same text in
    // UTF-8, which it is written as from its first change on.
    QByteArray fromUtf16;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        fromUtf16 = QString(decoder.decode(bytes.sliced(2))).toUtf8();
        bytes = QByteArrayView(fromUtf16);
        doc.bom_ = "\xEF\xBB\xBF";
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        doc.bom_ = "\xEF\xBB\xBF";
        bytes = bytes.sliced(3);
    }
    const bool utf8 = isValidUtf8(bytes);
    doc.text_ = looksLikeText(bytes, utf8);

    // A line ends at CR LF, LF or a CR of its own (as old Mac editors end lines).
    bool newlineSeen = false;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype end = std::find_if(bytes.begin() + pos, bytes.end(), [](char c) { return c == '\n' || c == '\r'; }) -
                              bytes.begin();
        Line line;
        line.raw = bytes.sliced(pos, end - pos).toByteArray();
        if (end == bytes.size()) {
            pos = bytes.size();
        } else {
            const qsizetype endingLength = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
            line.ending = bytes.sliced(end, endingLength).toByteArray();
            pos = end + endingLength;
            if (!newlineSeen) {
                doc.newline_ = line.ending;
                newlineSeen = true;
            }
        }
        const QString text = utf8 ? QString::fromUtf8(line.raw) : decodeCp1252(line.raw);
        if (!utf8)
            line.raw = text.toUtf8();

        const QString trimmed = trimBlanks(text);
        if (trimmed.startsWith(u'[')) {
            line.kind = LineKind::Section;
            const qsizetype close = trimmed.indexOf(u']');
            line.name = trimBlanks(close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1));
        } else if (const qsizetype eq = text.indexOf(u'='); eq >= 0) {
            line.kind = LineKind::Key;
            line.name = trimBlanks(text.left(eq));
            line.value = storedValueAsRead(text.mid(eq + 1));
        }

        const std::size_t index = doc.appendLine(std::move(line));
        const Line& added = doc.lines_[index];
        if (added.kind == LineKind::Section) {
            Section section;
            section.name = added.name;
            section.key = IniName{added.name};
            section.header = index;
            doc.sections_.push_back(std::move(section));
            doc.sectionIndex_.insert(doc.sections_.back().key, doc.sections_.size() - 1);
        } else if (doc.sections_.empty()) {
            doc.preamble_.push_back(index);
        } else {
            doc.sections_.back().body.push_back(index);
        }
    }
    // The first section of a name is the one that counts.
    doc.sectionIndex_.clear();
    for (std::size_t s = doc.sections_.size(); s-- > 0;) {
        doc.sectionIndex_.insert(doc.sections_[s].key, s);
        doc.indexSection(s);
    }
    return doc;
}

IniDocument IniDocument::unreadable()
{
    IniDocument doc;
    doc.text_ = false;
    return doc;
}

bool IniDocument::isBlank() const
{
    for (const Line& line : lines_) {
        if (!line.removed && !line.raw.trimmed().isEmpty())
            return false;
    }
    return true;
}

QByteArray IniDocument::serialize() const
{
    std::vector<const Line*> order;
    order.reserve(lines_.size());
    auto add = [&](std::size_t i) {
        if (!lines_[i].removed)
            order.push_back(&lines_[i]);
    };
    for (std::size_t i : preamble_)
        add(i);
    for (const Section& section : sections_) {
        if (section.removed)
            continue;
        add(section.header);
        for (std::size_t i : section.body)
            add(i);
    }
    QByteArray out = bom_;
    for (std::size_t i = 0; i < order.size(); ++i) {
        out += order[i]->raw;
        const bool last = i + 1 == order.size();
        out += (order[i]->ending.isEmpty() && !last) ? newline_ : order[i]->ending;
    }
    return out;
}

void IniDocument::indexSection(std::size_t sectionIndex)
{
    Section& section = sections_[sectionIndex];
    section.keys.clear();
    for (std::size_t pos = 0; pos < section.body.size(); ++pos) {
        const Line& line = lines_[section.body[pos]];
        if (line.kind == LineKind::Key && !line.removed) {
            const IniName name{line.name};
            if (!section.keys.contains(name))
                section.keys.insert(name, pos);
        }
    }
}

IniDocument::Section* IniDocument::findSection(const QString& name)
{
    const auto it = sectionIndex_.constFind(nameKey(name));
    return it == sectionIndex_.constEnd() ? nullptr : &sections_[*it];
}

const IniDocument::Section* IniDocument::findSection(const QString& name) const
{
    const auto it = sectionIndex_.constFind(nameKey(name));
    return it == sectionIndex_.constEnd() ? nullptr : &sections_[*it];
}

std::size_t IniDocument::appendLine(Line line)
{
    lines_.push_back(std::move(line));
    return lines_.size() - 1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    const auto it = s->keys.constFind(nameKey(key));
    if (it == s->keys.constEnd())
        return std::nullopt;
    return lines_[s->body[*it]].value;
}

bool IniDocument::hasSection(const QString& section) const { return findSection(section) != nullptr; }

QStringList IniDocument::keys(const QString& section) const
{
    QStringList names;
    const Section* s = findSection(section);
    if (!s)
        return names;
    for (std::size_t pos = 0; pos < s->body.size(); ++pos) {
        const Line& line = lines_[s->body[pos]];
        if (line.kind == LineKind::Key && !line.removed && s->keys.value(IniName{line.name}) == pos)
            names.push_back(line.name);
    }
    return names;
}

QString IniDocument::readKey(const QString& section, const QString& key, const QString& defaultValue) const
{
    const std::optional<QString> stored = value(section, key);
    return withoutNulAndSpaces(stored ? *stored : storedValueAsRead(defaultValue));
}

bool IniDocument::keepsValue(const QString& value)
{
    return !value.contains(u'\n') && !value.contains(u'\r') && storedValueAsRead(withoutNulAndSpaces(value)) == value;
}

bool IniDocument::writeKey(const QString& section, const QString& key, const QString& value)
{
    if (key.isEmpty())
        return removeSection(section);
    const QString cleaned = withoutNulAndSpaces(asOneLine(value));
    if (cleaned.isEmpty())
        return removeKey(section, key);

    Section* s = findSection(section);
    if (!s)
        s = &addSection(section);
    const IniName name = nameKey(key);
    if (const auto existing = s->keys.constFind(name); existing != s->keys.constEnd()) {
        Line& line = lines_[s->body[*existing]];
        QByteArray raw = encodeLine(line.name + u'=' + cleaned);
        if (line.raw == raw)
            return false;
        line.raw = std::move(raw);
        line.value = storedValueAsRead(cleaned);
        ++revision_;
        return true;
    }
    Line line;
    line.kind = LineKind::Key;
    line.name = name.text;
    line.value = storedValueAsRead(cleaned);
    line.raw = encodeLine(name.text + u'=' + cleaned);
    line.ending = newline_;
    const std::size_t index = appendLine(std::move(line));
    // After the section's last line that has content, before trailing blank lines.
    std::size_t pos = s->body.size();
    while (pos > 0) {
        const Line& before = lines_[s->body[pos - 1]];
        if (!before.removed && !before.raw.trimmed().isEmpty())
            break;
        --pos;
    }
    // Only blank or removed lines follow `pos`, so no indexed key moves.
    s->body.insert(s->body.begin() + static_cast<std::ptrdiff_t>(pos), index);
    s->keys.insert(name, pos);
    ++revision_;
    return true;
}

IniDocument::Section& IniDocument::addSection(const QString& section)
{
    Line header;
    header.kind = LineKind::Section;
    header.name = trimBlanks(section);
    header.raw = encodeLine(u'[' + header.name + u']');
    header.ending = newline_;
    Section created;
    created.name = header.name;
    created.key = IniName{header.name};
    created.header = appendLine(std::move(header));
    sections_.push_back(std::move(created));
    sectionIndex_.insert(sections_.back().key, sections_.size() - 1);
    ++revision_;
    return sections_.back();
}

bool IniDocument::removeKey(const QString& section, const QString& key)
{
    Section* s = findSection(section);
    if (!s)
        return false;
    const auto it = s->keys.constFind(nameKey(key));
    if (it == s->keys.constEnd())
        return false;
    lines_[s->body[*it]].removed = true;
    ++revision_;
    indexSection(static_cast<std::size_t>(s - sections_.data()));
    return true;
}

bool IniDocument::removeSection(const QString& section)
{
    Section* s = findSection(section);
    if (!s)
        return false;
    s->removed = true;
    ++revision_;
    lines_[s->header].removed = true;
    for (std::size_t i : s->body)
        lines_[i].removed = true;
    const IniName name = s->key;
    sectionIndex_.remove(name);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (!sections_[i].removed && sections_[i].key == name) {
            sectionIndex_.insert(name, i);
            break;
        }
    }
    return true;
}

QByteArray IniDocument::encodeLine(const QString& text) const { return text.toUtf8(); }

}  // namespace pictoreel
