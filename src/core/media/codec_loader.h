// Loading the codec modules (ImageMagick, FFmpeg) when they are first needed. A module is looked
// up beside the program (lib/pictoreel of the installation, reached from its bin/), then in the
// build tree's lib/pictoreel, and stays loaded until the program ends.
#pragma once

#include "core/base/error.h"

#include <QString>
#include <QStringList>

namespace pictoreel {

// Loads `fileName`, calls its `entryPoint` and returns the table it gives, which must start with
// the int `version`. LibraryFailure naming the module and `purpose` ("to read pictures") when the
// module is missing, cannot be loaded, or belongs to another version.
Result<const void*> loadCodecModule(const char* fileName, const char* entryPoint, int version, const QString& purpose);

// The same, typed, and done once per table type: every call gives the first call's result.
template <class Codec>
Result<const Codec*> loadCodecOnce(const char* fileName, const char* entryPoint, int version, const QString& purpose)
{
    static const Result<const Codec*> loaded = [&]() -> Result<const Codec*> {
        Result<const void*> table = loadCodecModule(fileName, entryPoint, version, purpose);
        if (!table)
            return table.error();
        return static_cast<const Codec*>(table.value());
    }();
    return loaded;
}

// The libraries the programs run with, one line each, for bug reports: Qt, giflib, and what the
// codec modules report (ImageMagick, FFmpeg). A module that cannot be loaded says so on its line.
QStringList libraryVersions();

}  // namespace pictoreel
