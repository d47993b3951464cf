#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/VariableValues.h"

void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     VariableValues* values) {
    const ItemIds& items = values->Ids();
    for (const SettingsDocument::LoadedValue& loaded : settings.LoadedValues(config, items)) {
        values->SetLoadedAt(loaded.item, loaded.value);
    }
}
