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

namespace {

// Loads the catalog `name` ("tervosetup_de") into `translator`. TERVO_TRANSLATIONS_DIR is the
// installed folder relative to the program's; the build tree keeps the catalogs in translations/
// beside the program.
bool LoadCatalog(const QString& name, QTranslator* translator) {
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& folder :
         {QStringLiteral(TERVO_TRANSLATIONS_DIR), QStringLiteral("translations")}) {
        if (translator->load(name, programFolder.filePath(folder))) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool ProgramTranslator::Load(QLocale::Language language) {
    bool loaded = false;
    if (language == QLocale::German) {
        loaded = LoadCatalog(QStringLiteral("tervosetup_de"), this);
    } else if (language == QLocale::English) {
        // The English catalog holds the plural forms itself.
        return LoadCatalog(QStringLiteral("tervosetup_en"), this);
    }
    return LoadCatalog(QStringLiteral("tervosetup_en"), &mPlurals) || loaded;
}

QString ProgramTranslator::translate(const char* context, const char* sourceText,
                                     const char* disambiguation, int n) const {
    QString translated = QTranslator::translate(context, sourceText, disambiguation, n);
    if (translated.isNull() && n >= 0) {
        translated = mPlurals.translate(context, sourceText, disambiguation, n);
    }
    return translated;
}

bool ProgramTranslator::isEmpty() const {
    return QTranslator::isEmpty() && mPlurals.isEmpty();
}

void InstallTranslation(ProgramTranslator* translator) {
    if (translator->Load(MessageLanguage())) {
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
