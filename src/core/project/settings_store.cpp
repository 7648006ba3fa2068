#include "core/project/settings_store.h"

#include "core/base/file_identity.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <mutex>
#include <optional>

namespace pictoreel {
namespace {

// Larger files are not settings or projects; they read as empty.
constexpr qint64 kMaxIniFileBytes = 256LL * 1024 * 1024;

// A file that is not there, or is no regular file, has no stamp.
using Stamp = std::optional<FileStamp>;

struct ParsedFile {
    Stamp stamp;
    std::shared_ptr<const IniDocument> document;
};

std::mutex cacheMutex;
QHash<QString, ParsedFile> cache;

QString cacheKey(const QString& file) { return QFileInfo(file).absoluteFilePath(); }

// The file's document; `read` tells whether its bytes were read (and so may be kept). A file
// that is there but cannot be read, or is too large, or is not a plain file gives an unreadable
// document: it reads as empty and is never written over.
std::shared_ptr<const IniDocument> parseFromDisk(const QString& file, const Stamp& stamp, bool& read)
{
    read = false;
    if (!stamp) {
        if (QFileInfo::exists(file))
            return std::make_shared<const IniDocument>(IniDocument::unreadable());
        return std::make_shared<const IniDocument>();
    }
    if (stamp->size > kMaxIniFileBytes)
        return std::make_shared<const IniDocument>(IniDocument::unreadable());
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::make_shared<const IniDocument>(IniDocument::unreadable());
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return std::make_shared<const IniDocument>(IniDocument::unreadable());
    read = true;
    return std::make_shared<const IniDocument>(IniDocument::parse(bytes));
}

// Caller holds cacheMutex.
std::shared_ptr<const IniDocument> currentDocument(const QString& key, const QString& file)
{
    const Stamp stamp = stampOf(file);
    const auto it = cache.constFind(key);
    if (it != cache.constEnd() && it->stamp == stamp)
        return it->document;
    bool read = false;
    auto document = parseFromDisk(file, stamp, read);
    if (read)
        cache.insert(key, ParsedFile{stamp, document});
    else
        cache.remove(key);
    return document;
}

// A file nobody may write is read-only even for the administrator, as on other desktops.
bool isWriteProtected(const QString& file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return false;
    const auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & anyWrite);
}

// Why it failed goes to `why` when given.
bool replaceFile(const QString& file, const QByteArray& bytes, QString* why)
{
    if (isWriteProtected(file)) {
        if (why)
            *why = QStringLiteral("the file is read-only");
        return false;
    }
    // QSaveFile's commit() can rename a file whose last buffered bytes never reached the disk (a
    // full disk), so they are flushed, and checked, first.
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush() && out.commit())
        return true;
    if (why)
        *why = out.errorString();
    out.cancelWriting();
    return false;
}

}  // namespace

std::shared_ptr<const IniDocument> loadIniFile(const QString& file)
{
    std::lock_guard lock(cacheMutex);
    return currentDocument(cacheKey(file), file);
}

QString ReadIniKey(const QString& section, const QString& key, const QString& defaultValue, const QString& file)
{
    return loadIniFile(file)->readKey(section, key, defaultValue);
}

bool editIniFile(const QString& file, const std::function<void(IniDocument&)>& edit, QString* why)
{
    if (file.trimmed().isEmpty())
        return false;
    std::lock_guard lock(cacheMutex);
    const QString key = cacheKey(file);
    IniDocument document = *currentDocument(key, file);
    if (!document.isText()) {  // a picture or any other file that is not INI text is never written over
        if (why)
            *why = QStringLiteral("it is no INI text");
        return false;
    }
    const std::uint64_t before = document.revision();
    edit(document);
    if (document.revision() == before)
        return true;
    if (!replaceFile(file, document.serialize(), why)) {
        cache.remove(key);
        return false;
    }
    const Stamp stamp = stampOf(file);
    cache.insert(key, ParsedFile{stamp, std::make_shared<const IniDocument>(std::move(document))});
    return true;
}

bool WriteIniKey(const QString& section, const QString& key, const QString& value, const QString& file)
{
    return editIniFile(file, [&](IniDocument& doc) { doc.writeKey(section, key, value); });
}

void forgetParsedIniFiles()
{
    std::lock_guard lock(cacheMutex);
    cache.clear();
}

}  // namespace pictoreel
