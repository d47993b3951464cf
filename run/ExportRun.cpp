#include "run/ExportRun.h"

#include "run/Messages.h"
#include "schema/Configuration.h"
#include "settings/FieldTexts.h"
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
    MapFieldTexts fields(config);
    if (Status loaded = ReadSettingsInto(services.files, paths.settingsFile, config, fields);
        !loaded.ok()) {
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    const SaveResult result = SaveAndExport(config, fields, paths.settingsFile, paths.settingsFile,
                                            options.baseDir, {services.files, services.processes});
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
