#include "gui/app/dialogs.h"

#include "core/base/image.h"

#include <QColorDialog>
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
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& patterns = parts[i + 1];
        const QString ownGroup = u'(' + patterns + u')';
        const QString qtGroup = u'(' + QString(patterns).replace(u';', u' ') + u')';
        // Qt reads the patterns from the last "(...)" of an entry, split at blanks.
        if (description.endsWith(ownGroup) && ownGroup == qtGroup)
            entries.append(description);
        else
            entries.append(description + u' ' + qtGroup);
    }
    return entries.join(QStringLiteral(";;"));
}

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
    const QString name = QFileDialog::getOpenFileName(parent, request.title, request.folder,
                                                      qtFileFilter(request.filter));
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

QStringList QtDialogs::openFiles(QWidget* parent, const FileDialogRequest& request)
{
    return QFileDialog::getOpenFileNames(parent, request.title, request.folder, qtFileFilter(request.filter));
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const FileDialogRequest& request)
{
    QString selected;
    const QString name = QFileDialog::getSaveFileName(parent, request.title, request.folder,
                                                      qtFileFilter(request.filter), &selected,
                                                      QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return std::nullopt;
    return savedFileName(name, request.filter, selected);
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
    const QString folder = QFileDialog::getExistingDirectory(parent, QStringLiteral("Please locate a directory"));
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
