#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/VariableValues.h"

void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     VariableValues* values) {
    const ItemIds& items = values->Ids();
    for (const VariableValue& loaded : settings.LoadedValues(config, items)) {
        if (const int item = items.AddressedBy(config, loaded.id); item >= 0) {
            values->SetAt(item, loaded.value);
        }
    }
}
