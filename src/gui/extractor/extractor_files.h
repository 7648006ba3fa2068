// The names the frames extractor gives its entries and files, and how far its loops have come.
#pragma once

#include <QString>

namespace pictoreel {

// The text of entry k of the frame list: "Frame 0", "Frame 1", ...
QString frameEntryText(int index);

// Where a frame is written for a moment to be shown or re-encoded: the temp folder (a separator
// added when it lacks one), "__tmp__extract__", the entry's text with spaces as "_", ".bmp".
QString temporaryFrameFile(const QString& tempFolder, const QString& entryText);

// The file a checked frame is saved to: the folder (a separator added when it lacks one), the
// entry's text with spaces as "_", and the format's extension: "Frame_0.gif".
QString checkedFrameOutputFile(const QString& folder, const QString& entryText, int format);

// 100 x done / total as a whole percentage, a half going to the even neighbour; 0 for no total.
int progressPercent(long long done, long long total);

}  // namespace pictoreel
