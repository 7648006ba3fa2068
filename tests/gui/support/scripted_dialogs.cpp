#include "gui/support/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace pictoreel::testing {

std::vector<DialogCall> ScriptedDialogs::messages() const
{
    std::vector<DialogCall> result;
    for (const DialogCall& call : calls)
        if (call.kind == DialogCall::Kind::Message)
            result.push_back(call);
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

MessageAnswer ScriptedDialogs::messageBox(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
                                          MessageButtons buttons)
{
    calls.push_back({DialogCall::Kind::Message, text, messageCaption(caption), icon, buttons, {}});
    if (!messageAnswers.empty()) {
        const MessageAnswer answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;  // a notice needs no script
    ADD_FAILURE() << "unexpected question: " << text.toStdString();
    return MessageAnswer::Cancel;
}

QStringList ScriptedDialogs::nextFiles(DialogCall::Kind kind, const FileDialogRequest& request)
{
    DialogCall call;
    call.kind = kind;
    call.request = request;
    calls.push_back(call);
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << request.title.toStdString();
        return {};
    }
    QStringList answer = fileAnswers.front();
    fileAnswers.pop_front();
    answer.removeAll(QString());
    return answer;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const FileDialogRequest& request)
{
    const QStringList names = nextFiles(DialogCall::Kind::OpenFile, request);
    if (names.isEmpty())
        return std::nullopt;
    return names.front();
}

QStringList ScriptedDialogs::openFiles(QWidget*, const FileDialogRequest& request)
{
    return nextFiles(DialogCall::Kind::OpenFiles, request);
}

std::optional<QString> ScriptedDialogs::saveFile(QWidget*, const FileDialogRequest& request)
{
    const QStringList names = nextFiles(DialogCall::Kind::SaveFile, request);
    if (names.isEmpty())
        return std::nullopt;
    return names.front();
}

std::optional<std::int32_t> ScriptedDialogs::chooseColor(QWidget*)
{
    calls.push_back({DialogCall::Kind::Color, {}, {}, MessageIcon::None, MessageButtons::Ok, {}});
    if (colorAnswers.empty()) {
        ADD_FAILURE() << "unexpected colour dialog";
        return std::nullopt;
    }
    const auto answer = colorAnswers.front();
    colorAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::browseForFolder(QWidget*)
{
    calls.push_back({DialogCall::Kind::Folder, {}, {}, MessageIcon::None, MessageButtons::Ok, {}});
    if (folderAnswers.empty()) {
        ADD_FAILURE() << "unexpected folder browser";
        return std::nullopt;
    }
    const auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    if (answer && answer->isEmpty())
        return std::nullopt;
    return answer;
}

}  // namespace pictoreel::testing
