#pragma once

#include "platform/Status.h"

#include <QString>

// The texts of the window and the runs themselves: the load failure, the save question and its
// confirmation, the file dialogs' filter and default name. What went wrong in a load, a save or an
// export is told by the core, in the message of the Status it returns.
namespace Messages {

inline QString CouldNotLoad(const Status& reason) {
    return QStringLiteral("The file could not be loaded!\n\n") + reason.message();
}

inline QString SaveQuestion(const QString& settingsFile) {
    return QStringLiteral("Wollen sie die ") + settingsFile + QStringLiteral(" speichern?");
}

// Asked before a save when the settings file is no longer what the window loaded or last saved.
inline QString ChangedOnDisk(const QString& settingsFile, bool exists) {
    return settingsFile +
           (exists ? QStringLiteral(" was changed by another program since it was loaded or saved "
                                    "here.\n\nYes: save your values over it.")
                   : QStringLiteral(" was removed by another program since it was loaded or saved "
                                    "here.\n\nYes: save your values to it again.")) +
           QStringLiteral("\nNo: load it again and discard your edits.\nCancel: do nothing.");
}

inline QString Saved() {
    return QStringLiteral("Erfolgreich gespeichert");
}

inline QString NoDisplay() {
    return QStringLiteral(
        "TervoSetup: no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is "
        "set). Run with /export to save and export without a window.\n");
}

inline QString DisplayUnreachable() {
    return QStringLiteral(
        "TervoSetup: the display could not be reached, so the editor cannot be shown. Run with "
        "/export to save and export without a window.\n");
}

inline QString NeedsRunWithoutWindow() {
    return QStringLiteral(
        "TervoSetup: /batch, /set: and /env: are for runs without the window: add /export, "
        "/check or /diff.\n");
}

inline QString UnknownOptionIgnored(const QString& option) {
    return QStringLiteral("TervoSetup: ignoring the unknown option \"%1\" (see --help)")
        .arg(option);
}

// A value that breaks its item's rules, as a run without a window reports it.
inline QString InvalidValue(const QString& settingsFile, const QString& label, const QString& id,
                            const QString& reason) {
    return QStringLiteral("%1: %2 (%3): %4").arg(settingsFile, label, id, reason);
}

inline QString PasswordsMasked() {
    return QStringLiteral(
        "The diff shows passwords as ********: read it, but do not apply it "
        "with patch.");
}

inline QString StrictRefused() {
    return QStringLiteral(
        "Nothing was saved or exported: with /strict, every warning on standard error and every "
        "problem is an error.");
}

// The file dialogs offer this one filter.
inline QString XmlFilter() {
    return QStringLiteral("XML Dateien (*.xml)");
}
inline QString DefaultSettingsName() {
    return QStringLiteral("settings.xml");
}

}  // namespace Messages
