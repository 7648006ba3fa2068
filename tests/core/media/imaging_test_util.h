// The names some media tests still read and write files by; every helper lives in tests/support.
#pragma once

#include "core/media/imaging_component.h"
#include "support/files.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

namespace pictoreel::testing {

inline QByteArray readAll(const QString& path) { return fileContents(path); }
inline bool writeAll(const QString& path, const QByteArray& bytes) { return writeFileContents(path, bytes); }

}  // namespace pictoreel::testing
