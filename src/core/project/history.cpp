#include "core/project/history.h"

#include "core/project/settings_store.h"

namespace pictoreel {
namespace {
const QString kSection = QStringLiteral("Project");
}

QString historyKey(int place) { return QStringLiteral("File") + QString::number(place); }

void AddToHistory(const QString& path, const QString& settingsFile)
{
    // A path the settings file cannot give back as it is (a line break in it, spaces around it)
    // would open another file from the list, or its lines would become keys of their own.
    if (path.isEmpty() || !IniDocument::keepsValue(path))
        return;
    editIniFile(settingsFile, [&](IniDocument& doc) {
        QStringList candidates{path};
        for (int place = 1; place < kHistoryPlaces; ++place)
            candidates.push_back(doc.readKey(kSection, historyKey(place), QString()));
        int written = 0;
        for (qsizetype j = 0; j < candidates.size(); ++j) {
            if (j == 0 || candidates[j] != path)
                doc.writeKey(kSection, historyKey(++written), candidates[j]);
        }
    });
}

QStringList readHistory(const QString& settingsFile)
{
    const auto doc = loadIniFile(settingsFile);
    QStringList entries;
    for (int place = 1; place <= kHistoryPlaces; ++place) {
        const QString entry = doc->readKey(kSection, historyKey(place), QString());
        if (!entry.isEmpty())
            entries.push_back(entry);
    }
    return entries;
}

bool saveHistory(const QStringList& entries, const QString& settingsFile)
{
    return editIniFile(settingsFile, [&](IniDocument& doc) {
        for (qsizetype i = 0; i < entries.size(); ++i)
            doc.writeKey(kSection, historyKey(static_cast<int>(i + 1)), entries[i]);
        for (auto place = static_cast<int>(entries.size()) + 1; place <= kHistoryPlaces; ++place)
            doc.writeKey(kSection, historyKey(place), QString());
    });
}

}  // namespace pictoreel
