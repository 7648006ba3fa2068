// Path rules shared by the whole program. Paths are the platform's own: "/" separates folders
// on Linux and macOS, "\" (and "/") on Windows; a folder kept as a value ends in a separator.
#pragma once

#include <QString>

#include <functional>

namespace pictoreel {

#ifdef Q_OS_WIN
inline constexpr QChar kPathSeparator = u'\\';
inline bool isPathSeparator(QChar c) { return c == u'\\' || c == u'/'; }
#else
inline constexpr QChar kPathSeparator = u'/';
inline bool isPathSeparator(QChar c) { return c == u'/'; }
#endif

// Index of the last separator in `path`, or -1.
qsizetype lastSeparatorIndex(const QString& path);

// The text after the last separator; the whole path when it has none ("" for a folder path).
QString FileNameOf(const QString& path);

bool endsWithSeparator(const QString& path);

// `folder`, with a separator added when it does not end in one.
QString withTrailingSeparator(const QString& folder);

// `folder` and `name` with exactly the separator between them that `folder` lacks.
QString joinPath(const QString& folder, const QString& name);

// `path` with its extension `oldExtension` replaced by `newExtension` (all three trimmed first):
// an ending that matches the old extension, or already is the new one, without regard to case,
// gives way to the new extension as written; any other path gets it appended. Empty for an
// empty path. ChangeFileExtension("clip.AVI", ".avi", ".gif") is "clip.gif".
QString ChangeFileExtension(const QString& path, const QString& oldExtension, const QString& newExtension);

// Receives "Create directory error: " and the path when a folder cannot be made.
using PathErrorReporter = std::function<void(const QString& message)>;

// Creates a folder and every missing parent, walking the path one part at a time. Empty parts
// are skipped; folders made before a failure stay. A failure is reported once through
// `report` and returned as false; the caller may go on as if the folder existed.
bool MakePath(const QString& path, const PathErrorReporter& report);

// Why `folder` cannot be made, as far as can be told: the nearest part of it that is there is a
// file, or a folder no new folder can be made in. Empty when neither.
QString whyNoFolder(const QString& folder);

}  // namespace pictoreel
