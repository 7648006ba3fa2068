// Project files on arbitrary bytes: reading never crashes, never loads more frames than the
// file declares, and what is read saves and reads back the same.
#include "core/project/ini_document.h"
#include "core/project/frame_values.h"
#include "core/project/project_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const IniDocument doc = IniDocument::parse(bytes);
    ProjectProperties properties;
    FrameList frames;
    readProjectFile(doc, properties, frames);
    if (frames.rowCount() > 32767)
        std::abort();
    for (int i = 1; i <= frames.rowCount(); ++i) {
        (void)frameValuesAt(frames, i);
        if (frames.row(i).number != QString::number(i))
            std::abort();
    }
    return 0;
}
