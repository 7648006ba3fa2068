// A text box holds one line: a line break pasted into it (a number copied from a spreadsheet cell
// comes with its line end) is dropped, as a browser's one-line field drops it. Otherwise the box
// would show the value as it should be and yet hold a width that is no number, or a file name
// that names no file.
#pragma once

class QLineEdit;

namespace pictoreel {

void keepOnOneLine(QLineEdit* box);

}  // namespace pictoreel
