// Reading and writing whole files in tests. Header-only, so every test program can use it.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

namespace pictoreel::testing {

inline QByteArray fileContents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file with `bytes`; returns false when it cannot.
inline bool writeFileContents(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Moves the file's modification time `seconds` on, as a later edit would: file times advance in
// clock ticks, so two writes in quick succession may otherwise share one.
inline bool moveModifiedOn(const QString& path, int seconds = 2)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) &&
           f.setFileTime(f.fileTime(QFileDevice::FileModificationTime).addSecs(seconds), QFileDevice::FileModificationTime);
}

}  // namespace pictoreel::testing
