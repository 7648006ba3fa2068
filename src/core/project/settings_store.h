// INI files on disk: the settings file beside the program and the project files.
//
// A file is parsed once and kept until it changes on disk, so reading many keys costs one parse.
// Every write replaces the file atomically (a temporary file beside it, flushed, then renamed):
// a crash in the middle never leaves a half-written file. Failures are silent, as callers expect:
// a read of a missing or unreadable file gives the default, a refused write returns false.
// A file that is there but is not INI text (binary bytes, unreadable, too large, not a plain file)
// is never written over: every write to it is refused.
#pragma once

#include "core/project/ini_document.h"

#include <QString>

#include <functional>
#include <memory>

namespace pictoreel {

QString ReadIniKey(const QString& section, const QString& key, const QString& defaultValue, const QString& file);

// Returns true when the file holds the change (also when nothing had to change).
bool WriteIniKey(const QString& section, const QString& key, const QString& value, const QString& file);

// The file as it is now on disk (an empty document when it is missing or unreadable; see
// IniDocument::isText for whether it holds INI text).
std::shared_ptr<const IniDocument> loadIniFile(const QString& file);

// Applies several changes and writes the file once. Same outcome as the same WriteIniKey calls
// one after another, at the cost of one write. A file that the edit leaves unchanged is not
// touched (and a missing one not created). A read-only file, a missing folder or a file that is
// not INI text refuses the write (the last before `edit` is called); `why`, when given, then
// says why the file could not be written.
bool editIniFile(const QString& file, const std::function<void(IniDocument&)>& edit, QString* why = nullptr);

// Forgets every parsed file (for tests that change files behind the store's back within the
// resolution of the file system's clock).
void forgetParsedIniFiles();

}  // namespace pictoreel
