#include "gui/support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace pictoreel::testing {

std::vector<DialogCall> ScriptedDialogs::messages() const
{
    std::vector<DialogCall> result;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(result),
                 [](const DialogCall& call) { return call.kind == DialogCall::Kind::Message; });
    return result;
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList texts;
    for (const DialogCall& call : messages())
        texts.append(call.text);
    return texts;
}

QStringList ScriptedDialogs::boxes() const
{
    QStringList lines;
    for (const DialogCall& call : messages())
        lines.append(box(call.text, call.icon, call.buttons, call.caption));
    return lines;
}

QString box(const QString& text, MessageIcon icon, MessageButtons buttons, const QString& caption)
{
    static const char* const icons[] = {"None", "Information", "Question", "Exclamation", "Critical"};
    static const char* const buttonSets[] = {"Ok", "OkCancel", "YesNo", "YesNoCancel"};
    return QStringLiteral("%1 [%2, %3, %4]")
        .arg(text, QLatin1String(icons[static_cast<int>(icon)]),
             QLatin1String(buttonSets[static_cast<int>(buttons)]), caption);
}

// The next answer of `answers`, or a failure (and `none`) when the test gave none.
template <class T>
T nextAnswer(std::deque<T>& answers, const QString& what, T none)
{
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected " << what.toStdString();
        return none;
    }
    T answer = answers.front();
    answers.pop_front();
    return answer;
}

MessageAnswer ScriptedDialogs::messageBox(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
                                          MessageButtons buttons)
{
    calls.push_back({DialogCall::Kind::Message, text, messageCaption(caption), icon, buttons, {}});
    if (messageAnswers.empty() && buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;  // a notice needs no script
    return nextAnswer(messageAnswers, "question: " + text, MessageAnswer::Cancel);
}

QStringList ScriptedDialogs::nextFiles(DialogCall::Kind kind, const FileDialogRequest& request)
{
    calls.push_back({kind, {}, {}, MessageIcon::None, MessageButtons::Ok, request});
    QStringList answer = nextAnswer(fileAnswers, "file dialog: " + request.title, QStringList());
    answer.removeAll(QString());
    return answer;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const FileDialogRequest& request)
{
    const QStringList names = nextFiles(DialogCall::Kind::OpenFile, request);
    return names.isEmpty() ? std::nullopt : std::optional(names.front());
}

QStringList ScriptedDialogs::openFiles(QWidget*, const FileDialogRequest& request)
{
    return nextFiles(DialogCall::Kind::OpenFiles, request);
}

std::optional<QString> ScriptedDialogs::saveFile(QWidget*, const FileDialogRequest& request)
{
    const QStringList names = nextFiles(DialogCall::Kind::SaveFile, request);
    return names.isEmpty() ? std::nullopt : std::optional(names.front());
}

std::optional<std::int32_t> ScriptedDialogs::chooseColor(QWidget*)
{
    calls.push_back({DialogCall::Kind::Color, {}, {}, MessageIcon::None, MessageButtons::Ok, {}});
    return nextAnswer(colorAnswers, QStringLiteral("colour dialog"), std::optional<std::int32_t>());
}

std::optional<QString> ScriptedDialogs::browseForFolder(QWidget*)
{
    calls.push_back({DialogCall::Kind::Folder, {}, {}, MessageIcon::None, MessageButtons::Ok, {}});
    const auto answer = nextAnswer(folderAnswers, QStringLiteral("folder browser"), std::optional<QString>());
    return answer && answer->isEmpty() ? std::nullopt : answer;
}

}  // namespace pictoreel::testing
