#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/VariableValues.h"

void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     VariableValues* values) {
    for (const VariableValue& loaded : settings.LoadedValues(config)) {
        if (const ConfigItem* item = config.ItemFor(loaded.id)) {
            values->Set(item->id, loaded.value);
        }
    }
}
