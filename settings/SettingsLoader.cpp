#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsDocument.h"

Status ReadSettingsInto(FileSystem& fileSystem, const QString& path, const Configuration& config,
                        FieldTexts& fields, SettingsVersion* version) {
    SettingsDocument settings;
    if (Status loaded = settings.Load(fileSystem, path); !loaded.ok()) {
        return loaded;
    }
    PutSettingsInto(settings, config, fields);
    if (version != nullptr) {
        *version = settings.Version();
    }
    return Status::Ok();
}

void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     FieldTexts& fields) {
    for (const VariableValue& loaded : settings.LoadedValues(config)) {
        fields.SetFieldText(FieldControlName(loaded.id), loaded.value);
    }
}
