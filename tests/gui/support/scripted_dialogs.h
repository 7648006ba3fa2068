// Stand-ins for the dialogs and the desktop shell in window tests: every call is recorded as the
// user would have seen it, and answers come from queues the test fills beforehand. A question
// or file dialog that the test did not expect fails the test (and is answered with a cancel),
// so no test ever waits on a real dialog.
#pragma once

#include "gui/dialogs.h"
#include "gui/shell.h"

#include <deque>
#include <ostream>
#include <vector>

// Texts print as texts in a failed expectation.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace pictoreel::testing {

struct DialogCall {
    enum class Kind { Message, OpenFile, OpenFiles, SaveFile, Color, Folder };
    Kind kind = Kind::Message;
    // Message boxes: the text, the caption as shown (the program title for an empty one), icon
    // and buttons. File dialogs: their request.
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    FileDialogRequest request;
};

class ScriptedDialogs final : public Dialogs {
public:
    // Answers, used in order. A file answer of an empty list is a cancel; openFile and saveFile
    // take the first name of theirs.
    std::deque<MessageAnswer> messageAnswers;
    std::deque<QStringList> fileAnswers;
    std::deque<std::optional<std::int32_t>> colorAnswers;
    std::deque<std::optional<QString>> folderAnswers;

    std::vector<DialogCall> calls;

    void answerFiles(QStringList names) { fileAnswers.push_back(std::move(names)); }
    void answerFile(const QString& name) { fileAnswers.push_back(QStringList{name}); }
    void answerCancel() { fileAnswers.push_back({}); }

    std::vector<DialogCall> messages() const;
    // The texts of the message boxes shown so far.
    QStringList messageTexts() const;
    // The message boxes shown so far, each written as box() writes it.
    QStringList boxes() const;
    void clear() { calls.clear(); }

    MessageAnswer messageBox(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) override;
    QStringList openFiles(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<std::int32_t> chooseColor(QWidget* parent) override;
    std::optional<QString> browseForFolder(QWidget* parent) override;

private:
    QStringList nextFiles(DialogCall::Kind kind, const FileDialogRequest& request);
};

// A message box in one line: "text [icon, buttons, caption]".
QString box(const QString& text, MessageIcon icon = MessageIcon::Information, MessageButtons buttons = MessageButtons::Ok,
            const QString& caption = QStringLiteral("Pictoreel"));

class RecordingShell final : public Shell {
public:
    QStringList opened;
    bool open(const QString& target) override
    {
        opened.append(target);
        return true;
    }
};

}  // namespace pictoreel::testing
