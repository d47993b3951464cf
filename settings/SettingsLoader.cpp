#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsDocument.h"

Status ReadSettingsInto(FileSystem& fileSystem, const QString& path, const Configuration& config,
                        FieldTexts& fields) {
    SettingsDocument settings;
    if (Status loaded = settings.Load(fileSystem, path); !loaded.ok()) {
        return loaded;
    }
    for (const VariableValue& loaded : settings.LoadedValues(config)) {
        fields.SetFieldText(FieldControlName(loaded.id), loaded.value);
    }
    return Status::Ok();
}
