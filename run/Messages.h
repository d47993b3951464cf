#pragma once

#include "platform/Status.h"
#include "run/CommandLine.h"

#include <QCoreApplication>
#include <QString>

// The texts of the window and the runs themselves: the load failure, the save question and its
// confirmation, the file dialogs' filter and default name. What went wrong in a load, a save or an
// export is told by the core, in the message of the Status it returns.
namespace Messages {

inline QString CouldNotLoad(const Status& reason) {
    return QCoreApplication::translate("Messages", "The file could not be loaded!\n\n%1")
        .arg(reason.message());
}

inline QString SaveQuestion(const QString& settingsFile) {
    return QCoreApplication::translate("Messages", "Wollen sie die %1 speichern?")
        .arg(settingsFile);
}

// Asked before a save when the settings file is no longer what the window loaded or last saved.
inline QString ChangedOnDisk(const QString& settingsFile, bool exists) {
    return (exists ? QCoreApplication::translate(
                         "Messages",
                         "%1 was changed by another program since it was loaded or saved here.\n\n"
                         "Yes: save your values over it.\n"
                         "No: load it again and discard your edits.\nCancel: do nothing.")
                   : QCoreApplication::translate(
                         "Messages",
                         "%1 was removed by another program since it was loaded or saved here.\n\n"
                         "Yes: save your values to it again.\n"
                         "No: load it again and discard your edits.\nCancel: do nothing."))
        .arg(settingsFile);
}

inline QString Saved() {
    return QCoreApplication::translate("Messages", "Erfolgreich gespeichert");
}

inline QString NoDisplay() {
    return QCoreApplication::translate(
        "Messages",
        "TervoSetup: no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is "
        "set). Run with /export to save and export without a window.\n");
}

inline QString DisplayUnreachable() {
    return QCoreApplication::translate(
        "Messages",
        "TervoSetup: the display could not be reached, so the editor cannot be shown. Run with "
        "/export to save and export without a window.\n");
}

inline QString NeedsRunWithoutWindow() {
    return QCoreApplication::translate(
        "Messages",
        "TervoSetup: /batch, /set:, /env: and /values: are for runs without the window: add "
        "/export, /check or /diff.\n");
}

// An option the window does not know, as ShownArgument shows it.
inline QString UnknownOptionIgnored(const QString& option) {
    return QCoreApplication::translate(
               "Messages", "TervoSetup: ignoring the unknown option \"%1\" (see --help)")
        .arg(option);
}

// The options a run without a window does not know, as ShownArgument shows them.
inline QString UnknownOptionsRefused(const QStringList& options) {
    QStringList lines;
    for (const QString& option : options) {
        lines.append(QCoreApplication::translate(
                         "Messages", "Nothing was done: \"%1\" is not an option (see --help).")
                         .arg(option));
    }
    return lines.join(u'\n');
}

// An argument past the first kMaxArguments, as ShownArgument shows it: the value of a
// "/set:NAME=VALUE" or of an unknown option may be a secret.
inline QString ArgumentIgnored(const QString& argument, int maxArguments) {
    const QString shown = ShownArgument(argument);
    return QCoreApplication::translate(
               "Messages", "TervoSetup: ignoring the argument \"%1\": only the first %2 count")
        .arg(shown == argument ? shown : shown + QStringLiteral("..."))
        .arg(maxArguments);
}

// A run without the window does not guess what the arguments it would ignore were meant to do.
inline QString TooManyArguments(int maxArguments) {
    return QCoreApplication::translate(
               "Messages",
               "TervoSetup: nothing was done: the command line holds more than %1 arguments. "
               "Give values through /env:, which takes any number of them.\n")
        .arg(maxArguments);
}

inline QString PasswordsMasked() {
    return QCoreApplication::translate(
        "Messages",
        "The diff shows passwords as ********: read it, but do not apply it with patch.");
}

inline QString StrictRefused() {
    return QCoreApplication::translate(
        "Messages",
        "Nothing was saved or exported: with /strict, every warning on standard error and every "
        "problem is an error.");
}

// The file dialogs offer this one filter.
inline QString XmlFilter() {
    return QCoreApplication::translate("Messages", "XML Dateien (*.xml)");
}
inline QString DefaultSettingsName() {
    return QStringLiteral("settings.xml");
}

}  // namespace Messages
