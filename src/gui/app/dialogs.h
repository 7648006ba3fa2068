// Every message box, file dialog, colour dialog and folder browser of the windows goes through
// Dialogs, so that a window's commands can be driven without a person at the screen: the program
// uses QtDialogs, the tests a scripted stand-in.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QFileDialog;
class QWidget;

namespace pictoreel {

inline constexpr auto kProgramTitle = "Pictoreel";

enum class MessageIcon { None, Information, Question, Exclamation, Critical };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// One file dialog. `filter` is written as the program's texts give it: description and patterns
// alternating, separated by "|", patterns of one entry separated by ";"
// ("GIF Files (*.gif)|*.gif|JPG/JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg").
struct FileDialogRequest {
    QString title;
    QString filter;
    QString folder;  // where the dialog starts; empty for the platform's choice
};

// The file type of an open dialog, by its description in the request's filter: the one shown
// first (empty: the first one), and the one the dialog was accepted on.
struct FileTypeChoice {
    QString shown;
    QString chosen;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message box. An empty caption shows the program title.
    virtual MessageAnswer messageBox(QWidget* parent, const QString& text, const QString& caption,
                                     MessageIcon icon, MessageButtons buttons) = 0;

    // File dialogs answer nothing (or an empty list) when cancelled; an empty choice counts as a
    // cancel, so callers test one outcome. The open dialogs accept existing files only; the save
    // dialog asks no overwrite question and adds no extension.
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QStringList openFiles(QWidget* parent, const FileDialogRequest& request) = 0;
    // openFiles starting on `type.shown`, telling in `type.chosen` what it was accepted on.
    virtual QStringList openFilesOfType(QWidget* parent, const FileDialogRequest& request, FileTypeChoice& type)
    {
        (void)type;
        return openFiles(parent, request);
    }
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;

    // A colour as 0x00BBGGRR, or nothing when cancelled.
    virtual std::optional<std::int32_t> chooseColor(QWidget* parent) = 0;

    // A folder, or nothing when cancelled. The browser is titled "Please locate a directory".
    virtual std::optional<QString> browseForFolder(QWidget* parent) = 0;

    // A line of text asked for under `label`, starting as `text`; nothing when cancelled.
    virtual std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                           const QString& text) = 0;

    // Shorthand for the most common box: information icon, OK button, the program title.
    void inform(QWidget* parent, const QString& text)
    {
        messageBox(parent, text, QString(), MessageIcon::Information, MessageButtons::Ok);
    }
};

// The real dialogs, on QMessageBox, QFileDialog and QColorDialog.
class QtDialogs final : public Dialogs {
public:
    MessageAnswer messageBox(QWidget* parent, const QString& text, const QString& caption,
                             MessageIcon icon, MessageButtons buttons) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) override;
    QStringList openFiles(QWidget* parent, const FileDialogRequest& request) override;
    QStringList openFilesOfType(QWidget* parent, const FileDialogRequest& request, FileTypeChoice& type) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<std::int32_t> chooseColor(QWidget* parent) override;
    std::optional<QString> browseForFolder(QWidget* parent) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                   const QString& text) override;
};

// "desc|patterns|desc|patterns" as Qt's filter text, entries joined by ";;", each entry
// "desc (pattern pattern)": the description as written, then the group Qt reads the patterns
// from. A trailing description without patterns is dropped.
QString qtFileFilter(const QString& pairs);
// Gives `dialog` the file types of `pairs`, each shown by its description alone, as written
// ("JPG/JPEG Files (*.jpg;*.jpeg)", "All Supported Image Files").
void showFileTypes(QFileDialog& dialog, const QString& pairs);
// Every pattern of "desc|patterns|desc|patterns" ("*.avi", "*.mp4", ...), in order.
QStringList fileFilterPatterns(const QString& pairs);
// The name a save dialog returns for `name` typed under the entry `selected` (as qtFileFilter
// writes it) of `pairs`: as typed, except that a name without extension typed under an entry
// other than the first gets that entry's first extension. The first entry is the dialog's own
// type and adds none, as ever; a name typed under "Animated WebP Files" must not become a GIF.
QString savedFileName(const QString& name, const QString& pairs, const QString& selected);

// The caption a box shows: the given one, or the program title when it is empty.
QString messageCaption(const QString& caption);

}  // namespace pictoreel
