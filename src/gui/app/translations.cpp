#include "gui/app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pictoreel {

namespace {

// The translators this file installs are children of the application with this name, so a later
// call finds and replaces them.
const QString kTranslatorName = QStringLiteral("pictoreelTranslator");

bool install(const QLocale& locale, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    translator->setObjectName(kTranslatorName);
    if (translator->load(locale, name, QStringLiteral("_"), folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

}  // namespace

bool installTranslations(const QLocale& locale)
{
    QObject* application = QCoreApplication::instance();
    for (QTranslator* old : application->findChildren<QTranslator*>(kTranslatorName, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    install(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // pictoreel_de.qm and the like, compiled in from translations/.
    return install(locale, QStringLiteral("pictoreel"), QStringLiteral(":/i18n"));
}

}  // namespace pictoreel
