#include "core/media/codec_loader.h"

#include "core/codecs/picture_codec.h"
#include "core/codecs/video_codec.h"
#include "core/gif/giflib_adapter.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace pictoreel {

namespace {

// Where a module may be, best first: beside the program as installed (its folder, then the path
// from bin/ to the modules), the build tree's module folder, and last the dynamic linker's own
// search. The folders are named outright rather than left to the program's run path, because
// some tools that wrap dlopen (AddressSanitizer, for one) hide which program asked.
QStringList candidates(const char* fileName)
{
    const QString name = QString::fromLatin1(fileName);
    QStringList paths;
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!program.isEmpty())
        paths << QFileInfo(program).absolutePath() + QStringLiteral("/" PICTOREEL_MODULES_FROM_BIN "/") + name;
    paths << QStringLiteral(PICTOREEL_MODULE_BUILD_DIR "/") + name << name;
    return paths;
}

// What each module is for, as a failure to load it says.
const QString kPicturePurpose = QStringLiteral("to read pictures");
const QString kVideoPurpose = QStringLiteral("to read and write videos");

template <class Codec>
QString moduleVersion(const char* library, const Result<const Codec*>& codec)
{
    if (!codec)
        return QStringLiteral("%1: not available (%2)").arg(QLatin1String(library), codec.error().message);
    return codec.value()->libraryVersion();
}

}  // namespace

Result<const void*> loadCodecModule(const char* fileName, const char* entryPoint, int version, const QString& purpose)
{
    const auto failure = [&](const QString& why) {
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Pictoreel cannot load %1, which it needs %2: %3")
                                                        .arg(QLatin1String(fileName), purpose, why));
    };
    // Kept for the life of the program, since objects made by the module may live until the end.
    void* module = nullptr;
    QString why;
    for (const QString& path : candidates(fileName)) {
        if (path.contains(u'/') && !QFileInfo::exists(path))
            continue;
        module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (module)
            break;
        why = QString::fromLocal8Bit(dlerror());
    }
    if (!module)
        return failure(why);
    using Entry = const void* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(module, entryPoint));
    if (!entry)
        return failure(QStringLiteral("it has no entry point %1").arg(QLatin1String(entryPoint)));
    const void* table = entry();
    if (!table || *static_cast<const int*>(table) != version)
        return failure(QStringLiteral("it belongs to another version of Pictoreel"));
    return table;
}

QStringList libraryVersions()
{
    QStringList lines{QStringLiteral("Qt %1").arg(QLatin1String(qVersion())), giflib::libraryVersion()};
    lines << moduleVersion("ImageMagick", loadCodecOnce<PictureCodec>(kPictureCodecModule, kPictureCodecEntry,
                                                                      kPictureCodecVersion, kPicturePurpose))
          << moduleVersion("FFmpeg", loadCodecOnce<ffmpeg::VideoCodec>(ffmpeg::kVideoCodecModule,
                                                                       ffmpeg::kVideoCodecEntry,
                                                                       ffmpeg::kVideoCodecVersion, kVideoPurpose));
    return lines;
}

}  // namespace pictoreel
