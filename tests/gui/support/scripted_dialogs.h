// Stand-ins for the dialogs and the desktop shell in window tests: every call is recorded as the user
// would have seen it, and answers come from queues the test fills beforehand. A question or file
// dialog the test did not expect fails the test (answered with a cancel): nothing waits on a person.
#pragma once

#include "gui/app/dialogs.h"
#include "gui/app/shell.h"

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <vector>

// Texts print as texts in a failed expectation.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace pictoreel::testing {

// A message box in one line: "text [icon, buttons, caption]".
inline QString box(const QString& text, MessageIcon icon = MessageIcon::Information,
                   MessageButtons buttons = MessageButtons::Ok, const QString& caption = QStringLiteral("Pictoreel"))
{
    static const char* const icons[] = {"None", "Information", "Question", "Exclamation", "Critical"};
    static const char* const buttonSets[] = {"Ok", "OkCancel", "YesNo", "YesNoCancel"};
    return QStringLiteral("%1 [%2, %3, %4]")
        .arg(text, QLatin1String(icons[static_cast<int>(icon)]), QLatin1String(buttonSets[static_cast<int>(buttons)]), caption);
}

struct DialogCall {
    enum class Kind { Message, OpenFile, OpenFiles, SaveFile, Color, Folder, Text };
    Kind kind = Kind::Message;
    // Message boxes: text, caption as shown, icon and buttons. File dialogs: their request. Text
    // questions: the label as text, the title as caption.
    QString text, caption;
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
    std::deque<std::optional<QString>> textAnswers;
    // The file types open dialogs were asked to show first, and the one an accepted dialog was
    // left on.
    QStringList shownFileTypes;
    QString chosenFileType;

    std::vector<DialogCall> calls;

    void answerFiles(QStringList names) { fileAnswers.push_back(std::move(names)); }
    void answerFile(const QString& name) { fileAnswers.push_back(QStringList{name}); }
    void answerCancel() { fileAnswers.push_back({}); }
    void clear() { calls.clear(); }

    std::vector<DialogCall> messages() const
    {
        std::vector<DialogCall> result;
        for (const DialogCall& call : calls)
            if (call.kind == DialogCall::Kind::Message)
                result.push_back(call);
        return result;
    }
    // The texts of the message boxes shown so far, and the boxes each written as box() writes it.
    QStringList messageTexts() const { return listed([](const DialogCall& c) { return c.text; }); }
    QStringList boxes() const { return listed([](const DialogCall& c) { return box(c.text, c.icon, c.buttons, c.caption); }); }

    MessageAnswer messageBox(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override
    {
        calls.push_back({DialogCall::Kind::Message, text, messageCaption(caption), icon, buttons, {}});
        if (messageAnswers.empty() && buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;  // a notice needs no script
        return next(messageAnswers, "question: " + text, MessageAnswer::Cancel);
    }
    std::optional<QString> openFile(QWidget*, const FileDialogRequest& request) override
    {
        return first(nextFiles(DialogCall::Kind::OpenFile, request));
    }
    QStringList openFiles(QWidget*, const FileDialogRequest& request) override
    {
        return nextFiles(DialogCall::Kind::OpenFiles, request);
    }
    QStringList openFilesOfType(QWidget*, const FileDialogRequest& request, FileTypeChoice& type) override
    {
        shownFileTypes.append(type.shown);
        QStringList answer = nextFiles(DialogCall::Kind::OpenFiles, request);
        if (!answer.isEmpty())
            type.chosen = chosenFileType;
        return answer;
    }
    std::optional<QString> saveFile(QWidget*, const FileDialogRequest& request) override
    {
        return first(nextFiles(DialogCall::Kind::SaveFile, request));
    }
    std::optional<std::int32_t> chooseColor(QWidget*) override
    {
        calls.push_back({DialogCall::Kind::Color, {}, {}, MessageIcon::None, MessageButtons::Ok, {}});
        return next(colorAnswers, QStringLiteral("colour dialog"), std::optional<std::int32_t>());
    }
    std::optional<QString> browseForFolder(QWidget*) override
    {
        calls.push_back({DialogCall::Kind::Folder, {}, {}, MessageIcon::None, MessageButtons::Ok, {}});
        const auto answer = next(folderAnswers, QStringLiteral("folder browser"), std::optional<QString>());
        return answer && answer->isEmpty() ? std::nullopt : answer;
    }
    std::optional<QString> askText(QWidget*, const QString& title, const QString& label, const QString&) override
    {
        calls.push_back({DialogCall::Kind::Text, label, title, MessageIcon::None, MessageButtons::Ok, {}});
        return next(textAnswers, "text question: " + label, std::optional<QString>());
    }

private:
    template <class F>
    QStringList listed(F f) const
    {
        QStringList list;
        for (const DialogCall& call : messages())
            list.append(f(call));
        return list;
    }
    // The next answer of `answers`, or a failure (and `none`) when the test gave none.
    template <class T>
    static T next(std::deque<T>& answers, const QString& what, T none)
    {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected " << what.toStdString();
            return none;
        }
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QStringList nextFiles(DialogCall::Kind kind, const FileDialogRequest& request)
    {
        calls.push_back({kind, {}, {}, MessageIcon::None, MessageButtons::Ok, request});
        QStringList answer = next(fileAnswers, "file dialog: " + request.title, QStringList());
        answer.removeAll(QString());
        return answer;
    }
    static std::optional<QString> first(const QStringList& names)
    {
        return names.isEmpty() ? std::nullopt : std::optional(names.front());
    }
};

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
