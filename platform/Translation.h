#pragma once

#include <QLocale>
#include <QTranslator>

// The program's texts are written in the words they have always had, and a catalog per language
// (translations/tervosetup_<language>.ts, compiled at build time) puts them in one language:
// German for a German locale, English for any other. Only C and POSIX (and no locale at all) get
// no catalog, so every text stays exactly as written there.

// The language of the program's catalog for the user's messages, as the environment names the
// locale: LC_ALL, else LC_MESSAGES, else LANG. "de_DE.UTF-8" is German; unset, "C", "C.UTF-8" and
// "POSIX" are QLocale::C; every other locale is English, the language of a locale the program has
// no catalog for. LANGUAGE is not consulted: it would turn a French or C locale German.
QLocale::Language MessageLanguage();

// Loads into `translator` the program's catalog for `language`, from the folder the installation
// puts it in relative to the running program, or from the build tree's translations/ beside it.
// Returns false, leaving `translator` empty, for a language without a catalog or when the catalog
// cannot be found. Needs the application object (for the program's folder).
bool LoadTranslation(QLocale::Language language, QTranslator* translator);

// Loads the catalog of MessageLanguage() into `translator` and installs it into the application
// object, which must exist; the translation holds until `translator` is destroyed or the
// application ends. Without a catalog it installs nothing.
void InstallTranslation(QTranslator* translator);

// The same for Qt's own texts (its file dialogs), from Qt's catalogs where the system has them
// (Debian's qt6-translations-l10n). Installed before the program's, whose texts then come first.
void InstallQtTranslation(QTranslator* translator);
