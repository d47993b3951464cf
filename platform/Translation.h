#pragma once

#include <QLocale>
#include <QTranslator>

// The program's texts are written in the words they have always had, and a catalog per language
// (translations/tervosetup_<language>.ts, compiled at build time) puts them in one language:
// German for a German locale, English for any other. Only C and POSIX (and no locale at all) get
// no catalog, so every text stays exactly as written there; a text of a count is the one
// exception (ProgramTranslator).

// The language of the program's catalog for the user's messages, as the environment names the
// locale: LC_ALL, else LC_MESSAGES, else LANG. "de_DE.UTF-8" is German; unset, "C", "C.UTF-8" and
// "POSIX" are QLocale::C; every other locale is English, the language of a locale the program has
// no catalog for. LANGUAGE is not consulted: it would turn a French or C locale German.
QLocale::Language MessageLanguage();

// The program's catalog of one language, and behind it the English catalog's singular and plural
// forms: a text of a count (tr() with n, written "%n file(s) exported") that the catalog does not
// translate, every one under C, reads "1 file exported" and "2 files exported". Any other text is
// the catalog's, or as written.
class ProgramTranslator final : public QTranslator {
  public:
    // Loads the catalog of `language` and the English plural forms, from the folder the
    // installation puts them in relative to the running program, or from the build tree's
    // translations/ beside it. Returns false when neither can be found. Needs the application
    // object (for the program's folder).
    bool Load(QLocale::Language language);

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override;

  private:
    QTranslator mPlurals;  // the English catalog, asked only for texts of a count
};

// Loads the catalogs of MessageLanguage() into `translator` and installs it into the application
// object, which must exist; the translation holds until `translator` is destroyed or the
// application ends. Without a catalog it installs nothing.
void InstallTranslation(ProgramTranslator* translator);

// The same for Qt's own texts (its file dialogs), from Qt's catalogs where the system has them
// (Debian's qt6-translations-l10n). Installed before the program's, whose texts then come first.
void InstallQtTranslation(QTranslator* translator);
