#include "settings/VariableValues.h"

#include "schema/Configuration.h"

VariableValues::VariableValues(const Configuration& config) {
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            mValues.insert(item.id, QString());
        }
    }
}

const QString* VariableValues::Find(const QString& id) const {
    const auto found = mValues.constFind(id);
    return found == mValues.cend() ? nullptr : &*found;
}

bool VariableValues::Set(const QString& id, const QString& value) {
    const auto found = mValues.find(id);
    if (found == mValues.end()) {
        return false;
    }
    *found = value;
    return true;
}
