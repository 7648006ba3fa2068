// The history window `frmList`, "History List": the recently used project files, newest first,
// as a working copy in `List1`. In open mode (File, "Recent Project Files ...") "&Open" reopens
// a project through the main window; in edit mode (the Options dialog) `OKButton` and
// `CancelButton` are hidden and the user leaves by the close box. Nothing reaches the
// settings file until "&Save" is pressed.
#pragma once

#include <QDialog>

#include <functional>

class QListWidget;

namespace pictoreel {

class AppContext;
class Dialogs;

enum class HistoryListMode { Open, Edit };

// Opens a project file; false when it is not one (the user has been told) and nothing was opened.
using ProjectOpener = std::function<bool(const QString& path)>;

class HistoryDialog final : public QDialog {
    Q_OBJECT
public:
    // The window reads and writes the history of the program's settings file; in open mode
    // "&Open" hands the chosen file to `openProject`.
    HistoryDialog(const AppContext& context, HistoryListMode mode, QWidget* parent, ProjectOpener openProject = {});

    // The working copy, line by line.
    QStringList entries() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Fills `List1` from "File1" to "File100" of section "Project", empty places left out.
    void loadHistory();
    // The button bar along the top, the pane with the list filling the rest of the client area.
    void placePanels();

    void openSelected();
    void cancel();
    void deleteSelected();
    void clearList();
    void saveList();
    // The row of the selected line, or -1 when no line is selected.
    int selectedRow() const;

    // ---- the controls, with their object names ----------------------------------------------
    QWidget* buttonBar_ = nullptr;  // Picture1
    QWidget* listPane_ = nullptr;  // Picture2
    QListWidget* historyList_ = nullptr;  // List1

    const AppContext& context_;
    Dialogs& dialogs_;
    ProjectOpener openProject_;
};

}  // namespace pictoreel
