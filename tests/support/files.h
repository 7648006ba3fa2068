// Reading and writing whole files in tests. Header-only, so every test program can use it.
#pragma once

#include <QByteArray>
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

}  // namespace pictoreel::testing
