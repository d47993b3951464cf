#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/VariableValues.h"

Status ReadSettingsInto(FileSystem& fileSystem, const QString& path, const Configuration& config,
                        VariableValues* values, SettingsVersion* version) {
    SettingsDocument settings;
    if (Status loaded = settings.Load(fileSystem, path); !loaded.ok()) {
        return loaded;
    }
    PutSettingsInto(settings, config, values);
    if (version != nullptr) {
        *version = settings.Version();
    }
    return Status::Ok();
}

void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     VariableValues* values) {
    for (const VariableValue& loaded : settings.LoadedValues(config)) {
        if (const ConfigItem* item = config.ItemFor(loaded.id)) {
            values->Set(item->id, loaded.value);
        }
    }
}
