#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallQtJapaneseTranslations() {
    // The translator lives as long as the application object.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    // Dates and sizes in the file dialogs follow the language of the texts.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    return true;
}
