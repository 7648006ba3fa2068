// The INI parser on arbitrary bytes: parse, read, write and serialize must never crash, and
// a parsed file must serialize back to exactly its bytes (after a Windows-1252 conversion, to
// the converted bytes).
#include "core/project/ini_document.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    pictoreel::IniDocument doc = pictoreel::IniDocument::parse(bytes);
    const QByteArray again = doc.serialize();
    if (pictoreel::IniDocument::parse(again).serialize() != again)
        std::abort();

    // Take section and key names from the input itself, so edits hit existing entries.
    const QString text = QString::fromUtf8(bytes.left(64));
    const QString section = text.left(text.size() / 3);
    const QString key = text.mid(text.size() / 3, text.size() / 3);
    (void)doc.readKey(section, key, QStringLiteral("default"));
    doc.writeKey(section, key, QStringLiteral("value"));
    if (doc.readKey(section, key, QString()) != QStringLiteral("value") && !key.trimmed().isEmpty() &&
        !key.contains(u'=') && !key.contains(u'\n') && !key.contains(u'\r') && !section.contains(u']') &&
        !section.contains(u'\n') && !section.contains(u'\r') && !key.trimmed().startsWith(u'['))
        std::abort();
    doc.writeKey(section, QStringLiteral("other"), QString());
    doc.writeKey(section, QString(), QString());
    (void)doc.serialize();
    return 0;
}
