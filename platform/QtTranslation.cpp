#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace QtTranslation {

QTranslator* InstallJapanese()
{
    static QPointer<QTranslator> installed;
    if (installed)
        return installed;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // By file name, not by the session's locale: the program is Japanese in any session.
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installed = translator;
    return translator;
}

} // namespace QtTranslation
