#include "gui/app/dialogs.h"

#include "core/base/image.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace pictoreel {

QString messageCaption(const QString& caption)
{
    return caption.isEmpty() ? QString::fromLatin1(kProgramTitle) : caption;
}

QString qtFileFilter(const QString& pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList entries;
    // Qt reads the patterns from the last "(...)" of an entry, split at blanks.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.append(parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')');
    return entries.join(QStringLiteral(";;"));
}

void showFileTypes(QFileDialog& dialog, const QString& pairs)
{
    dialog.setNameFilters(qtFileFilter(pairs).split(QStringLiteral(";;")));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
}

namespace {

// The entry of `pairs` described as `description`, in Qt's form; empty when there is none.
QString qtFileTypeNamed(const QString& pairs, const QString& description)
{
    const QStringList parts = pairs.split(u'|');
    const QStringList entries = qtFileFilter(pairs).split(QStringLiteral(";;"));
    for (qsizetype i = 0; 2 * i < parts.size() && i < entries.size(); ++i)
        if (parts[2 * i] == description)
            return entries[i];
    return {};
}

// The description of the entry of `pairs` whose Qt form is `entry`.
QString fileTypeDescription(const QString& pairs, const QString& entry)
{
    const qsizetype index = qtFileFilter(pairs).split(QStringLiteral(";;")).indexOf(entry);
    const QStringList parts = pairs.split(u'|');
    return index >= 0 && 2 * index < parts.size() ? parts[2 * index] : QString();
}

}  // namespace

QString savedFileName(const QString& name, const QString& pairs, const QString& selected)
{
    const QStringList entries = qtFileFilter(pairs).split(QStringLiteral(";;"));
    const qsizetype entry = entries.indexOf(selected);
    const QStringList parts = pairs.split(u'|');
    if (entry <= 0 || 2 * entry + 1 >= parts.size() || !QFileInfo(name).suffix().isEmpty())
        return name;
    const QString pattern = parts[2 * entry + 1].section(u';', 0, 0);
    return pattern.startsWith(QStringLiteral("*.")) ? name + pattern.mid(1) : name;
}

QStringList fileFilterPatterns(const QString& pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList patterns;
    for (qsizetype i = 1; i < parts.size(); i += 2)
        patterns += parts[i].split(u';', Qt::SkipEmptyParts);
    return patterns;
}

MessageAnswer QtDialogs::messageBox(QWidget* parent, const QString& text, const QString& caption,
                                    MessageIcon icon, MessageButtons buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(messageCaption(caption));
    box.setText(text);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Ok: return MessageAnswer::Ok;
    default:
        // Closing the box by Escape or its close box: OK where OK is the only way out.
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

std::optional<QString> QtDialogs::openFile(QWidget* parent, const FileDialogRequest& request)
{
    QFileDialog dialog(parent, request.title, request.folder);
    showFileTypes(dialog, request.filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

QStringList QtDialogs::openFiles(QWidget* parent, const FileDialogRequest& request)
{
    FileTypeChoice ignored;
    return openFilesOfType(parent, request, ignored);
}

QStringList QtDialogs::openFilesOfType(QWidget* parent, const FileDialogRequest& request, FileTypeChoice& type)
{
    QFileDialog dialog(parent, request.title, request.folder);
    showFileTypes(dialog, request.filter);
    if (const QString shown = qtFileTypeNamed(request.filter, type.shown); !shown.isEmpty())
        dialog.selectNameFilter(shown);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    type.chosen = fileTypeDescription(request.filter, dialog.selectedNameFilter());
    return dialog.selectedFiles();
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const FileDialogRequest& request)
{
    QFileDialog dialog(parent, request.title, request.folder);
    showFileTypes(dialog, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return savedFileName(dialog.selectedFiles().front(), request.filter, dialog.selectedNameFilter());
}

std::optional<std::int32_t> QtDialogs::chooseColor(QWidget* parent)
{
    const QColor color = QColorDialog::getColor(Qt::white, parent);
    if (!color.isValid())
        return std::nullopt;
    return colorRefFromRgb(Rgb{static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
                               static_cast<std::uint8_t>(color.blue())});
}

std::optional<QString> QtDialogs::browseForFolder(QWidget* parent)
{
    const QString folder = QFileDialog::getExistingDirectory(parent, QCoreApplication::translate("pictoreel::QtDialogs", "Please locate a directory"));
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QString> QtDialogs::askText(QWidget* parent, const QString& title, const QString& label, const QString& text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, messageCaption(title), label, QLineEdit::Normal, text, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

}  // namespace pictoreel
