#include "platform/Translation.h"
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

QLocale::Language MessageLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const QString value = qEnvironmentVariable(variable); !value.isEmpty()) {
            const QLocale::Language language = QLocale(value).language();
            return language == QLocale::C || language == QLocale::German ? language
                                                                         : QLocale::English;
        }
    }
    return QLocale::C;
}

bool LoadTranslation(QLocale::Language language, QTranslator* translator) {
    QString name;
    if (language == QLocale::German) {
        name = QStringLiteral("tervosetup_de");
    } else if (language == QLocale::English) {
        name = QStringLiteral("tervosetup_en");
    } else {
        return false;
    }
    // TERVO_TRANSLATIONS_DIR is the installed folder relative to the program's; the build tree
    // keeps the catalogs in translations/ beside the program.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& folder :
         {QStringLiteral(TERVO_TRANSLATIONS_DIR), QStringLiteral("translations")}) {
        if (translator->load(name, programFolder.filePath(folder))) {
            return true;
        }
    }
    return false;
}

void InstallTranslation(QTranslator* translator) {
    if (LoadTranslation(MessageLanguage(), translator)) {
        QCoreApplication::installTranslator(translator);
    }
}

void InstallQtTranslation(QTranslator* translator) {
    const QLocale::Language language = MessageLanguage();
    if ((language == QLocale::German || language == QLocale::English) &&
        translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    }
}
