// The history of recent projects: section "Project" of the settings file, keys "File1" (the
// newest) to "File100", each the full path of a project file. Paths compare as exact,
// case-sensitive text.
#pragma once

#include <QString>
#include <QStringList>

namespace pictoreel {

inline constexpr int kHistoryPlaces = 100;

QString historyKey(int place);  // "File1" ... "File100"

// Puts `path` at the top: an earlier copy of it is dropped, the other entries move down in
// their order (empty places move down with them) and the list is cut to 100 places. A path the
// settings file cannot hold as it is (see IniDocument::keepsValue) is left out.
void AddToHistory(const QString& path, const QString& settingsFile);

// The entries in order, empty places left out.
QStringList readHistory(const QString& settingsFile);

// Writes `entries` to "File1" onwards and removes every key behind them.
bool saveHistory(const QStringList& entries, const QString& settingsFile);

}  // namespace pictoreel
