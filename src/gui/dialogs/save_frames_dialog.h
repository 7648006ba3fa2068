// The save frames dialog `frmSaveFrames` ("Save Frame(s)"): asks the frames extractor where to
// write and in which format, one output file or one output folder, and answers through the
// caller's SaveFramesRequest. It writes no file itself and keeps nothing between showings: each
// showing is a new dialog.
#pragma once

#include "gui/dialogs/save_frames_request.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLineEdit;

namespace pictoreel {

class Dialogs;

class SaveFramesDialog final : public QDialog {
    Q_OBJECT
public:
    // Loads the dialog from `request`: the format list with the requested format selected, the
    // file or the folder box shown, and `Cancelled` set until OK clears it.
    SaveFramesDialog(Dialogs& dialogs, SaveFramesRequest& request, QWidget* parent = nullptr);

private:
    // "..." of the file box: the save-file dialog with the chosen format's filter.
    void chooseFile();
    // "..." of the folder box: the folder browser; the folder goes in with a separator at its end.
    void chooseFolder();
    // Refuses an empty box of the shown mode; otherwise fills in the answer and closes.
    void confirm();
    void cancel();

    // ---- the controls, with their object names ----------------------------------------------
    QComboBox* formatBox_ = nullptr;  // cboFormats
    QGroupBox* fileGroup_ = nullptr;  // frmFile
    QLineEdit* fileBox_ = nullptr;  // txtFile
    QGroupBox* folderGroup_ = nullptr;  // frmDir
    QLineEdit* folderBox_ = nullptr;  // txtDir

    Dialogs& dialogs_;
    SaveFramesRequest& request_;
};

}  // namespace pictoreel
