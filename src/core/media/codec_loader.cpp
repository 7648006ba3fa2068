#include "core/media/codec_loader.h"

#include <dlfcn.h>

namespace pictoreel {

Result<const void*> loadCodecModule(const char* fileName, const char* entryPoint, int version, const QString& purpose)
{
    const auto failure = [&](const QString& why) {
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Pictoreel cannot load %1, which it needs %2: %3")
                                                        .arg(QLatin1String(fileName), purpose, why));
    };
    // Searched along the program's run path; kept for the life of the program, since objects
    // made by the module may live until the end.
    void* module = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return failure(QString::fromLocal8Bit(dlerror()));
    using Entry = const void* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(module, entryPoint));
    if (!entry)
        return failure(QStringLiteral("it has no entry point %1").arg(QLatin1String(entryPoint)));
    const void* table = entry();
    if (!table || *static_cast<const int*>(table) != version)
        return failure(QStringLiteral("it belongs to another version of Pictoreel"));
    return table;
}

}  // namespace pictoreel
