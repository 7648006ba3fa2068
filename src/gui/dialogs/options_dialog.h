// The options dialog `frmOptions` ("Options"): one tab "General" with three groups — the folder
// for temporary files (shown in `txtFolder`, changed only through "Set &Folder ..."), deleting the
// temporary GIFs of the folder shown, and editing the project history in `frmList`. "&OK" stores
// the folder as "Temp Path" and makes it the program's temp folder, and the largest frame side
// the main window's size boxes take once it is changed; "&Cancel" stores nothing.
#pragma once

#include "gui/app/window_runner.h"

#include <QDialog>

class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace pictoreel {

class AppContext;
class Dialogs;

inline constexpr auto kDeleteTempFilesQuestion = QT_TRANSLATE_NOOP("pictoreel::OptionsDialog", "Are you sure to delete all the temporary files?");
inline constexpr auto kDeleteFinished = QT_TRANSLATE_NOOP("pictoreel::OptionsDialog", "Delete finished");
inline constexpr auto kSetTempFolderFirst = QT_TRANSLATE_NOOP("pictoreel::OptionsDialog", "Please set the temporary file folder ...");

class OptionsDialog final : public QDialog {
    Q_OBJECT
public:
    // The dialog shows and stores the program's temp folder; "&Edit ..." shows the history
    // window through `runHistoryList` (see showModal).
    explicit OptionsDialog(AppContext& context, WindowRunner runHistoryList = {}, QWidget* parent = nullptr);

private:
    // Centred on the screen, the tab "General" shown, `txtFolder` from TempFolder.
    void showInitialValues();

    void chooseTempFolder();
    void deleteTempFiles();
    void editHistory();
    void saveAndClose();
    void cancel();
    // Ctrl+Tab: the next tab of `tbsOptions`, after the last one the first.
    void selectNextTab();

    // ---- the controls, with their object names ----------------------------------------------
    QTabWidget* tabs_ = nullptr;  // tbsOptions
    QLineEdit* folderBox_ = nullptr;  // txtFolder
    QSpinBox* largestSideBox_ = nullptr;  // txtLargestSide: "Largest frame side", kept in pictoreel.ini

    AppContext& context_;
    Dialogs& dialogs_;
    WindowRunner runHistoryList_;
};

// The folder the folder browser gave, as the options dialog shows it: trimmed, ending in a
// separator and in lower case. Lower case is kept only where it still names the chosen folder:
// on a file system that tells case apart, an existing folder keeps the case it has, or the
// temporary files would go to a folder that is not there. Empty for a blank choice.
QString optionsFolderText(const QString& chosen);

}  // namespace pictoreel
