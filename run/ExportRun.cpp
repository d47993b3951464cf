#include "run/ExportRun.h"

#include "run/DryRunFileSystem.h"
#include "run/LineDiff.h"
#include "run/Messages.h"
#include "schema/Configuration.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsDocument.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"
#include "settings/TemplateExport.h"

#include <QFile>

namespace {

// Starts nothing: a run that writes nothing has nothing for a command to act on.
class NoCommands final : public ProcessLauncher {
  public:
    Status StartDetached(const QString&) override { return Status::Ok(); }
};

// The report on `changed`: their paths, one per line, or their unified diff.
QByteArray Report(const QStringList& changed, DryRunFileSystem& dryRun, FileSystem& real,
                  bool diff) {
    QByteArray report;
    for (const QString& path : changed) {
        const QByteArray name = QFile::encodeName(path);
        if (!diff) {
            report += name + '\n';
            continue;
        }
        QByteArray old;
        const Status read = real.ReadFile(path, kMaxTemplateBytes, &old);
        report +=
            UnifiedDiff(old, dryRun.NewContents(path),
                        read.IsNotFound() ? QByteArray("/dev/null") : "a/" + name, "b/" + name);
    }
    return report;
}

}  // namespace

int RunExport(const CommandLineOptions& options, ProgramServices services, RunOutput& output) {
    const StartupPaths paths = ResolveStartupPaths(options);
    Configuration config;
    if (Status loaded = LoadConfigurationFile(services.files, paths.configFile, &config);
        !loaded.ok()) {
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    // The settings file is read once, and exactly what was read is saved back: under the lock,
    // no other save can come between.
    std::unique_ptr<UpdateLock> lock;
    SettingsDocument settings;
    const LockWait wait = {[&output](const QString& message) { output.Warn(message); }};
    Status loaded = services.files.LockForUpdate(paths.settingsFile, wait, &lock);
    if (loaded.ok())
        loaded = settings.Load(services.files, paths.settingsFile);
    if (!loaded.ok()) {
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    MapFieldTexts fields(config);
    PutSettingsInto(settings, config, fields);
    const auto save = [&](FileSystem& files, ProcessLauncher& processes) {
        SaveResult result = SaveAndExport(config, fields, settings, paths.settingsFile,
                                          options.baseDir, {files, processes});
        for (const QString& warning : result.warnings) {
            output.Warn(warning);
        }
        return result;
    };

    const bool dryRun = options.checkMode || options.diffMode;
    if (dryRun || options.strict) {
        // The whole save once in memory, to see what it would change and what it warns about.
        DryRunFileSystem memory(services.files);
        NoCommands none;
        const SaveResult result = save(memory, none);
        const bool refused = options.strict && !result.warnings.isEmpty();
        if (dryRun) {
            const int status = ShowSaveResult(result, services.dialogs);
            if (status == kExitFailed) {
                return status;
            }
            const QStringList changed = memory.ChangedFiles();
            output.Report(Report(changed, memory, services.files, options.diffMode));
            return status != kExitOk || refused ? kExitIncomplete
                   : changed.isEmpty()          ? kExitOk
                                                : kExitChanges;
        }
        if (refused) {
            ShowSaveResult(result, services.dialogs);
            services.dialogs.ShowMessage(Messages::StrictRefused());
            return kExitIncomplete;
        }
    }
    const SaveResult result = save(services.files, services.processes);
    lock.reset();
    return ShowSaveResult(result, services.dialogs);
}

int ShowSaveResult(const SaveResult& result, Dialogs& dialogs) {
    if (!result.saved.ok()) {
        dialogs.ShowMessage(result.saved.message());
        return kExitFailed;
    }
    for (const QString& problem : result.problems) {
        dialogs.ShowMessage(problem);
    }
    return result.problems.isEmpty() ? kExitOk : kExitIncomplete;
}
