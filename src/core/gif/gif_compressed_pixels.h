// The pixels of one GIF image as the file stores them: LZW-compressed, in data sub-blocks.
#pragma once

#include <QByteArray>

namespace pictoreel {

// Pixels LZW-compressed as a GIF image stores them, to be written as they are.
struct GifCompressedPixels {
    int minCodeSize = 0;    // 2..8
    QByteArray subBlocks;  // the data sub-blocks, up to and including the zero-length terminator
};

}  // namespace pictoreel
