#include "run/ExportRun.h"

#include "run/Messages.h"
#include "run/Overrides.h"
#include "run/SavePreview.h"
#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"
#include "settings/TemplateExport.h"
#include "settings/VariableValues.h"

#include <QFile>

int RunExport(const CommandLineOptions& options, ProgramServices services, RunOutput& output,
              const QProcessEnvironment& environment) {
    const StartupPaths paths = ResolveStartupPaths(options);
    Configuration config;
    if (Status loaded = LoadConfigurationFile(services.files, paths.configFile, &config);
        !loaded.ok()) {
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    // The settings file is read once, and exactly what was read is saved back: under the lock,
    // no other save can come between. A run that writes nothing takes no lock and waits for no
    // save: any version of the file that a save leaves is a consistent one. No lock is held while
    // a message is shown, which may wait for a user.
    const bool dryRun = options.checkMode || options.diffMode;
    std::unique_ptr<UpdateLock> lock;
    SettingsDocument settings;
    const LockWait wait = {[&output](const QString& message) { output.Warn(message); }};
    Status loaded =
        dryRun ? Status::Ok() : services.files.LockForUpdate(paths.settingsFile, wait, &lock);
    if (loaded.ok())
        loaded = settings.Load(services.files, paths.settingsFile);
    if (!loaded.ok()) {
        lock.reset();
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    VariableValues values(config);
    PutSettingsInto(settings, config, &values);
    // The values of this run: the settings file's, and those the command line gives in their
    // place, which the outputs get and the settings file never does.
    VariableValues runValues = values;
    QHash<QString, QString> sources;
    if (Status given = ApplyValueOptions(options.values, environment, config, &runValues, &sources);
        !given.ok()) {
        lock.reset();
        services.dialogs.ShowMessage(given.message());
        return kExitFailed;
    }
    const VariableValues* onlyThisRun = options.values.empty() ? nullptr : &runValues;
    // A value that breaks its item's rules is never saved nor exported.
    if (const std::vector<InvalidValue> invalid = InvalidValues(config, runValues);
        !invalid.empty()) {
        lock.reset();
        QStringList lines;
        for (const InvalidValue& bad : invalid) {
            lines.append(Messages::InvalidValue(sources.value(bad.item->id, paths.settingsFile),
                                                bad.item->label, bad.item->id, bad.reason));
        }
        services.dialogs.ShowMessage(lines.join(u'\n'));
        return kExitFailed;
    }
    const auto warn = [&output](const SaveResult& result) {
        for (const QString& warning : result.warnings) {
            output.Warn(warning);
        }
    };

    if (dryRun || options.strict) {
        // The whole save on a file system that writes nothing, to see what it would change and
        // what it warns about.
        const SavePreview preview =
            PreviewSave(config, values, settings, paths.settingsFile, options.baseDir,
                        services.files, options.diffMode ? &output : nullptr, onlyThisRun);
        warn(preview.result);
        const bool refused = options.strict && !preview.result.warnings.isEmpty();
        if (dryRun) {
            const int status = ShowSaveResult(preview.result, services.dialogs);
            if (status == kExitFailed) {
                return status;
            }
            for (const QString& message : preview.unshown) {
                services.dialogs.ShowMessage(message);
            }
            if (preview.masked) {
                output.Warn(Messages::PasswordsMasked());
            }
            if (!options.diffMode) {
                QByteArray list;
                for (const QString& path : preview.changed) {
                    list += QFile::encodeName(path) + '\n';
                }
                output.Report(list);
            }
            return status != kExitOk || refused || !preview.unshown.isEmpty() ? kExitIncomplete
                   : preview.changed.isEmpty()                                ? kExitOk
                                                                              : kExitChanges;
        }
        // With /strict, a trial that could not finish may have missed an id without a value.
        if (refused || !preview.result.Complete()) {
            lock.reset();
            if (ShowSaveResult(preview.result, services.dialogs) == kExitFailed) {
                return kExitFailed;
            }
            services.dialogs.ShowMessage(Messages::StrictRefused());
            return kExitIncomplete;
        }
    }
    const SaveResult result =
        SaveAndExport(config, values, settings, paths.settingsFile, options.baseDir,
                      {services.files, services.processes}, onlyThisRun);
    warn(result);
    lock.reset();
    return ShowSaveResult(result, services.dialogs);
}

int ShowSaveResult(const SaveResult& result, Dialogs& dialogs) {
    if (!result.saved.ok()) {
        dialogs.ShowMessage(result.saved.message());
        return kExitFailed;
    }
    // The settings are saved; what went wrong after that is told as a warning.
    for (const QString& problem : result.problems) {
        dialogs.ShowMessage(problem, Dialogs::MessageKind::Warning);
    }
    return result.problems.isEmpty() ? kExitOk : kExitIncomplete;
}
