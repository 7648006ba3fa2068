// Project files on arbitrary bytes: reading never crashes, never loads more frames than the
// file declares, and a gap in the frame keys is told with the frames that were read.
#include "core/project/frame_key_gap.h"
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
    // A gap in the frame keys is told with the frames that were read, and names what was left out.
    if (const std::optional<FrameKeyGap> gap = findFrameKeyGap(doc); gap && (gap->framesRead != frames.rowCount() || gap->keysLeftOut.isEmpty()))
        std::abort();
    return 0;
}
