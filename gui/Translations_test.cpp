// The program speaks the language of the user's locale: German under de_*, English under any
// other locale, and under C and POSIX the texts exactly as they have always been.
#include "gui/frmsetup.h"
#include "gui/xAboutTrvSet.h"
#include "platform/Translation.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ProgramRun.h"
#include "testing/ScriptedDialogs.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// What the built program says, in a copy of the example (testing/ProgramRun.h) with a settings
// file bad.xml that the configuration refuses, with only `locale` naming the language. Standard
// output and error together.
QString RunUnder(const QStringList& locale, const QStringList& arguments) {
    const QString exports = locale.isEmpty() ? "" : "export " + locale.join(' ') + " && ";
    return ProgramRun::Of(
               "unset LANG LC_ALL LC_MESSAGES LANGUAGE && "
               "sed 's/>4</>four</' settings.xml > bad.xml && " +
               exports + "tervosetup " + arguments.join(' ') + " 2>&1")
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
        {{"/check", "/file:bad.xml"},
         {"TervoSetup: bad.xml: Workers ($(WORKERS)): is not a whole number\n",
          "TervoSetup: bad.xml: Workers ($(WORKERS)): ist keine ganze Zahl\n",
          "TervoSetup: bad.xml: Workers ($(WORKERS)): is not a whole number\n"}},
    };
    const struct {
        QStringList locale;
        Language language;
    } locales[] = {
        {{}, C},
        {{"LANG=C.UTF-8"}, C},
        {{"LANG=POSIX"}, C},
        // A locale without a catalog gets English.
        {{"LANG=fr_FR.UTF-8"}, English},
        {{"LANG=fr_FR.UTF-8", "LANGUAGE=de"}, English},
        {{"LANG=de_DE.UTF-8"}, German},
        {{"LANG=de_AT.UTF-8"}, German},
        {{"LANG=en_US.UTF-8"}, English},
        {{"LANG=en_GB.UTF-8"}, English},
        {{"LANG=de_DE.UTF-8", "LC_ALL=C"}, C},
        {{"LANG=C.UTF-8", "LC_ALL=en_US.UTF-8"}, English},
        {{"LANG=en_US.UTF-8", "LC_MESSAGES=de_DE.UTF-8"}, German},
        {{"LC_ALL=en_US.UTF-8", "LC_MESSAGES=de_DE.UTF-8"}, English},
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

// The window and the words on the About picture take their texts from the catalog installed when
// they are built.
TEST(TranslationsTest, TheWindowSpeaksTheLanguageOfItsCatalog) {
    const struct {
        QLocale::Language language;
        const char* cancel;
        const char* fileMenu;
        const char* closeHint;  // on the About picture
    } cases[] = {
        {QLocale::C, "Abbrechen", "&File", "Click the picture to close"},
        {QLocale::German, "Abbrechen", "&Datei", "Zum Schließen auf das Bild klicken"},
        {QLocale::English, "Cancel", "&File", "Click the picture to close"},
    };
    for (const auto& [language, cancel, fileMenu, closeHint] : cases) {
        QTranslator translator;
        EXPECT_EQ(LoadTranslation(language, &translator), language != QLocale::C)
            << QLocale::languageToString(language).toStdString();
        QCoreApplication::installTranslator(&translator);
        ScriptedDialogs dialogs;
        FakeFileSystem files;
        FakeProcessLauncher launcher;
        const frmsetup window(ParseCommandLine({}), {dialogs, files, launcher});
        EXPECT_EQ(window.findChild<QPushButton*>("Cancel")->text(), cancel);
        EXPECT_EQ(window.findChild<QMenu*>("indFile")->title(), fileMenu);
        const xAboutTrvSet about(nullptr);
        EXPECT_EQ(about.findChild<QLabel*>("CloseHint")->text(), closeHint);
    }
}

}  // namespace
