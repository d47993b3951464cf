#include "run/ExportRun.h"

#include "run/Messages.h"
#include "schema/Configuration.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsDocument.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"

int RunExport(const CommandLineOptions& options, ProgramServices services) {
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
    Status loaded = services.files.LockForUpdate(paths.settingsFile, &lock);
    if (loaded.ok())
        loaded = settings.Load(services.files, paths.settingsFile);
    if (!loaded.ok()) {
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    MapFieldTexts fields(config);
    PutSettingsInto(settings, config, fields);
    const SaveResult result = SaveAndExport(config, fields, settings, paths.settingsFile,
                                            options.baseDir, {services.files, services.processes});
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
