#include "core/project/numbers.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace pictoreel {
namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Checks the grammar and copies the accepted characters to `out` as plain ASCII.
bool scanNumber(QStringView text, std::string& out)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    qsizetype i = begin;
    auto take = [&](QChar c) { out.push_back(static_cast<char>(c.unicode())); };

    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            take(text[i]);
        ++i;
    }
    int mantissaDigits = 0;
    while (i < end && isDigit(text[i])) {
        take(text[i++]);
        ++mantissaDigits;
    }
    if (i < end && text[i] == u'.') {
        take(text[i++]);
        while (i < end && isDigit(text[i])) {
            take(text[i++]);
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        take(u'e');
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            take(text[i++]);
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            take(text[i++]);
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == end;
}

template <class Int>
std::optional<Int> toInteger(QStringView text)
{
    const auto value = parseNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);  // the default rounding mode: half to even
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

}  // namespace

std::optional<double> parseNumber(QStringView text)
{
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(text.size()));
    if (!scanNumber(text, ascii))
        return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec != std::errc() || ptr != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isNumeric(QStringView text) { return parseNumber(text).has_value(); }

std::optional<std::int16_t> toInt16(QStringView text) { return toInteger<std::int16_t>(text); }
std::optional<std::int32_t> toInt32(QStringView text) { return toInteger<std::int32_t>(text); }

std::optional<std::int64_t> byteSizeFromText(QStringView text)
{
    QString t = text.trimmed().toString().toUpper();
    if (t.endsWith(u'B') && t.size() > 1 && (t[t.size() - 2] == u'K' || t[t.size() - 2] == u'M'))
        t.chop(1);
    double unit = 1;
    if (t.endsWith(u'K') || t.endsWith(u'M')) {
        unit = t.endsWith(u'K') ? 1e3 : 1e6;
        t.chop(1);
    }
    bool ok = false;
    const double value = t.trimmed().toDouble(&ok) * unit;
    if (!ok || !(value >= 1) || value > 1099511627776.0 || (unit == 1 && t.contains(u'.')))
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

}  // namespace pictoreel
