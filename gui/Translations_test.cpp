// The program speaks the language of the user's locale: German under de_*, English under any
// other locale, and under C and POSIX the texts exactly as they have always been.
#include "platform/Translation.h"
#include "testing/ProgramRun.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

// What the built program says, in a copy of the example (testing/ProgramRun.h), with only
// `locale` naming the language. Standard output and error together.
QString RunUnder(const QStringList& locale, const QStringList& arguments) {
    const QString exports = locale.isEmpty() ? "" : "export " + locale.join(' ') + " && ";
    return ProgramRun::Of("unset LANG LC_ALL LC_MESSAGES LANGUAGE && " + exports + "tervosetup " +
                          arguments.join(' ') + " 2>&1")
        .wrote;
}

enum Language { C, German, English };

TEST(TranslationsTest, TheProgramSpeaksTheLanguageOfTheLocale) {
    struct Message {
        QStringList arguments;
        const char* text[3];  // what the run says, in C, German and English
    };
    const Message messages[] = {
        // --help is one language under every locale; under C, English.
        {{"--help"},
         {"Configuration Editor command line syntax\n/file:<file>\tOpens the settings file",
          "Konfigurationseditor: Syntax der Befehlszeile\n/file:<Datei>\tÖffnet die "
          "Einstellungsdatei",
          "Configuration Editor command line syntax\n/file:<file>\tOpens the settings file"}},
        {{"/export", "/conf:none.xml"},
         {"TervoSetup: The file could not be loaded!\n\nnone.xml: No such file or directory\n",
          "TervoSetup: Die Datei konnte nicht geladen werden!\n\nnone.xml: ",
          "TervoSetup: The file could not be loaded!\n\nnone.xml: "}},
    };
    const struct {
        QStringList locale;
        Language language;
    } locales[] = {
        {{}, C},
        {{"LANG=POSIX"}, C},
        // A locale without a catalog gets English.
        {{"LANG=fr_FR.UTF-8"}, English},
        {{"LANG=fr_FR.UTF-8", "LANGUAGE=de"}, English},
        {{"LANG=de_AT.UTF-8"}, German},
        {{"LANG=en_GB.UTF-8"}, English},
        {{"LANG=de_DE.UTF-8", "LC_ALL=C"}, C},
        {{"LANG=en_US.UTF-8", "LC_MESSAGES=de_DE.UTF-8"}, German},
    };
    for (const auto& [locale, language] : locales) {
        for (const Message& message : messages) {
            const QString said = RunUnder(locale, message.arguments);
            const QString expected = message.text[language];
            // The C locale's messages whole, but for the usage text's first line; the others up
            // to the system's error text, which is not the program's.
            const bool whole = language == C && message.arguments[0] != "--help";
            EXPECT_TRUE(whole ? said == expected : said.startsWith(expected))
                << "under " << qPrintable(locale.join(' ')) << ", tervosetup "
                << qPrintable(message.arguments.join(' ')) << "\nexpected: " << qPrintable(expected)
                << "\nsaid:     " << qPrintable(said);
        }
    }
}

// A text of a count reads as English counts in every language without a catalog's word for it,
// under C too; every other text stays as the catalog or the source has it.
TEST(TranslationsTest, CountsReadRightInEveryLanguage) {
    const struct {
        QLocale::Language language;
        const char *one, *two, *other;  // "%n file(s) exported" of 1 and 2; "Abbrechen"
    } languages[] = {
        {QLocale::C, "1 file exported", "2 files exported", "Abbrechen"},
        {QLocale::English, "1 file exported", "2 files exported", "Cancel"},
        {QLocale::German, "1 Datei exportiert", "2 Dateien exportiert", "Abbrechen"},
    };
    for (const auto& language : languages) {
        SCOPED_TRACE(QLocale::languageToString(language.language).toStdString());
        ProgramTranslator translator;
        ASSERT_TRUE(translator.Load(language.language));
        const auto counted = [&](int n) {
            return translator.translate("frmsetup", "%n file(s) exported", nullptr, n)
                .replace("%n", QString::number(n));
        };
        EXPECT_EQ(counted(1), QString(language.one));
        EXPECT_EQ(counted(2), QString(language.two));
        const QString other = translator.translate("frmsetup", "Abbrechen");
        EXPECT_EQ(other.isNull() ? "Abbrechen" : other, QString(language.other));
    }
}

}  // namespace
