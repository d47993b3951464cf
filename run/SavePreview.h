#pragma once

#include "platform/FileSystem.h"
#include "run/RunOutput.h"
#include "settings/SettingsWriter.h"

#include <QString>
#include <QStringList>

class Configuration;
class SettingsDocument;
class VariableValues;

// What a save would do, found by doing it on a file system that writes nothing.
struct SavePreview {
    // The save's result as it would be: why it would be refused, its problems and warnings.
    SaveResult result;
    QStringList changed;  // the files whose bytes would change, in the order the save writes them
    QStringList unshown;  // with a diff: each change that the diff cannot carry, and why
    bool masked = false;  // with a diff: it shows a password as ********
};

// Does what SaveAndExport does to save `values` into `settings` as `settingsFile` and export the
// templates, on a DryRunFileSystem over `files`: writes nothing and starts no command. With
// `diff`, reports to it the diff of each file that would change as it is computed, the way /diff
// prints it (WriteFileDiff, every password of `values` masked by SecretMask); a change that a diff
// cannot carry (to a symbolic link, a file that cannot be read, either version larger than 1 GiB)
// is left out of it and told in `unshown`. Warnings stay in the result, for the caller to show.
// `runValues`, when given, are the values of this run only, as SaveAndExport takes them; their
// passwords are masked too.
SavePreview PreviewSave(const Configuration& config, const VariableValues& values,
                        SettingsDocument& settings, const QString& settingsFile,
                        const QString& baseDir, FileSystem& files, RunOutput* diff,
                        const VariableValues* runValues = nullptr);

// The same, into the settings file as a save would read it (LoadForSave); a file that cannot be
// read refuses the preview as it would refuse the save.
SavePreview PreviewSave(const Configuration& config, const VariableValues& values,
                        const QString& settingsFile, const QString& baseDir, FileSystem& files,
                        RunOutput* diff);
