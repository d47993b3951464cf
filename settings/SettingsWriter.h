#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/Status.h"

#include <QString>
#include <QStringList>

class Configuration;
class FieldTexts;

// What a save touches besides the field texts.
struct SaveServices {
    FileSystem& files;
    ProcessLauncher& processes;
};

// The result of a save: `saved` fails when the settings file was not written (and then nothing
// else ran); `problems` holds, in order, what went wrong after the file was written: an after
// command that did not start, templates that could not be read, outputs that could not be written.
struct SaveResult {
    Status saved = Status::Ok();
    QStringList problems;

    bool Complete() const { return saved.ok() && problems.isEmpty(); }
};

// Writes the field texts into the settings document read from `sourcePath` and saves it to
// `targetPath`:
//  - the source is read first; a missing source counts as an empty document, one that exists but
//    cannot be read or parsed is never overwritten: the save is refused;
//  - every `variable` child of the root whose id the configuration declares receives the text of
//    its field (the first element of that id, at any depth, takes it); no element is added;
//  - a value that XML cannot store is refused, naming the variable's label, before anything runs;
//  - the before command starts, then the file is replaced all at once, then the after command
//    starts. A before command that cannot start refuses the save; an after command that cannot
//    start is a problem of a save that stands.
SaveResult WriteSettingsFile(const Configuration& config, const FieldTexts& fields,
                             const QString& sourcePath, const QString& targetPath,
                             SaveServices services);

// WriteSettingsFile, then, when the file was written, the export of every template with the
// values of `targetPath` (ExportTemplateFiles).
SaveResult SaveAndExport(const Configuration& config, const FieldTexts& fields,
                         const QString& sourcePath, const QString& targetPath,
                         const QString& baseDir, SaveServices services);
