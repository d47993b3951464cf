#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/Status.h"
#include "settings/SettingsDocument.h"

#include <QString>
#include <QStringList>

class Configuration;
class VariableValues;

// What a save touches besides the values.
struct SaveServices {
    FileSystem& files;
    ProcessLauncher& processes;
};

// The result of a save: `saved` fails when the settings file was not written (and then nothing
// else ran); `problems` holds, in order, what went wrong after the file was written: templates
// that could not be read, outputs that could not be written, an after command that did not start.
struct SaveResult {
    Status saved = Status::Ok();
    QStringList problems;
    // What a careful user may want to know about a save that went through: a variable of the
    // settings file that no item of the configuration declares, and $(NAME) tokens that no value
    // replaced in an output (see ExportTemplateFiles).
    QStringList warnings;
    SettingsVersion version;  // of the settings file as the save left it

    bool Complete() const { return saved.ok() && problems.isEmpty(); }
};

// What a save does first: takes the update lock of `targetPath` into `lock`, waiting as `wait`
// says, and loads the document that the save writes into from `sourcePath` (LoadForSave).
Status PrepareSave(FileSystem& files, const QString& sourcePath, const QString& targetPath,
                   const LockWait& wait, std::unique_ptr<UpdateLock>* lock,
                   SettingsDocument* settings);

// Loads the document that a save writes into from `sourcePath`. A missing source gives an empty
// document (whose version says that it does not exist); one that exists but cannot be read or
// parsed is never overwritten: the save is refused with a message that says so.
Status LoadForSave(FileSystem& files, const QString& sourcePath, SettingsDocument* settings);

// Writes `values` into `settings` and saves it to `targetPath`, then exports the templates with the
// values of that document, as it was saved:
//  - every `variable` child of the root whose id the configuration declares receives the value of
//    the item that id addresses (Configuration::ItemFor; the first element of that id, at any
//    depth, takes it); so does an item's id whose only elements are nested deeper. An item
//    without any element of its id adds one after the root's last element child, in the
//    configuration's order, unless its value is empty;
//  - a value that XML cannot store is refused, naming the variable's label, and so is a document
//    larger than a load accepts, naming the variable with the largest value, before anything runs;
//  - the before command starts, then the file is replaced all at once (with the very bytes that
//    were read when no value changed), then the templates are exported (ExportTemplateFiles), and
//    then the after command starts. A before command that cannot start refuses the save; an
//    after command that cannot start is a problem of a save that stands. A command whose element
//    says wait="true" is run to its end instead (ProcessLauncher::RunAndWait): a before command
//    that fails refuses the save before anything is written, an after command that fails is a
//    problem;
//  - with `runValues`, the templates are exported with those values instead, as if the save had
//    written them, while the settings file receives `values`: a run's own values (/set:, /env:)
//    reach the outputs and never the file. They must pass the same checks of what XML can store;
//  - each id of the document's substitutions (SettingsDocument::ExportedValues) that no item of
//    the configuration declares is a warning, once, in document order: "<targetPath>: <id> has
//    a value, but no item of the configuration declares it".
// Running out of memory refuses the save or fails one template, as it happens. The caller holds
// the update lock of `targetPath` from reading `settings` until this returns.
SaveResult SaveAndExport(const Configuration& config, const VariableValues& values,
                         SettingsDocument& settings, const QString& targetPath,
                         const QString& baseDir, SaveServices services,
                         const VariableValues* runValues = nullptr);

// PrepareSave, waiting for the lock as LockWait() says, then SaveAndExport under the lock.
SaveResult SaveAndExport(const Configuration& config, const VariableValues& values,
                         const QString& sourcePath, const QString& targetPath,
                         const QString& baseDir, SaveServices services);
